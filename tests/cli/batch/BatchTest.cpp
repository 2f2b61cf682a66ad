// `vantrel batch` end to end: faults in workers, resuming after SIGKILL, refusing another
// key's results, shards, and captures written from what grading compared.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ClassExam.h"
#include "PsdWriter.h"
#include "TempDirectory.h"

namespace {

using vantrel::testing::ExamineeName;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override { vantrel::testing::WriteClassExam(root.Path().string(), {8, 80, 60}); }

    std::string At(const std::string& name) const { return root / name; }
    std::string Batch(const std::string& out, const std::string& more = "") const
    {
        return " batch '" + At("exam.key") + "' --keys '" + At("keys") + "' --answers-root '" + At("answers") +
               "' --out '" + out + "' " + more;
    }
    // Runs a command line (already quoted for the shell) with stderr to a file.
    Outcome Run(const std::string& command) const
    {
        const std::string errFile = At("stderr.txt");
        Outcome outcome;
        FILE* pipe = ::popen((command + " 2>'" + errFile + "'").c_str(), "r");
        if (!pipe) return outcome;
        std::array<char, 4096> buffer;
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) outcome.out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.err = ReadText(errFile);
        return outcome;
    }
    std::string GradeAlone(const std::string& examinee) const
    {
        Outcome graded = Run(std::string(VANTREL_CLI_PATH) + " grade '" + At("exam.key") + "' --answers '" +
                             At("answers/" + examinee) + "' --keys '" + At("keys") + "'");
        return graded.out.substr(0, graded.out.find('\n'));
    }
    // Examinee -> {mark, status}, from a CSV results file.
    std::map<std::string, std::pair<std::string, std::string>> Rows(const std::string& csv) const
    {
        std::map<std::string, std::pair<std::string, std::string>> rows;
        const auto lines = Lines(ReadText(csv));
        for (std::size_t i = 2; i < lines.size(); ++i) {
            std::vector<std::string> fields;
            std::stringstream in(lines[i]);
            for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
            if (fields.size() >= 3) rows[fields[0]] = {fields[1], fields[2]};
        }
        return rows;
    }

    vantrel::testing::TempDirectory root;
    const std::string faulty = VANTREL_CLI_FAULTS_PATH;
};

// A header that claims the largest document the format allows, with no pixels behind it.
void PlantGiantHeader(const std::string& path)
{
    vantrel::testing::PsdSpec psd;
    psd.width = 2;
    psd.height = 2;
    std::vector<std::uint8_t> bytes = vantrel::testing::WritePsd(psd);
    for (int offset : {14, 18}) {  // height, then width, big-endian
        const std::uint32_t side = 30000;
        for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(side >> (24 - 8 * i));
    }
    vantrel::testing::WriteFile(path, bytes);
}

TEST_F(BatchTest, ACrashAHangAndAGiantHeaderAreReportedAndEveryOtherMarkIsGradesOwn)
{
    PlantGiantHeader(At("answers/004/A.PSD"));
    const std::string out = At("results.csv");
    const Outcome batch = Run("VANTREL_TEST_CRASH_EXAMINEE=001 VANTREL_TEST_HANG_EXAMINEE=003 " + faulty +
                              Batch(out, "--jobs 2 --timeout 3"));
    EXPECT_EQ(batch.status, 1) << batch.err;  // some examinees could not be graded
    EXPECT_NE(batch.out.find("graded 6, failed 2, skipped 0"), std::string::npos) << batch.out;

    const auto rows = Rows(out);
    ASSERT_EQ(rows.size(), 8u) << ReadText(out);
    EXPECT_EQ(rows.at("001"), std::make_pair(std::string(), std::string("crashed: signal 6")));
    EXPECT_EQ(rows.at("003"), std::make_pair(std::string(), std::string("timed out")));
    for (const std::string examinee : {"000", "002", "004", "005", "006", "007"}) {
        EXPECT_EQ(rows.at(examinee).second, "graded") << examinee;
        EXPECT_EQ(rows.at(examinee).first, GradeAlone(examinee)) << examinee;
    }
    // The giant header is an RGB document of three channels but not 80 x 60, and has no pixels
    // to show: only the colour-mode block, weight 1, scores.
    EXPECT_EQ(rows.at("004").first, "0.1");

    // The command as shipped has no fault switch.
    const std::string shipped = At("shipped.csv");
    Run("VANTREL_TEST_CRASH_EXAMINEE=001 VANTREL_TEST_HANG_EXAMINEE=003 " + std::string(VANTREL_CLI_PATH) +
        Batch(shipped, "--jobs 2 --timeout 3"));
    EXPECT_EQ(Rows(shipped).at("001").second, "graded");
    EXPECT_EQ(Rows(shipped).at("003").second, "graded");
}

TEST_F(BatchTest, KilledOutrightMidwayAndRunAgainItWritesTheSameFile)
{
    // Examinee 005 hangs until the timeout, which holds every later result back: the kill
    // lands with 000 to 004 written and the others graded but not yet in the file.
    const std::string whole = At("whole.csv");
    const std::string faults = "VANTREL_TEST_HANG_EXAMINEE=005 ";
    ASSERT_EQ(Run(faults + faulty + Batch(whole, "--jobs 2 --timeout 3")).status, 1);

    const std::string resumed = At("resumed.csv");
    const pid_t pid = ::fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        ::setenv("VANTREL_TEST_HANG_EXAMINEE", "005", 1);
        ::execl("/bin/sh", "sh", "-c", ("exec " + faulty + Batch(resumed, "--jobs 2 --timeout 3") + " >/dev/null 2>&1").c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Lines(ReadText(resumed)).size() < 2 + 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto atKill = Lines(ReadText(resumed));
    ASSERT_EQ(atKill.size(), 2u + 5u);
    EXPECT_EQ(atKill.back().substr(0, 4), "004,");

    // A line torn by the kill is dropped, not kept or doubled.
    std::ofstream(resumed, std::ios::app) << "005,0.12";
    const Outcome again = Run(faults + faulty + Batch(resumed, "--jobs 2 --timeout 3"));
    EXPECT_NE(again.out.find("skipped 5"), std::string::npos) << again.out;
    EXPECT_EQ(ReadText(resumed), ReadText(whole));
}

TEST_F(BatchTest, ResultsForAnotherKeyOrKeyFolderAreRefusedInOneLine)
{
    const std::string out = At("results.jsonl");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    const std::string written = ReadText(out);
    ASSERT_EQ(Lines(written).size(), 1u + 8u);
    EXPECT_TRUE(nlohmann::json::parse(Lines(written)[1])["blocks"][2].contains("effects"));

    // A resumed run with nothing left to grade adds nothing.
    EXPECT_NE(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).out.find("graded 0, failed 0, skipped 8"),
              std::string::npos);
    EXPECT_EQ(ReadText(out), written);

    // A block of weight 0: another key, yet one the key check has nothing to say about.
    std::ofstream(At("exam.key"), std::ios::app) << "\r\n&&0";
    const Outcome otherKey = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(otherKey.status, 1);
    EXPECT_NE(otherKey.err.find("was written for another answer key"), std::string::npos) << otherKey.err;
    EXPECT_EQ(std::count(otherKey.err.begin(), otherKey.err.end(), '\n'), 1);

    const std::string key = ReadText(At("exam.key"));
    std::ofstream(At("exam.key"), std::ios::binary) << key.substr(0, key.size() - 5);
    std::ofstream(At("keys/EXTRA.PSD")) << "x";
    const Outcome otherFolder = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(otherFolder.status, 1);
    EXPECT_NE(otherFolder.err.find("was written for another key folder"), std::string::npos) << otherFolder.err;
    EXPECT_EQ(ReadText(out), written);
}

TEST_F(BatchTest, ShardsConcatenateIntoTheWholeClass)
{
    const std::string whole = At("whole.csv");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(whole, "--jobs 1")).status, 0);
    std::string joined;
    for (int shard = 0; shard < 3; ++shard) {
        const std::string part = At("shard" + std::to_string(shard) + ".csv");
        ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(part, "--shard " + std::to_string(shard) + "/3")).status, 0);
        const auto lines = Lines(ReadText(part));
        // Examinees 0, 3, 6 go to shard 0; 1, 4, 7 to shard 1; 2, 5 to shard 2.
        EXPECT_EQ(lines.size(), 2u + (shard == 2 ? 2u : 3u));
        EXPECT_EQ(lines.at(2).substr(0, 4), ExamineeName(shard) + ",");
        joined += ReadText(part);
    }
    auto sorted = [](std::vector<std::string> lines) {
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        return lines;
    };
    EXPECT_EQ(sorted(Lines(joined)), sorted(Lines(ReadText(whole))));

    // The concatenation is a results file in its own right: resuming from it grades no one.
    const std::string concatenated = At("joined.csv");
    std::ofstream(concatenated, std::ios::binary) << joined;
    EXPECT_NE(Run(std::string(VANTREL_CLI_PATH) + Batch(concatenated)).out.find("skipped 8"), std::string::npos);
    EXPECT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(whole, "--shard 3/3")).status, 2);
}

TEST_F(BatchTest, CapturesAreTheImagesGradingCompared)
{
    const std::string report = At("report");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(At("r.csv"), "--report '" + report + "'")).status, 0);
    const std::string captures = At("captures");
    const Outcome graded = Run(std::string(VANTREL_CLI_PATH) + " grade '" + At("exam.key") + "' --answers '" +
                               At("answers/001") + "' --keys '" + At("keys") + "' --json --captures '" + captures + "'");
    ASSERT_EQ(graded.status, 0) << graded.err;
    const auto json = nlohmann::json::parse(graded.out);
    const auto& partial = json["blocks"][4]["effects"][0]["captures"];
    for (const char* role : {"examinee", "reference", "initial", "examinee_change", "reference_change"})
        ASSERT_TRUE(partial.contains(role)) << role;

    // The examinee's capture is what the capture command shows of the document...
    const std::string shown = At("shown.png");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + " capture '" + At("answers/001/A.PSD") + "' -o '" + shown + "'").status, 0);
    const std::string examinee = ReadText(captures + "/" + partial["examinee"].get<std::string>());
    EXPECT_FALSE(examinee.empty());
    EXPECT_EQ(examinee, ReadText(shown));
    // ...and the report holds the very same files the grade command wrote.
    const auto html = ReadText(report + "/index.html");
    const std::string name = partial["reference_change"].get<std::string>();
    const std::size_t at = html.find("examinees/001-");
    ASSERT_NE(at, std::string::npos);
    const std::string folder = html.substr(at, html.find('/', at + 10) - at);
    EXPECT_EQ(ReadText(report + "/" + folder + "/" + name), ReadText(captures + "/" + name));
    EXPECT_NE(html.find("image-rendering: pixelated"), std::string::npos);
    EXPECT_EQ(html.find("<script src"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(BatchTest, AFolderNameThatIsNotUtf8IsResumedByItsBytes)
{
    std::filesystem::rename(At("answers/001"), At("answers/b\xFF\xFEob"));
    const std::string out = At("results.jsonl");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    const std::string written = ReadText(out);
    EXPECT_NE(written.find("\"examinee\":\"b\xEF\xBF\xBD\xEF\xBF\xBDob\""), std::string::npos);
    EXPECT_NE(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).out.find("skipped 8"), std::string::npos);
    EXPECT_EQ(ReadText(out), written);
}

TEST_F(BatchTest, TheKeyIsCheckedFirstAndStrictRefusesAKeyWithWarnings)
{
    std::string key = ReadText(At("exam.key"));
    key += "\r\n&&0 IMAGE(WIDHT=640)";
    vantrel::testing::WriteFile(At("exam.key"), std::vector<std::uint8_t>(key.begin(), key.end()));

    const std::string strict = At("strict.csv");
    const Outcome refused = Run(std::string(VANTREL_CLI_PATH) + Batch(strict, "--strict"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("vantrel: warning: key line 7: WIDHT=640 is ignored"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(strict));

    const std::string graded = At("graded.csv");
    const Outcome warned = Run(std::string(VANTREL_CLI_PATH) + Batch(graded, "--shard 0/8"));
    EXPECT_EQ(warned.status, 0) << warned.err;
    EXPECT_NE(warned.err.find("vantrel: warning: key line 7: WIDHT=640 is ignored"), std::string::npos) << warned.err;
    EXPECT_EQ(Rows(graded).at("000").second, "graded");
}

}  // namespace
