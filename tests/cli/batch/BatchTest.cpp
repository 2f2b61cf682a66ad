// `vantrel batch` end to end: faults in workers, resuming after SIGKILL, refusing another
// key's results, shards, and captures written from what grading compared.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
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
    // Examinee -> {mark as `grade` prints it, status}, from the record a results file keeps.
    std::map<std::string, std::pair<std::string, std::string>> Rows(const std::string& out) const
    {
        std::map<std::string, std::pair<std::string, std::string>> rows;
        const auto lines = Lines(ReadText(Record(out)));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const auto row = nlohmann::json::parse(lines[i], nullptr, false);
            if (!row.is_object()) continue;
            std::string mark;
            if (row["mark"].is_number()) {
                char buffer[64];
                mark.assign(buffer, std::to_chars(buffer, buffer + sizeof buffer, row["mark"].get<double>()).ptr);
            }
            rows[row["examinee"].get<std::string>()] = {mark, row["status"].get<std::string>()};
        }
        return rows;
    }
    // The record of a CSV results file, or a .jsonl results file itself.
    static std::string Record(const std::string& out) { return out.ends_with(".csv") ? out + ".jsonl" : out; }

    // Starts the faults build on the class in the background, hanging on one examinee until
    // a 3 s timeout; -1 when it cannot.
    pid_t StartHangingBatch(const std::string& hanging, const std::string& out) const
    {
        const std::string command = "exec " + faulty + Batch(out, "--jobs 2 --timeout 3") + " >/dev/null 2>&1";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("VANTREL_TEST_HANG_EXAMINEE", hanging.c_str(), 1);
            ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    }
    // Waits up to a minute for a file to hold this many lines.
    static void WaitForLines(const std::string& path, std::size_t count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (Lines(ReadText(path)).size() < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
        if (examinee != "004") {
            EXPECT_EQ(rows.at(examinee).second, "graded") << examinee;
        }
        EXPECT_EQ(rows.at(examinee).first, GradeAlone(examinee)) << examinee;
    }
    // The giant header is an RGB document of three channels but not 80 x 60, and has no pixels
    // to show: only the colour-mode block, weight 1, scores, and the status says why.
    EXPECT_EQ(rows.at("004").first, "0.1");
    EXPECT_EQ(rows.at("004").second, "unreadable: A.PSD (truncated image data)");

    // The command as shipped has no fault switch.
    const std::string shipped = At("shipped.csv");
    Run("VANTREL_TEST_CRASH_EXAMINEE=001 VANTREL_TEST_HANG_EXAMINEE=003 " + std::string(VANTREL_CLI_PATH) +
        Batch(shipped, "--jobs 2 --timeout 3"));
    EXPECT_EQ(Rows(shipped).at("001").second, "graded");
    EXPECT_EQ(Rows(shipped).at("003").second, "graded");

    // Resumed without retries, the two without a mark stay without one (never read as 0): the
    // marks are the other six.
    const Outcome resumed = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--no-retry"));
    EXPECT_NE(resumed.out.find("skipped 8"), std::string::npos) << resumed.out;
    EXPECT_NE(resumed.out.find(" over 6 examinees"), std::string::npos) << resumed.out;
}

// AddressSanitizer reserves terabytes of address space, so a batch built with it caps no worker.
constexpr bool kWorkersUncapped = VANTREL_SANITIZED;

// Grading turns a worker's own trouble into low scores without a word; a batch must give no
// mark and say why instead.
TEST_F(BatchTest, AWorkerOutOfMemoryOrRaisingAMessageGivesNoMarkRatherThanALowOne)
{
    const std::string out = At("message.csv");
    const Outcome message = Run("VANTREL_TEST_MESSAGE_EXAMINEE=002 " + faulty + Batch(out, "--jobs 2"));
    EXPECT_EQ(message.status, 1) << message.err;
    const auto rows = Rows(out);
    ASSERT_EQ(rows.size(), 8u) << ReadText(out);
    EXPECT_EQ(rows.at("002").first, "");
    EXPECT_EQ(rows.at("002").second.rfind("failed: the grading showed the message \"Start Photoshop", 0), 0u)
        << rows.at("002").second;
    for (const std::string examinee : {"000", "001", "003", "007"}) EXPECT_EQ(rows.at(examinee).first, GradeAlone(examinee));

    if (kWorkersUncapped) GTEST_SKIP() << "workers run without a memory cap under AddressSanitizer";
    for (const int mebibytes : {1, 2, 4, 8}) {
        const std::string capped = At("capped" + std::to_string(mebibytes) + ".csv");
        const Outcome batch = Run(std::string(VANTREL_CLI_PATH) +
                                  Batch(capped, "--jobs 2 --worker-memory " + std::to_string(mebibytes)));
        EXPECT_EQ(batch.status, 1) << mebibytes << " MiB: " << batch.err;
        const auto cappedRows = Rows(capped);
        ASSERT_EQ(cappedRows.size(), 8u) << ReadText(capped);
        for (const auto& [examinee, row] : cappedRows) {
            EXPECT_EQ(row.first, "") << mebibytes << " MiB, " << examinee;
            EXPECT_EQ(row.second.rfind("failed: out of memory", 0), 0u) << mebibytes << " MiB, " << examinee << ": " << row.second;
        }
    }
}

TEST_F(BatchTest, KilledOutrightMidwayAndRunAgainItWritesTheSameFile)
{
    // Examinee 005 hangs until the timeout, which holds every later result back: the kill
    // lands with 000 to 004 written and the others graded but not yet in the file.
    const std::string whole = At("whole.csv");
    const std::string faults = "VANTREL_TEST_HANG_EXAMINEE=005 ";
    ASSERT_EQ(Run(faults + faulty + Batch(whole, "--jobs 2 --timeout 3")).status, 1);

    const std::string resumed = At("resumed.csv");
    const pid_t pid = StartHangingBatch("005", resumed);
    ASSERT_NE(pid, -1);
    WaitForLines(Record(resumed), 1 + 5);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto atKill = Lines(ReadText(Record(resumed)));
    ASSERT_EQ(atKill.size(), 1u + 5u);
    EXPECT_EQ(nlohmann::json::parse(atKill.back())["examinee"], "004");

    // A line torn by the kill is dropped, not kept or doubled.
    std::ofstream(Record(resumed), std::ios::app) << "{\"examinee\":\"005\",\"mark\":0.1";
    const Outcome again = Run(faults + faulty + Batch(resumed, "--jobs 2 --timeout 3"));
    EXPECT_NE(again.out.find("skipped 5"), std::string::npos) << again.out;
    EXPECT_EQ(ReadText(Record(resumed)), ReadText(Record(whole)));
    EXPECT_EQ(ReadText(resumed), ReadText(whole));

    // Cut down to its identity line, the record gets every examinee back.
    std::ofstream(Record(resumed), std::ios::binary | std::ios::trunc) << atKill.at(0) << "\n";
    Run(faults + faulty + Batch(resumed, "--jobs 2 --timeout 3"));
    EXPECT_EQ(ReadText(Record(resumed)), ReadText(Record(whole)));
    EXPECT_EQ(ReadText(resumed), ReadText(whole));
}

TEST_F(BatchTest, RowsWithoutAMarkAreGradedAgainUnlessKeptAndTheExitStatusSaysSoWhileAnyRemain)
{
    const std::string out = At("results.csv");
    // An examinee given to the worker started after 001's crash is timed with that start
    // included: a sanitised build on a busy machine once took over 2 s for 002.
    ASSERT_EQ(Run("VANTREL_TEST_CRASH_EXAMINEE=001 VANTREL_TEST_HANG_EXAMINEE=003 " + faulty +
                  Batch(out, "--jobs 2 --timeout 4")).status, 1);
    const std::string withFailures = ReadText(out);

    const Outcome kept = Run(faulty + Batch(out, "--no-retry"));
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.out.find("graded 0, failed 0, skipped 8"), std::string::npos) << kept.out;
    EXPECT_NE(kept.out.find("without a mark: 2 (001, 003)"), std::string::npos) << kept.out;
    EXPECT_EQ(ReadText(out), withFailures);

    const Outcome retried = Run(faulty + Batch(out));
    EXPECT_EQ(retried.status, 0) << retried.out << retried.err;
    EXPECT_NE(retried.out.find("grading again: 2 without a mark"), std::string::npos) << retried.out;
    EXPECT_NE(retried.out.find("graded 2, failed 0, skipped 6"), std::string::npos) << retried.out;
    EXPECT_EQ(retried.out.find("without a mark:"), std::string::npos) << retried.out;
    // Each examinee keeps one row: the failed ones are replaced, not followed by a second.
    EXPECT_EQ(Lines(ReadText(out)).size(), 1u + 8u) << ReadText(out);
    for (const auto& [examinee, row] : Rows(out)) {
        EXPECT_EQ(row.second, "graded") << examinee;
        EXPECT_EQ(row.first, GradeAlone(examinee)) << examinee;
    }
}

TEST_F(BatchTest, AResumedRunGradesAgainWhoseDocumentsChangedAndWhoeverItIsAskedTo)
{
    const std::string out = At("results.csv");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    const std::string graded = ReadText(out);

    // A copy of the class with its times kept holds the same documents: nobody is graded again.
    ASSERT_EQ(std::system(("cp -a '" + At("answers") + "' '" + At("copied") + "'").c_str()), 0);
    const std::string fromCopy = " batch '" + At("exam.key") + "' --keys '" + At("keys") + "' --answers-root '" +
                                 At("copied") + "' --out '" + out + "'";
    EXPECT_NE(Run(std::string(VANTREL_CLI_PATH) + fromCopy).out.find("graded 0, failed 0, skipped 8"), std::string::npos);
    EXPECT_EQ(ReadText(out), graded);

    namespace fs = std::filesystem;
    // 002: one byte of its pixels rewritten in place, its modification time put back.
    const std::string edited = At("answers/002/A.PSD");
    const auto time = fs::last_write_time(edited);
    std::string bytes = ReadText(edited);
    bytes[bytes.size() - 7] = static_cast<char>(bytes[bytes.size() - 7] ^ 0x40);
    std::ofstream(edited, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    fs::last_write_time(edited, time);
    // 004: touched; 006: another examinee's document handed in instead.
    fs::last_write_time(At("answers/004/A.PSD"), fs::last_write_time(At("answers/004/A.PSD")) + std::chrono::seconds(10));
    fs::copy_file(At("answers/000/A.PSD"), At("answers/006/A.PSD"), fs::copy_options::overwrite_existing);

    const Outcome changed = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(changed.status, 0) << changed.err;
    EXPECT_NE(changed.out.find("grading again: 3 whose documents changed"), std::string::npos) << changed.out;
    EXPECT_NE(changed.out.find("graded 3, failed 0, skipped 5"), std::string::npos) << changed.out;
    const auto rows = Rows(out);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(Lines(ReadText(out)).size(), 1u + 8u);
    EXPECT_EQ(rows.at("006").first, rows.at("000").first);
    for (const std::string examinee : {"002", "004"}) EXPECT_EQ(rows.at(examinee).first, GradeAlone(examinee));

    const Outcome asked = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--regrade 001 005"));
    EXPECT_NE(asked.out.find("grading again: 2 asked for"), std::string::npos) << asked.out;
    EXPECT_NE(asked.out.find("graded 2, failed 0, skipped 6"), std::string::npos) << asked.out;
    const Outcome unknown = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--regrade 099"));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "vantrel: --regrade: no examinee 099 in " + At("answers") + "\n");
}

TEST_F(BatchTest, ASecondRunOnTheSameResultsFileIsRefusedWhileTheFirstRuns)
{
    // The first run hangs on its first examinee until the timeout, holding the file all along.
    const std::string out = At("results.csv");
    const pid_t first = StartHangingBatch("000", out);
    ASSERT_NE(first, -1);
    WaitForLines(out, 1);

    const Outcome second = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.err, "vantrel: " + out + " is in use by another vantrel batch (process " + std::to_string(first) +
                              "); wait for it to end\n");
    EXPECT_EQ(second.out, "");

    int status = 0;
    ::waitpid(first, &status, 0);
    EXPECT_EQ(Lines(ReadText(out)).size(), 1u + 8u) << ReadText(out);
    EXPECT_FALSE(std::filesystem::exists(out + ".lock"));
    // Once the first has ended, the file is free again.
    EXPECT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
}

TEST_F(BatchTest, HiddenFoldersAndAMacZipsFolderAreSkippedAndCountInNoStatistic)
{
    namespace fs = std::filesystem;
    for (const std::string stray : {".git", "__MACOSX", "__MACOSX/000"}) fs::create_directories(At("answers/" + stray));
    // A Mac's zip keeps resource forks under __MACOSX named like the documents: nothing to grade.
    std::ofstream(At("answers/__MACOSX/000/._A.PSD")) << "\0\5\26\7";
    fs::copy_file(At("answers/000/A.PSD"), At("answers/.git/A.PSD"));

    const std::string out = At("results.csv");
    const std::string report = At("report");
    const Outcome batch = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--report '" + report + "'"));
    EXPECT_EQ(batch.status, 0) << batch.err;
    EXPECT_NE(batch.out.find("skipped, not examinees: .git, __MACOSX\n"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("graded 8, failed 0, skipped 0"), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find("over 8 examinees"), std::string::npos) << batch.out;
    const auto rows = Rows(out);
    EXPECT_EQ(rows.size(), 8u);
    EXPECT_FALSE(rows.contains(".git"));
    EXPECT_FALSE(rows.contains("__MACOSX"));
    const std::string html = ReadText(report + "/index.html");
    EXPECT_NE(html.find("<p>8 examinees."), std::string::npos);
    EXPECT_EQ(html.find("MACOSX"), std::string::npos);
}

// The report's figures count an examinee without a mark apart: a crashed worker is not a 0.
TEST_F(BatchTest, TheReportsSummaryLeavesExamineesWithoutAMarkOutOfItsFigures)
{
    const std::string out = At("results.csv");
    const std::string report = At("report");
    const Outcome batch = Run("VANTREL_TEST_CRASH_EXAMINEE=001 " + faulty +
                              Batch(out, "--jobs 2 --pass-mark 0.6 --report '" + report + "'"));
    EXPECT_EQ(batch.status, 1) << batch.err;
    std::vector<double> marks;
    for (const auto& [examinee, row] : Rows(out))
        if (!row.first.empty()) marks.push_back(std::stod(row.first));
    ASSERT_EQ(marks.size(), 7u);
    std::sort(marks.begin(), marks.end());
    const double mean = std::accumulate(marks.begin(), marks.end(), 0.0) / 7;
    const long passed = std::count_if(marks.begin(), marks.end(), [](double mark) { return mark >= 0.6; });
    ASSERT_GT(passed, 0);
    ASSERT_LT(passed, 7);

    const std::string html = ReadText(report + "/index.html");
    auto figure = [&](const std::string& stat) {
        const std::string opener = "data-stat=\"" + stat + "\" data-value=\"";
        const std::size_t at = html.find(opener);
        if (at == std::string::npos) return std::string("absent");
        const std::size_t from = at + opener.size();
        return html.substr(from, html.find('"', from) - from);
    };
    EXPECT_EQ(figure("marked"), "7");
    EXPECT_EQ(figure("unmarked"), "1");
    EXPECT_NEAR(std::stod(figure("mean")), mean, 1e-12);
    EXPECT_NEAR(std::stod(figure("median")), marks[3], 1e-12);
    EXPECT_EQ(figure("passed"), std::to_string(passed));
    EXPECT_NE(html.find("pass mark 0.6"), std::string::npos);

    EXPECT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--pass-mark 1.5")).status, 2);
}

// A folder's name is text on the page wherever it appears, never markup.
TEST_F(BatchTest, TheReportShowsAnExamineesNameAsText)
{
    std::filesystem::rename(At("answers/002"), At("answers/<img src=x onerror='a()'>&"));
    const std::string report = At("report");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(At("r.csv"), "--report '" + report + "'")).status, 0);
    const std::string html = ReadText(report + "/index.html");
    EXPECT_EQ(html.find("<img src=x"), std::string::npos);
    EXPECT_NE(html.find(">&lt;img src=x onerror=&#39;a()&#39;&gt;&amp;</a>"), std::string::npos);
}

// An editor that saves UTF-8 with a byte-order mark says what the key is; without --codepage the
// names in it are then not read as CP936.
TEST_F(BatchTest, AKeyWithAUtf8ByteOrderMarkIsReadAsUtf8UnlessACodePageIsGiven)
{
    const std::string poster = "\xE6\xB5\xB7\xE6\x8A\xA5.PSD";  // 海报.PSD
    std::ofstream(At("exam.key"), std::ios::binary) << "\xEF\xBB\xBF" "DESTFILE=" << poster << "\r\n&&10 EFFECT(SOURCEFILE=R.PSD)\r\n";
    // Saved as the examinee's editor named it; names match without regard to case.
    std::filesystem::copy_file(At("keys/R.PSD"), At("answers/000/\xE6\xB5\xB7\xE6\x8A\xA5.psd"));

    const Outcome marked = Run(std::string(VANTREL_CLI_PATH) + Batch(At("marked.csv")));
    EXPECT_EQ(marked.status, 0) << marked.err;
    EXPECT_EQ(Rows(At("marked.csv")).at("000").first, "1");
    EXPECT_EQ(Rows(At("marked.csv")).at("001").first, "0");
    EXPECT_EQ(GradeAlone("000"), "1");

    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(At("cp936.csv"), "--codepage cp936")).status, 0);
    EXPECT_EQ(Rows(At("cp936.csv")).at("000").first, "0");
}

// A full disk is played by a file-size limit, with the signal that would end the process
// ignored: writes past the limit then fail as they would on a full disk.
TEST_F(BatchTest, AnOutThatIsAFolderADeviceOrOnAFullDiskIsOneLineAndOnlySavedRowsCount)
{
    std::filesystem::create_directories(At("folder"));
    for (const std::string& out : {At("folder"), std::string("/dev/full")}) {
        const Outcome refused = Run("timeout 60 " + std::string(VANTREL_CLI_PATH) + Batch(out));
        EXPECT_EQ(refused.status, 2) << out;
        EXPECT_EQ(refused.err.rfind("vantrel: --out " + out + " is ", 0), 0u) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }

    const std::string full = "trap '' XFSZ; ulimit -f 1; exec ";
    const std::string out = At("results.csv");
    const Outcome batch = Run(full + VANTREL_CLI_PATH + Batch(out));
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(batch.err.rfind("vantrel: cannot write " + Record(out) + ": ", 0), 0u) << batch.err;
    EXPECT_EQ(std::count(batch.err.begin(), batch.err.end(), '\n'), 1) << batch.err;
    const std::string record = ReadText(Record(out));
    const std::size_t saved = Lines(record).size() - 1 - (record.back() == '\n' ? 0 : 1);
    ASSERT_LT(saved, 8u);
    EXPECT_EQ(Lines(ReadText(out)).size(), 1 + saved);
    EXPECT_NE(batch.out.find("graded " + std::to_string(saved) + ", failed 0"), std::string::npos) << batch.out;

    // 24 KiB in the shell's 512-byte blocks: the record and each capture fit, the report's page does not.
    const std::string report = At("report");
    const Outcome reported = Run("trap '' XFSZ; ulimit -f 48; exec " + std::string(VANTREL_CLI_PATH) +
                                 Batch(At("reported.csv"), "--report '" + report + "'"));
    EXPECT_EQ(reported.status, 1);
    EXPECT_EQ(reported.err.rfind("vantrel: cannot write " + report + "/index.html", 0), 0u) << reported.err;
    EXPECT_FALSE(std::filesystem::exists(report + "/index.html.part"));
    EXPECT_FALSE(std::filesystem::exists(report + "/index.html"));
}

TEST_F(BatchTest, RowsEditedByHandIntoNonsenseDoNotStopTheBatch)
{
    const std::string out = At("results.jsonl");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    std::ofstream(out, std::ios::app) << "{\"examinee\":5,\"status\":[],\"documents\":{}}\n"
                                      << "{\"examinee_bytes\":\"zz\",\"mark\":\"1\"}\n";
    const Outcome resumed = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.err, "");
    EXPECT_NE(resumed.out.find("skipped 8"), std::string::npos) << resumed.out;

    // Saved again with CR LF line ends, it is still this key's record.
    std::string crlf;
    for (const std::string& line : Lines(ReadText(out))) crlf += line + "\r\n";
    std::ofstream(out, std::ios::binary | std::ios::trunc) << crlf;
    const Outcome fromCrlf = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(fromCrlf.status, 0) << fromCrlf.err;
    EXPECT_NE(fromCrlf.out.find("skipped 8"), std::string::npos) << fromCrlf.out;
}

// Marks edited by hand beyond 0 to 1 still fall in the histogram's end bars, each counted once.
TEST_F(BatchTest, MarksEditedByHandOutOfRangeLandInTheHistogramsEndBars)
{
    const std::string out = At("results.jsonl");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    std::string edited;
    const std::map<std::string, double> marks = {{"000", -5}, {"001", -1}, {"002", 1e300}};
    for (const std::string& line : Lines(ReadText(out))) {
        auto row = nlohmann::json::parse(line);
        if (row.contains("examinee") && marks.contains(row["examinee"])) row["mark"] = marks.at(row["examinee"]);
        edited += row.dump() + "\n";
    }
    std::ofstream(out, std::ios::binary) << edited;

    const std::string report = At("report");
    const Outcome resumed = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--report '" + report + "'"));
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("skipped 8"), std::string::npos) << resumed.out;
    EXPECT_NE(resumed.out.find(" over 8 examinees\n"), std::string::npos) << resumed.out;  // the whole line, however long
    const std::string html = ReadText(report + "/index.html");
    std::map<std::string, int> bars;
    const std::size_t histogram = html.find("<svg id=\"histogram\"");
    ASSERT_NE(histogram, std::string::npos);
    const std::size_t end = html.find("</svg>", histogram);
    for (std::size_t at = html.find("<title>", histogram); at < end; at = html.find("<title>", at + 1)) {
        const std::size_t colon = html.find(": ", at);
        bars[html.substr(at + 7, colon - at - 7)] = std::stoi(html.substr(colon + 2));
    }
    int counted = 0;
    for (const auto& [range, count] : bars) counted += count;
    EXPECT_EQ(counted, 8);
    EXPECT_GE(bars["0.0 to 0.1"], 2);
    EXPECT_GE(bars["0.9 to 1.0"], 1);
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
    const std::string whole = At("whole.jsonl");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(whole, "--jobs 1")).status, 0);
    std::string joined;
    for (int shard = 0; shard < 3; ++shard) {
        const std::string part = At("shard" + std::to_string(shard) + ".jsonl");
        ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(part, "--shard " + std::to_string(shard) + "/3")).status, 0);
        const auto lines = Lines(ReadText(part));
        // Examinees 0, 3, 6 go to shard 0; 1, 4, 7 to shard 1; 2, 5 to shard 2.
        EXPECT_EQ(lines.size(), 1u + (shard == 2 ? 2u : 3u));
        EXPECT_EQ(nlohmann::json::parse(lines.at(1))["examinee"], ExamineeName(shard));
        joined += ReadText(part);
    }
    auto sorted = [](std::vector<std::string> lines) {
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        return lines;
    };
    EXPECT_EQ(sorted(Lines(joined)), sorted(Lines(ReadText(whole))));

    // The concatenation is a results file in its own right: resuming from it grades no one.
    const std::string concatenated = At("joined.jsonl");
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
    // ...and the report holds the very same images the grade command wrote.
    const auto html = ReadText(report + "/index.html");
    const std::size_t at = html.find("examinees/001-");
    ASSERT_NE(at, std::string::npos);
    const std::string folder = report + "/" + html.substr(at, html.find('/', at + 10) - at);
    const auto reported = nlohmann::json::parse(ReadText(folder + "/detail.json"))["blocks"][4]["effects"][0]["captures"];
    for (const char* role : {"examinee", "reference", "initial", "examinee_change", "reference_change"})
        EXPECT_EQ(ReadText(folder + "/" + reported[role].get<std::string>()),
                  ReadText(captures + "/" + partial[role].get<std::string>())) << role;
    EXPECT_NE(html.find("image-rendering: pixelated"), std::string::npos);
    EXPECT_EQ(html.find("<script src"), std::string::npos);
}

}  // namespace

namespace {

// Folders unzipped from a zip made on Chinese Windows are named in GBK: every output shows the
// name as UTF-8 text, and a resumed run still finds the folder by its bytes.
TEST_F(BatchTest, FolderNamesInGbkAreWrittenAsUtf8AndResumedByTheirBytes)
{
    const std::string gbk = "\xBA\xA3\xB1\xA8";          // 海报 in GBK
    const std::string utf8 = "\xE6\xB5\xB7\xE6\x8A\xA5";  // 海报 in UTF-8
    std::filesystem::rename(At("answers/001"), At("answers/" + gbk));
    std::filesystem::rename(At("answers/003"), At("answers/b\xFFob"));  // no code page makes \xFF a character
    std::filesystem::rename(At("answers/002"), At("answers/q\"u,o"));
    const std::string out = At("results.jsonl");
    const std::string csv = At("results.csv");
    const std::string report = At("report");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(out)).status, 0);
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(csv, "--report '" + report + "'")).status, 0);
    const std::string written = ReadText(out);
    EXPECT_NE(written.find("\"examinee\":\"" + utf8 + "\""), std::string::npos) << written;
    EXPECT_NE(written.find("\"examinee\":\"b\xEF\xBF\xBDob\""), std::string::npos) << written;
    const std::string rows = ReadText(csv);
    EXPECT_NE(rows.find("\r\n" + utf8 + ","), std::string::npos) << rows;
    // A name with a quote and a comma is quoted.
    EXPECT_NE(rows.find("\r\n\"q\"\"u,o\","), std::string::npos) << rows;
    EXPECT_EQ(rows.find(gbk), std::string::npos);
    EXPECT_NE(ReadText(report + "/index.html").find(utf8), std::string::npos);

    for (const std::string& file : {out, csv}) {
        const std::string before = ReadText(file);
        EXPECT_NE(Run(std::string(VANTREL_CLI_PATH) + Batch(file)).out.find("skipped 8"), std::string::npos) << file;
        EXPECT_EQ(ReadText(file), before) << file;
    }
}

// The CSV opens in a spreadsheet as it stands: header first, blocks named, marks rounded.
TEST_F(BatchTest, TheCsvIsASheetAndTheRecordBesideItKeepsFullPrecision)
{
    const std::string csv = At("results.csv");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(csv, "--decimals 2 --maximum-row")).status, 0);
    const auto lines = Lines(ReadText(csv));
    ASSERT_EQ(lines.size(), 2u + 8u);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF" "examinee,mark,status,line 2: IMAGE(WIDTH=80 HEIGHT=60),"
                        "line 3: IMAGE(COLORMODE=RGB CHANNEL=3),line 4: EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD),"
                        "line 5: EFFECT(SOURCEFILE=R.PSD),line 6: PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)\r");
    EXPECT_EQ(lines[1], "maximum,1.00,,2.00,1.00,3.00,2.00,2.00\r");
    const auto rows = Rows(csv);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string name = lines[i].substr(0, 3);
        const std::string mark = lines[i].substr(4, lines[i].find(',', 4) - 4);
        // Rounded in the sheet, whole in the record.
        EXPECT_NEAR(std::stod(mark), std::stod(rows.at(name).first), 0.005) << lines[i];
        EXPECT_EQ(mark.size(), 4u) << lines[i];
        EXPECT_EQ(rows.at(name).first, GradeAlone(name));
    }

    // Anything but .csv and .jsonl is refused, and so is a CSV that a batch did not write.
    const Outcome text = Run(std::string(VANTREL_CLI_PATH) + Batch(At("results.txt")));
    EXPECT_EQ(text.status, 2);
    EXPECT_EQ(text.err, "vantrel: --out " + At("results.txt") + ": name a .csv or .jsonl file\n");
    EXPECT_FALSE(std::filesystem::exists(At("results.txt")));
    std::ofstream(At("sheet.csv")) << "name,mark\nann,9\n";
    const Outcome sheet = Run(std::string(VANTREL_CLI_PATH) + Batch(At("sheet.csv")));
    EXPECT_EQ(sheet.status, 1);
    EXPECT_EQ(ReadText(At("sheet.csv")), "name,mark\nann,9\n");
}

}  // namespace

namespace {

TEST_F(BatchTest, TheKeysCapturesAreStoredOnceForTheWholeClass)
{
    const std::string report = At("report");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(At("r.csv"), "--report '" + report + "'")).status, 0);
    const std::string captures = At("captures");
    const Outcome graded = Run(std::string(VANTREL_CLI_PATH) + " grade '" + At("exam.key") + "' --answers '" +
                               At("answers/003") + "' --keys '" + At("keys") + "' --json --captures '" + captures + "'");
    ASSERT_EQ(graded.status, 0) << graded.err;
    const auto alone = nlohmann::json::parse(graded.out)["blocks"][2]["effects"][0]["captures"];

    std::set<std::string> shared;
    int examinees = 0;
    for (const auto& folder : std::filesystem::directory_iterator(report + "/examinees")) {
        ++examinees;
        const auto detail = nlohmann::json::parse(ReadText(folder.path().string() + "/detail.json"));
        const auto& effect = detail["blocks"][2]["effects"][0]["captures"];
        // The examinee's one document is one capture, written once for its three effects.
        for (int block : {3, 4})
            EXPECT_EQ(detail["blocks"][block]["effects"][0]["captures"]["examinee"], effect["examinee"]) << block;
        for (const char* role : {"reference", "initial"}) {
            const std::string file = folder.path().string() + "/" + effect[role].get<std::string>();
            shared.insert(std::filesystem::canonical(file).string());
            // The one stored copy is what grading this examinee alone writes.
            EXPECT_EQ(ReadText(file), ReadText(captures + "/" + alone[role].get<std::string>())) << role;
        }
    }
    EXPECT_EQ(examinees, 8);
    EXPECT_EQ(shared.size(), 2u);
    // Beside them only the reference's change for the partial effect: no copy per examinee, no
    // half-written file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(report + "/key"), {}), 3);
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

namespace {

// Each JSON line of a results file by examinee.
std::map<std::string, nlohmann::json> JsonRows(const std::string& text)
{
    std::map<std::string, nlohmann::json> rows;
    for (const std::string& line : Lines(text)) {
        const auto json = nlohmann::json::parse(line, nullptr, false);
        if (json.is_object() && json.contains("examinee")) rows[json["examinee"].get<std::string>()] = json;
    }
    return rows;
}

// A teacher's questions, answered in the results: where is the document (near misses seen),
// why did the editor not open it (its own words), why does a criterion fail (the value seen).
// These examinees keep their marks, and a resumed run takes them as done.
TEST_F(BatchTest, EachLostMarkIsExplainedAndTheExamineeKeepsTheMarkGradingGave)
{
    namespace fs = std::filesystem;
    fs::rename(At("answers/000/A.PSD"), At("answers/000/A.PSD.psd"));
    fs::create_directories(At("answers/000/exam"));
    fs::copy_file(At("answers/000/A.PSD.psd"), At("answers/000/exam/a.psd"));
    fs::remove(At("answers/006/A.PSD"));
    fs::create_directories(At("answers/006/A.PSD"));  // a folder named like the document
    std::string cut = ReadText(At("answers/002/A.PSD"));
    cut.resize(cut.size() - 200);
    vantrel::testing::WriteFile(At("answers/002/A.PSD"), std::vector<std::uint8_t>(cut.begin(), cut.end()));
    fs::remove(At("answers/005/A.PSD"));
    fs::create_symlink(At("keys/R.PSD"), At("answers/005/A.PSD"));
    PlantGiantHeader(At("answers/004/A.PSD"));
    // Drawn from its layers, one of which the studio does not draw.
    vantrel::testing::PsdSpec layered{.width = 80, .height = 60};
    vantrel::testing::FillPlanes(layered, [](int, int, int) { return 255; });
    layered.imageResources = vantrel::testing::VersionInfoResources(false);
    vantrel::testing::PsdLayerSpec levels;
    levels.name = "levels";
    levels.extraBlocks = vantrel::testing::InfoBlock("levl", {0, 2});
    layered.layerAndMask =
        vantrel::testing::LayerAndMaskSection({vantrel::testing::SolidRgbLayer(0, 0, 60, 80, 200, 10, 10), levels});
    vantrel::testing::WriteFile(At("answers/003/A.PSD"), vantrel::testing::WritePsd(layered));

    const std::string out = At("results.jsonl");
    const std::string report = At("report");
    const Outcome batch = Run(std::string(VANTREL_CLI_PATH) + Batch(out, "--report '" + report + "'"));
    ASSERT_EQ(batch.status, 0) << batch.out << batch.err;
    EXPECT_NE(batch.out.find("graded 8, failed 0"), std::string::npos) << batch.out;
    auto rows = JsonRows(ReadText(out));
    ASSERT_EQ(rows.size(), 8u);
    for (const auto& [examinee, row] : rows) {
        ASSERT_TRUE(row["mark"].is_number()) << examinee;
        EXPECT_EQ(row["mark"].get<double>(), std::stod(GradeAlone(examinee))) << examinee;
    }
    EXPECT_EQ(rows["000"]["status"], "missing: A.PSD (seen: A.PSD.psd, exam/a.psd)");
    EXPECT_EQ(rows["001"]["status"], "graded");
    const std::string unreadable = rows["002"]["status"].get<std::string>();
    EXPECT_EQ(unreadable.rfind("unreadable: A.PSD (", 0), 0u) << unreadable;
    EXPECT_EQ(unreadable.find("cannot open"), std::string::npos) << unreadable;  // the path is said once, as the name
    EXPECT_EQ(rows["006"]["status"], "missing: A.PSD (seen: A.PSD/)");
    EXPECT_EQ(rows["005"]["status"], "link refused: A.PSD (a link in the folder leads out of it)");
    EXPECT_EQ(rows["003"]["status"], "graded; not drawn in A.PSD: layer 1 \"levels\": adjustment layer (levl)");

    // A document that did not open lists its blocks with their weights, none evaluated.
    const auto& missingBlock = rows["000"]["blocks"][0];
    EXPECT_EQ(missingBlock["weight"], 2);
    EXPECT_EQ(missingBlock["criteria"].size(), 1u);
    EXPECT_EQ(missingBlock["outcomes"][0]["result"], "not evaluated");
    // The giant header's width is seen against the width asked, and what follows is not reached.
    const auto& giant = rows["004"]["blocks"][0]["outcomes"][0]["comparisons"][0];
    EXPECT_EQ(giant["comparison"], "WIDTH=80");
    EXPECT_EQ(giant["seen"], 30000);
    EXPECT_EQ(giant["passed"], false);

    // The report's table and the examinee's page say the same.
    const std::string html = ReadText(report + "/index.html");
    EXPECT_NE(html.find("missing: A.PSD (seen: A.PSD.psd, exam/a.psd)"), std::string::npos);
    EXPECT_NE(html.find("IMAGE(WIDTH=80 HEIGHT=60): width 30000, asked 80: not met"), std::string::npos);
    EXPECT_NE(html.find("IMAGE(WIDTH=80 HEIGHT=60): not evaluated: the document is not open"), std::string::npos);

    // These rows have marks: a resumed run grades none of them again.
    const Outcome resumed = Run(std::string(VANTREL_CLI_PATH) + Batch(out));
    EXPECT_EQ(resumed.status, 0) << resumed.out << resumed.err;
    EXPECT_NE(resumed.out.find("graded 0, failed 0, skipped 8"), std::string::npos) << resumed.out;

    // The CSV keeps the status in its column, the keyword first.
    const std::string csv = At("results.csv");
    ASSERT_EQ(Run(std::string(VANTREL_CLI_PATH) + Batch(csv)).status, 0);
    const std::string quoted = "\"missing: A.PSD (seen: A.PSD.psd, exam/a.psd)\"";
    EXPECT_NE(ReadText(csv).find(quoted), std::string::npos) << ReadText(csv);
}

}  // namespace
