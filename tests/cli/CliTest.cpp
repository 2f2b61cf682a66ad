#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "ExamFolders.h"
#include "PsdWriter.h"
#include "RasterWriters.h"
#include "RenderBytes.h"
#include "TestProfiles.h"

namespace {

using vantrel::testing::AnswerKey;
using vantrel::testing::ExamFolders;
using vantrel::testing::HeaderOnly;
using vantrel::testing::RgbDocument;

struct Result {
    int status;
    std::string out;
    std::string err;
};

// Runs the built command with arguments (already quoted for the shell).
Result RunCli(const std::string& arguments, const ExamFolders& exam)
{
    const std::string errFile = exam.AnswerDirectory() + "/../stderr.txt";
    const std::string command = std::string(VANTREL_CLI_PATH) + " " + arguments + " 2>" + errFile;
    Result result{-1, "", ""};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return result;
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return result;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
        keyFile = exam.KeyDirectory() + "/exam.key";
        vantrel::testing::WriteFile(keyFile, ToBytes(AnswerKey({"DESTFILE=A.PSD", "&&1", "&&2 IMAGE(WIDTH=800)",
                                                                 "&&4 IMAGE(WIDTH=1)"})));
    }
    static std::vector<std::uint8_t> ToBytes(const std::string& text) { return {text.begin(), text.end()}; }
    std::string Folders() const { return " --answers '" + exam.AnswerDirectory() + "' --keys '" + exam.KeyDirectory() + "'"; }

    ExamFolders exam;
    std::string keyFile;
};

TEST_F(CliTest, GradePrintsTheShortestMarkThatReadsBack)
{
    auto result = RunCli("grade '" + keyFile + "'" + Folders(), exam);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "0.30000000000000004\n");
}

TEST_F(CliTest, GradeJsonShowsEachBlock)
{
    auto result = RunCli("grade '" + keyFile + "'" + Folders() + " --json", exam);
    ASSERT_EQ(result.status, 0);
    auto json = nlohmann::json::parse(result.out);
    EXPECT_DOUBLE_EQ(json["mark"].template get<double>(), 0.3);
    ASSERT_EQ(json["blocks"].size(), 3u);
    EXPECT_EQ(json["blocks"][1]["line"], 3);
    EXPECT_EQ(json["blocks"][1]["criteria"][0], "IMAGE(WIDTH=800)");
    EXPECT_EQ(json["blocks"][2]["score"], 0.0);
    // Why the last block lost its mark, and that the document was there to be graded.
    EXPECT_EQ(json["blocks"][2]["outcomes"][0]["comparisons"][0]["seen"], 800);
    EXPECT_EQ(json["status"], "graded");

    std::filesystem::rename(exam.AnswerDirectory() + "/A.PSD", exam.AnswerDirectory() + "/a.psd.PSD");
    auto missing = RunCli("grade '" + keyFile + "'" + Folders() + " --json", exam);
    ASSERT_EQ(missing.status, 0);
    json = nlohmann::json::parse(missing.out);
    EXPECT_EQ(json["status"], "missing: A.PSD (seen: a.psd.PSD)");
    EXPECT_EQ(json["blocks"][2]["weight"], 4.0);
}

TEST_F(CliTest, BadArgumentsAreUsageErrors)
{
    auto missingKey = RunCli("grade '" + keyFile + ".nope'" + Folders(), exam);
    EXPECT_EQ(missingKey.status, 2);
    EXPECT_NE(missingKey.err.find("cannot read the answer key"), std::string::npos);
    auto missingDir = RunCli("grade '" + keyFile + "' --answers /no/such/dir --keys /tmp", exam);
    EXPECT_EQ(missingDir.status, 2);
    EXPECT_NE(missingDir.err.find("no such directory"), std::string::npos);
    EXPECT_EQ(RunCli("grade '" + keyFile + "'" + Folders() + " --codepage latin1", exam).status, 2);
    EXPECT_EQ(RunCli("", exam).status, 2);
    // Every refusal is one line that says who is speaking.
    for (const std::string& arguments : {std::string(), std::string("grade"), "batch '" + keyFile + "' --jobs 0", std::string("frobnicate")}) {
        const auto result = RunCli(arguments, exam);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_EQ(result.err.rfind("vantrel: ", 0), 0u) << arguments << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << arguments << ": " << result.err;
    }
    const auto version = RunCli("--version", exam);
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out.rfind("vantrel ", 0), 0u) << version.out;
}

TEST_F(CliTest, InspectReportsEveryFileAndFailsForTheUnopenable)
{
    auto result = RunCli("inspect /no/such.psd '" + exam.AnswerDirectory() + "/A.PSD' --json", exam);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot open /no/such.psd"), std::string::npos);
    auto json = nlohmann::json::parse(result.out);
    ASSERT_EQ(json.size(), 1u);
    EXPECT_EQ(json[0]["width"], 800);
    EXPECT_EQ(json[0]["color_mode_name"], "RGB");
    EXPECT_EQ(json[0]["signature"], "8BPS");
}

TEST_F(CliTest, InspectListsWhatADrawingFromLayersLeavesOut)
{
    vantrel::testing::PsdSpec psd;
    psd.imageResources = vantrel::testing::VersionInfoResources(false);
    auto curves = vantrel::testing::SolidRgbLayer(0, 0, 0, 0, 0, 0, 0);
    curves.name = "Curves";
    curves.extraBlocks = vantrel::testing::InfoBlock("curv", {0, 1});
    psd.layerAndMask = vantrel::testing::LayerAndMaskSection({vantrel::testing::SolidRgbLayer(0, 0, 1, 1, 9, 9, 9), curves});
    exam.WriteAnswer("L.PSD", psd);
    const std::string path = exam.AnswerDirectory() + "/L.PSD";
    auto text = RunCli("inspect '" + path + "'", exam);
    EXPECT_NE(text.out.find(", drawn from layers\n  not drawn: layer 1 \"Curves\": adjustment layer (curv)\n"),
              std::string::npos) << text.out;
    auto json = nlohmann::json::parse(RunCli("inspect --json '" + path + "'", exam).out);
    EXPECT_EQ(json[0]["drawn_from_layers"], true);
    EXPECT_EQ(json[0]["not_drawn"], nlohmann::json::array({"layer 1 \"Curves\": adjustment layer (curv)"}));
    // A document drawn from its stored image says nothing more.
    EXPECT_FALSE(nlohmann::json::parse(RunCli("inspect --json '" + exam.AnswerDirectory() + "/A.PSD'", exam).out)[0]
                     .contains("drawn_from_layers"));
}

// An image file is inspected for what property criteria see, and says that those read PSD
// headers only; it captures like a document, or says in one line why not.
TEST_F(CliTest, ImageFilesAreInspectedAndCapturedByTheirContent)
{
    vantrel::testing::BmpSpec bmp;
    bmp.width = 30;
    bmp.height = 20;
    bmp.pixels.assign(600, 0x336699);
    const auto bytes = vantrel::testing::WriteBmp(bmp);
    exam.WriteAnswerBytes("PIC.PSD", bytes);  // the name says PSD; the content is a BMP
    const std::string pic = "'" + exam.AnswerDirectory() + "/PIC.PSD'";
    auto inspect = RunCli("inspect " + pic, exam);
    EXPECT_EQ(inspect.status, 0);
    EXPECT_NE(inspect.out.find(": BMP file, signature BM"), std::string::npos) << inspect.out;
    EXPECT_NE(inspect.out.find("property criteria read only PSD headers"), std::string::npos) << inspect.out;
    auto json = nlohmann::json::parse(RunCli("inspect --json " + pic + " '" + exam.AnswerDirectory() + "/A.PSD'", exam).out);
    EXPECT_EQ(json[0]["kind"], "BMP");
    EXPECT_TRUE(json[0].contains("note"));
    EXPECT_EQ(json[1]["kind"], "PSD");
    EXPECT_FALSE(json[1].contains("note"));

    const std::string png = exam.AnswerDirectory() + "/out.png";
    EXPECT_EQ(RunCli("capture " + pic + " -o '" + png + "'", exam).status, 0);
    exam.WriteAnswerBytes("CUT.BMP", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 100));
    auto cut = RunCli("capture '" + exam.AnswerDirectory() + "/CUT.BMP' -o '" + png + "'", exam);
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "vantrel: cannot open " + exam.AnswerDirectory() + "/CUT.BMP: BMP: truncated data\n");
}

TEST_F(CliTest, CaptureWritesAPngOrSaysWhyNot)
{
    exam.WriteAnswer("PIC.PSD", RgbDocument(40, 30, [](int, int) { return 0x336699u; }));
    const std::string png = exam.AnswerDirectory() + "/out.png";
    auto result = RunCli("capture '" + exam.AnswerDirectory() + "/PIC.PSD' -o '" + png + "' --bpp 24", exam);
    EXPECT_EQ(result.status, 0) << result.err;
    std::ifstream file(png, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(bytes[19]), 200);  // width
    EXPECT_EQ(static_cast<unsigned char>(bytes[23]), 160);  // height

    auto broken = RunCli("capture '" + keyFile + "' -o '" + png + "'", exam);
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("cannot open"), std::string::npos);
    EXPECT_EQ(std::count(broken.err.begin(), broken.err.end(), '\n'), 1);
}

// A capture is compressed, and read back by another decoder it holds every pixel of a document
// shown at the capture's own size: red from the left, green from the top, blue in a disc.
TEST_F(CliTest, CapturePngsAreCompressedAndKeepEveryPixel)
{
    const auto pattern = [](int x, int y) {
        const bool disc = (x - 130) * (x - 130) + (y - 60) * (y - 60) < 900;
        return static_cast<std::uint32_t>(x * 255 / 199) << 16 | static_cast<std::uint32_t>(y * 255 / 159) << 8 |
               (disc ? 0xE0u : 0x20u);
    };
    exam.WriteAnswer("PIC.PSD", RgbDocument(200, 160, pattern));
    const std::string png = exam.AnswerDirectory() + "/out.png";
    ASSERT_EQ(RunCli("capture '" + exam.AnswerDirectory() + "/PIC.PSD' -o '" + png + "'", exam).status, 0);
    std::ifstream file(png, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_LT(bytes.size(), 200u * 160 * 3 / 4);

    const std::vector<std::uint8_t> rgb = vantrel::testing::RenderRgb(bytes, 200, 160);
    ASSERT_EQ(rgb.size(), 200u * 160 * 3);
    int wrong = 0;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 200; ++x) {
            const std::uint8_t* pixel = &rgb[(static_cast<std::size_t>(y) * 200 + x) * 3];
            const std::uint32_t shown = static_cast<std::uint32_t>(pixel[0]) << 16 | pixel[1] << 8 | pixel[2];
            if (shown != pattern(x, y) && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << shown;
        }
    }
    EXPECT_EQ(wrong, 0);
}

#if defined(VANTREL_HAVE_LCMS2)
// The command may load LittleCMS only when a document carries a profile; a grey document whose
// profile has a linear response must then look lighter than the same one without it.
TEST_F(CliTest, CaptureConvertsThroughAnEmbeddedProfile)
{
    vantrel::testing::PsdSpec psd;
    psd.width = 8;
    psd.height = 8;
    psd.colorMode = 1;
    psd.channels = 1;
    vantrel::testing::FillPlanes(psd, [](int, int, int) { return 128; });
    exam.WriteAnswer("PLAIN.PSD", psd);
    psd.imageResources = vantrel::testing::ImageResource(0x040F, vantrel::testing::LinearGreyProfile());
    exam.WriteAnswer("LINEAR.PSD", psd);
    std::string captures[2];
    for (int k = 0; k < 2; ++k) {
        const std::string png = exam.AnswerDirectory() + "/out.png";
        const std::string name = k == 0 ? "PLAIN.PSD" : "LINEAR.PSD";
        ASSERT_EQ(RunCli("capture '" + exam.AnswerDirectory() + "/" + name + "' -o '" + png + "'", exam).status, 0);
        std::ifstream file(png, std::ios::binary);
        captures[k].assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    EXPECT_GT(captures[0].size(), 24u);
    EXPECT_NE(captures[0], captures[1]);
}
#endif

TEST_F(CliTest, CompareGivesTheCriterionsSimilarity)
{
    exam.WriteAnswer("X.PSD", RgbDocument(40, 30, [](int x, int) { return x < 20 ? 0x336699u : 0xEEDDCCu; }));
    const std::string x = "'" + exam.AnswerDirectory() + "/X.PSD'";
    EXPECT_EQ(RunCli("compare " + x + " " + x, exam).out, "1\n");
    EXPECT_EQ(RunCli("compare " + x + " /no/such.psd", exam).out, "1\n");
    EXPECT_EQ(RunCli("compare /no/such.psd " + x, exam).out, "0\n");
    EXPECT_EQ(RunCli("compare " + x + " " + x + " --partial", exam).out, "0\n");
    // The similarity is grading's, yet a file that could not be opened is a failure.
    for (const std::string& files : {x + " /no/such.psd", "/no/such.psd " + x, x + " " + x + " --initial /no/such.psd"}) {
        const auto result = RunCli("compare " + files, exam);
        EXPECT_EQ(result.status, 1) << files;
        EXPECT_EQ(result.err.rfind("vantrel: ", 0), 0u) << result.err;
    }
    EXPECT_EQ(RunCli("compare " + x + " " + x, exam).status, 0);
}

// Keys and file names may hold bytes that do not decode; JSON shows them as U+FFFD.
TEST_F(CliTest, JsonReplacesBytesThatDoNotDecode)
{
    vantrel::testing::WriteFile(keyFile, ToBytes(AnswerKey({"DESTFILE=A.PSD", "&&2 LAYER(A=\xFF)", "&&1 LAYER(B=\x81)"})));
    auto cp936 = RunCli("grade '" + keyFile + "'" + Folders() + " --json", exam);
    ASSERT_EQ(cp936.status, 0) << cp936.err;
    auto json = nlohmann::json::parse(cp936.out);
    EXPECT_DOUBLE_EQ(json["mark"].template get<double>(), 0.3);
    EXPECT_EQ(json["blocks"][0]["criteria"][0], "LAYER(A=\uFFFD)");
    EXPECT_EQ(json["blocks"][1]["criteria"][0], "LAYER(B=\uFFFD)");

    vantrel::testing::WriteFile(keyFile, ToBytes(AnswerKey({"DESTFILE=A.PSD", "&&2 LAYER(A=\xA3)"})));
    auto utf8 = RunCli("grade '" + keyFile + "'" + Folders() + " --json --codepage utf-8", exam);
    ASSERT_EQ(utf8.status, 0) << utf8.err;
    EXPECT_EQ(nlohmann::json::parse(utf8.out)["blocks"][0]["criteria"][0], "LAYER(A=\uFFFD)");

    exam.WriteAnswer("\xFF.psd", HeaderOnly(800, 600, 3, 3));
    auto inspect = RunCli("inspect --json '" + exam.AnswerDirectory() + "/\xFF.psd'", exam);
    ASSERT_EQ(inspect.status, 0) << inspect.err;
    EXPECT_EQ(nlohmann::json::parse(inspect.out)[0]["file"], exam.AnswerDirectory() + "/\uFFFD.psd");
}

TEST_F(CliTest, AnUnforeseenFailureIsOneLineAndAFailure)
{
    const std::string loop = exam.AnswerDirectory() + "/loop";
    ASSERT_EQ(::symlink(loop.c_str(), loop.c_str()), 0);
    auto result = RunCli("grade '" + keyFile + "' --answers '" + loop + "' --keys '" + exam.KeyDirectory() + "'", exam);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("vantrel: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure)
{
    exam.WriteAnswer("PIC.PSD", RgbDocument(40, 30, [](int, int) { return 0x336699u; }));
    const std::string pic = "'" + exam.AnswerDirectory() + "/PIC.PSD'";
    auto capture = RunCli("capture " + pic + " -o /dev/full", exam);
    EXPECT_EQ(capture.status, 1);
    EXPECT_NE(capture.err.find("cannot write /dev/full"), std::string::npos) << capture.err;
    for (const std::string& command : {"grade '" + keyFile + "'" + Folders(), "inspect " + pic, "compare " + pic + " " + pic}) {
        auto result = RunCli(command + " >/dev/full", exam);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_EQ(result.err, "vantrel: cannot write the output: No space left on device\n") << command;
    }
}

TEST_F(CliTest, GradeTakesKeysAsEditorsSaveThemOrSaysWhyNot)
{
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&2 IMAGE(WIDTH=800)"});
    const auto grade = [&](const std::string& bytes) {
        vantrel::testing::WriteFile(keyFile, ToBytes(bytes));
        return RunCli("grade '" + keyFile + "'" + Folders(), exam);
    };
    EXPECT_EQ(grade("\xEF\xBB\xBF" + key).out, "0.2\n");

    std::string utf16 = "\xFF\xFE";
    for (char c : key) utf16 += {c, '\0'};
    for (const std::string& refused : {utf16, utf16.substr(2), key + '\0' + "&&5"}) {
        auto result = grade(refused);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }

    auto lf = grade("DESTFILE=A.PSD\n&&2 IMAGE(WIDTH=800)\n");
    EXPECT_EQ(lf.out, "0\n");
    EXPECT_NE(lf.err.find("unix2dos '" + keyFile + "'"), std::string::npos) << lf.err;
}

TEST_F(CliTest, CheckReportsByLineAndExitsByWhatItFound)
{
    exam.WriteKey("R.PSD", RgbDocument(8, 8, [](int, int) { return 0x808080u; }));
    const auto check = [&](const std::vector<std::string>& lines, const std::string& more = "") {
        vantrel::testing::WriteFile(keyFile, ToBytes(AnswerKey(lines)));
        return RunCli("check '" + keyFile + "' --keys '" + exam.KeyDirectory() + "'" + more, exam);
    };
    auto clean = check({"DESTFILE=A.PSD", "&&4 IMAGE(WIDTH=800)", "&&6 EFFECT(SOURCEFILE=r.psd)"});
    EXPECT_EQ(clean.status, 0) << clean.out;
    EXPECT_EQ(clean.out, keyFile + ": encoding ASCII, line ends CR LF\n0 warnings\n");

    auto missing = check({"DESTFILE=A.PSD", "&&4 IMAGE(WIDTH=800)", "&&D&&", "&&3", "EFFECT(SOURCEFILE=RESULT2.PSD)",
                          "&&3 EFFECT(SOURCEFILE=R.PSD)"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("\nline 5: RESULT2.PSD cannot be opened ("), std::string::npos) << missing.out;
    EXPECT_NE(missing.out.find("): every examinee gets full credit\n1 warning\n"), std::string::npos) << missing.out;

    for (const std::string& usage : {"check '" + keyFile + "' --keys /no/such/dir", std::string("check /no/such.key --keys /tmp"),
                                     "check '" + keyFile + "'"}) {
        auto result = RunCli(usage, exam);
        EXPECT_EQ(result.status, 2) << usage;
        EXPECT_EQ(result.err.rfind("vantrel: ", 0), 0u) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
}

TEST_F(CliTest, CheckTellsTheKeysEncodingFromTheCodePageItIsReadIn)
{
    exam.WriteKey("R.PSD", RgbDocument(8, 8, [](int, int) { return 0x808080u; }));
    const std::string poster = "\xE6\xB5\xB7\xE6\x8A\xA5.PSD";  // 海报.PSD in UTF-8
    vantrel::testing::WriteFile(keyFile, ToBytes("\xEF\xBB\xBF" + AnswerKey({"DESTFILE=" + poster, "&&10 EFFECT(SOURCEFILE=R.PSD)"})));
    const std::string command = "check '" + keyFile + "' --keys '" + exam.KeyDirectory() + "'";
    // The byte-order mark makes the key UTF-8, as grading reads it; a code page forced on it is not.
    EXPECT_EQ(RunCli(command, exam).status, 0);
    auto asCp936 = RunCli(command + " --codepage cp936", exam);
    EXPECT_EQ(asCp936.status, 1);
    EXPECT_NE(asCp936.out.find("encoding UTF-8 with a byte-order mark"), std::string::npos) << asCp936.out;
    EXPECT_NE(asCp936.out.find("--codepage utf-8"), std::string::npos) << asCp936.out;
}

}  // namespace
