// `vantrel batch merge` end to end: shards of one class joined into what an unsharded batch
// writes, and the shards it refuses, the duplicates and the gaps it names.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <sys/wait.h>

#include "ClassExam.h"
#include "TempDirectory.h"

namespace {

namespace fs = std::filesystem;
using vantrel::testing::ExamineeName;

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// One class of 8, graded whole and in two shards once for all the cases; each case merges
// into files of its own.
class BatchMergeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = std::make_unique<vantrel::testing::TempDirectory>();
        vantrel::testing::WriteClassExam(root->Path().string(), {8, 80, 60});
        fs::create_directory(At("nobody"));
        Grade(VANTREL_CLI_PATH, At("whole.csv"));
        for (const char* shard : {"0", "1"})
            Grade(VANTREL_CLI_PATH, At(std::string("shard-") + shard + ".csv"),
                  std::string("--shard ") + shard + "/2 --report '" + At(std::string("report-") + shard) + "'");
        // Examinee 000 crashes in this copy of shard 0: its row has no mark.
        Grade("VANTREL_TEST_CRASH_EXAMINEE=000 " VANTREL_CLI_FAULTS_PATH, At("crashed-0.csv"),
              "--shard 0/2 --report '" + At("report-crashed") + "'");
    }
    static void TearDownTestSuite() { root.reset(); }

    static std::string At(const std::string& name) { return *root / name; }
    static std::string Quoted(const std::string& name) { return "'" + At(name) + "' "; }
    static Finished Grade(const std::string& program, const std::string& out, const std::string& more = "")
    {
        return Run(program + " batch " + Quoted("exam.key") + "--keys " + Quoted("keys") + "--answers-root " +
                   Quoted("answers") + "--jobs 2 --out '" + out + "' " + more);
    }
    // Merges the named shards (in this folder) into OUT; more options follow.
    static Finished Merge(const std::string& out, const std::vector<std::string>& shards, const std::string& more = "")
    {
        std::string command = std::string(VANTREL_CLI_PATH) + " batch merge " + Quoted(out);
        for (const std::string& shard : shards) command += Quoted(shard);
        return Run(command + "--key " + Quoted("exam.key") + "--keys " + Quoted("keys") + more);
    }
    static Finished Run(const std::string& command)
    {
        const std::string out = At("stdout.txt");
        const std::string err = At("stderr.txt");
        const int status = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(out), Contents(err)};
    }

    static std::unique_ptr<vantrel::testing::TempDirectory> root;
};

std::unique_ptr<vantrel::testing::TempDirectory> BatchMergeTest::root;

TEST_F(BatchMergeTest, ShardsMergeIntoWhatOneBatchWritesWithOneReport)
{
    ASSERT_NE(Contents(At("whole.csv")), "");
    // Given in any order, the rows come out in name order.
    const Finished merged =
        Merge("merged.csv", {"shard-1.csv", "shard-0.csv"},
              "--answers-root " + Quoted("answers") + "--report " + Quoted("report") + "--shard-reports " +
                  Quoted("report-crashed") + Quoted("report-0") + Quoted("report-1"));
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(merged.err, "");
    EXPECT_EQ(Contents(At("merged.csv")), Contents(At("whole.csv")));
    EXPECT_NE(merged.out.find("merged 8 examinees from 2 shards"), std::string::npos) << merged.out;

    const std::string page = Contents(At("report/index.html"));
    EXPECT_NE(page.find("8 examinees"), std::string::npos);
    for (int i = 0; i < 8; ++i) EXPECT_NE(page.find("<h2>" + ExamineeName(i) + "</h2>"), std::string::npos) << i;
    // Each examinee's page has its blocks, read from the detail its shard left, not from the
    // folder a crashed worker left without one.
    EXPECT_EQ(page.find("No detail was kept"), std::string::npos);
    EXPECT_FALSE(fs::is_empty(At("report/key")));

    // Into the other format and back, nothing is lost.
    ASSERT_EQ(Merge("merged.jsonl", {"shard-0.csv", "shard-1.csv"}).status, 0);
    ASSERT_EQ(Merge("round.csv", {"merged.jsonl"}).status, 0);
    EXPECT_EQ(Contents(At("round.csv")), Contents(At("whole.csv")));

    // Merging again replaces the file rather than adding to it.
    ASSERT_EQ(Merge("merged.csv", {"shard-0.csv", "shard-1.csv"}).status, 0);
    EXPECT_EQ(Contents(At("merged.csv")), Contents(At("whole.csv")));
}

TEST_F(BatchMergeTest, AShardOfAnotherKeyOrKeyFolderIsRefused)
{
    // A key with one more line, and a key folder with one more file, each with a shard of no one.
    std::ofstream(At("other.key"), std::ios::binary) << Contents(At("exam.key")) << "\r\n";
    fs::copy(At("keys"), At("other-keys"));
    std::ofstream(At("other-keys/EXTRA.PSD")) << "x";
    Run(std::string(VANTREL_CLI_PATH) + " batch " + Quoted("other.key") + "--keys " + Quoted("keys") +
        "--answers-root " + Quoted("nobody") + "--out " + Quoted("other-key.csv"));
    Run(std::string(VANTREL_CLI_PATH) + " batch " + Quoted("exam.key") + "--keys " + Quoted("other-keys") +
        "--answers-root " + Quoted("nobody") + "--out " + Quoted("other-folder.csv"));

    for (const char* stranger : {"other-key.csv", "other-folder.csv"}) {
        ASSERT_TRUE(fs::is_regular_file(At(stranger))) << stranger;
        const Finished merged = Merge("refused.csv", {"shard-0.csv", stranger, "shard-1.csv"});
        EXPECT_EQ(merged.status, 1) << stranger;
        EXPECT_TRUE(merged.err.starts_with("vantrel: ")) << merged.err;
        EXPECT_EQ(merged.err.find('\n'), merged.err.size() - 1) << merged.err;
        EXPECT_NE(merged.err.find(stranger), std::string::npos) << merged.err;
        EXPECT_FALSE(fs::exists(At("refused.csv")));
    }
    // Nor is a results file of another key replaced.
    const std::string before = Contents(At("other-key.csv"));
    EXPECT_EQ(Merge("other-key.csv", {"shard-0.csv", "shard-1.csv"}).status, 1);
    EXPECT_EQ(Contents(At("other-key.csv")), before);

    // The shards agree with each other but not with the key the merge is given.
    const Finished againstKey =
        Run(std::string(VANTREL_CLI_PATH) + " batch merge " + Quoted("refused.csv") + Quoted("shard-0.csv") +
            Quoted("shard-1.csv") + "--key " + Quoted("other.key") + "--keys " + Quoted("keys"));
    EXPECT_EQ(againstKey.status, 1);
    EXPECT_FALSE(fs::exists(At("refused.csv")));
}

TEST_F(BatchMergeTest, AnExamineeInTwoShardsIsKeptOnceAndNamed)
{
    // The row with a mark wins over one without, whichever shard comes first.
    Finished merged = Merge("dup-marked.csv", {"crashed-0.csv", "shard-0.csv", "shard-1.csv"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(Contents(At("dup-marked.csv")), Contents(At("whole.csv")));
    EXPECT_NE(merged.err.find("warning: 000 is in " + At("shard-0.csv") + " and " + At("crashed-0.csv") +
                              "; kept the row of " + At("shard-0.csv") + ", which has a mark"),
              std::string::npos)
        << merged.err;
    EXPECT_NE(merged.out.find("4 in more than one shard"), std::string::npos) << merged.out;

    // Between two rows with a mark, the shard given first.
    fs::copy_file(At("shard-1.csv"), At("shard-1-again.csv"));
    fs::copy_file(At("shard-1.csv.jsonl"), At("shard-1-again.csv.jsonl"));
    merged = Merge("dup-first.csv", {"shard-1-again.csv", "shard-0.csv", "shard-1.csv"});
    EXPECT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(Contents(At("dup-first.csv")), Contents(At("whole.csv")));
    EXPECT_NE(merged.err.find("001 is in " + At("shard-1-again.csv") + " and " + At("shard-1.csv") +
                              "; kept the row of " + At("shard-1-again.csv") + ", given first"),
              std::string::npos)
        << merged.err;
}

TEST_F(BatchMergeTest, MissingAndUnmarkedExamineesFailTheMerge)
{
    // A row without a mark stays without one.
    Finished merged = Merge("partial.csv", {"crashed-0.csv"}, "--answers-root " + Quoted("answers"));
    EXPECT_EQ(merged.status, 1);
    EXPECT_EQ(Contents(At("partial.csv")), Contents(At("crashed-0.csv")));
    EXPECT_NE(merged.out.find("without a mark: 000\n"), std::string::npos) << merged.out;
    EXPECT_NE(merged.out.find("missing, in no shard: 001, 003, 005, 007\n"), std::string::npos) << merged.out;

    merged = Merge("half.csv", {"shard-1.csv"}, "--answers-root " + Quoted("answers"));
    EXPECT_EQ(merged.status, 1);
    EXPECT_NE(merged.out.find("missing, in no shard: 000, 002, 004, 006\n"), std::string::npos) << merged.out;

    // A shard that never ran is refused, not taken for an empty one.
    merged = Merge("gap.csv", {"shard-0.csv", "shard-9.csv"});
    EXPECT_EQ(merged.status, 1);
    EXPECT_FALSE(fs::exists(At("shard-9.csv")));
    EXPECT_FALSE(fs::exists(At("gap.csv")));
}

TEST_F(BatchMergeTest, MisnamedShardsAreUsageErrors)
{
    EXPECT_EQ(Merge("twice.csv", {"shard-0.csv", "shard-0.csv"}).status, 2);
    EXPECT_EQ(Merge("shard-0.csv", {"shard-0.csv", "shard-1.csv"}).status, 2);
    EXPECT_EQ(Merge("reports.csv", {"shard-0.csv", "shard-1.csv"}, "--shard-reports " + Quoted("report-0")).status, 2);
    // Grading still asks for what it needs; only merge goes without.
    EXPECT_EQ(Run(std::string(VANTREL_CLI_PATH) + " batch --keys " + Quoted("keys")).status, 2);
    EXPECT_EQ(Merge("twice.csv", {}).status, 2);
}

}  // namespace
