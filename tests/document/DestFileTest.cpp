#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/RemoveSpaces.h"
#include "grading/MarkSession.h"
#include "ExamFolders.h"

using vantrel::document::RemoveSpaces;

namespace {

using vantrel::grading::CMarkSession;
using vantrel::testing::ExamFolders;
using vantrel::testing::HeaderOnly;

class DestFileTest : public ::testing::Test {
protected:
    ExamFolders exam;
    CMarkSession session{exam.AnswerDirectory() + "\\", "\\"};
};

TEST(RemoveSpaces, OnlySpacesGo)
{
    std::string text = " MY ANSWER\t.PSD ";
    vantrel::document::RemoveSpaces(text);
    EXPECT_EQ(text, "MYANSWER\t.PSD");
}

TEST_F(DestFileTest, ReadsTheHeaderFields)
{
    exam.WriteAnswer("MyAnswer.psd", HeaderOnly(800, 600, 4, 3));
    session.OpenDestFile("DESTFILE=MY ANSWER.PSD");
    ASSERT_NE(session.documentHandle, -1);
    EXPECT_EQ(session.documentFileName, "MYANSWER.PSD");
    EXPECT_STREQ(session.psdHeader.signature, "8BPS");
    EXPECT_EQ(session.psdHeader.version, 1);
    EXPECT_EQ(session.psdHeader.channels, 4);
    EXPECT_EQ(session.psdHeader.height, 600);
    EXPECT_EQ(session.psdHeader.width, 800);
    EXPECT_EQ(session.psdHeader.depth, 8);
    EXPECT_EQ(session.psdHeader.colorMode, 3);
}

TEST_F(DestFileTest, OnlyTheFirstSeparatorCounts)
{
    exam.WriteAnswer("ANSWER.PSD", HeaderOnly(1, 1, 3, 3));
    session.OpenDestFile("DESTFILE:ANSWER.PSD");
    EXPECT_NE(session.documentHandle, -1);
    session.CloseDocument();
    session.OpenDestFile("DESTFILE=A:B.PSD");
    EXPECT_EQ(session.documentFileName, "A:B.PSD");
    EXPECT_EQ(session.documentHandle, -1);
}

TEST_F(DestFileTest, NoNameOrADirectoryOpensNothing)
{
    session.OpenDestFile("DESTFILE ANSWER.PSD");
    EXPECT_EQ(session.documentHandle, -1);
    std::filesystem::create_directory(exam.AnswerDirectory() + "/SUB.PSD");
    session.OpenDestFile("DESTFILE=SUB.PSD");
    EXPECT_EQ(session.documentHandle, -1);
}

TEST_F(DestFileTest, AnyFileIsReadAndATruncatedHeaderLeavesZeros)
{
    exam.WriteAnswerBytes("TEXT.PSD", {'H', 'e', 'l', 'l', 'o', '!', 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 1});
    session.OpenDestFile("DESTFILE=TEXT.PSD");
    ASSERT_NE(session.documentHandle, -1);
    EXPECT_STREQ(session.psdHeader.signature, "Hell");
    EXPECT_EQ(session.psdHeader.version, 0x6F21);
    EXPECT_EQ(session.psdHeader.channels, 7);
    EXPECT_EQ(session.psdHeader.height, 0);
    EXPECT_EQ(session.psdHeader.width, 0);
    EXPECT_EQ(session.psdHeader.colorMode, 0);
    // A file of its signature alone keeps the signature; one byte less has none.
    exam.WriteAnswerBytes("SIGNATURE.PSD", {'8', 'B', 'P', 'S'});
    exam.WriteAnswerBytes("SHORT.PSD", {'8', 'B', 'P'});
    session.CloseDocument();
    session.OpenDestFile("DESTFILE=SIGNATURE.PSD");
    EXPECT_STREQ(session.psdHeader.signature, "8BPS");
    EXPECT_EQ(session.psdHeader.version, 0);
    session.CloseDocument();
    session.OpenDestFile("DESTFILE=SHORT.PSD");
    EXPECT_STREQ(session.psdHeader.signature, "");
}

TEST_F(DestFileTest, AFailedOpenAfterASuccessfulOneLeavesNoDocument)
{
    exam.WriteAnswer("A.PSD", HeaderOnly(800, 600, 3, 3));
    session.OpenDestFile("DESTFILE=A.PSD");
    session.CloseDocument();
    session.OpenDestFile("DESTFILE=MISSING.PSD");
    EXPECT_EQ(session.documentHandle, -1);
}

TEST_F(DestFileTest, OverlongNamesAreDocumentsThatCannotBeOpened)
{
    const std::string name(1020, 'A');
    exam.WriteAnswer("A.PSD", HeaderOnly(1, 1, 3, 3));
    session.OpenDestFile("DESTFILE=" + std::string(2100, ' ') + "A.PSD");
    EXPECT_EQ(session.documentHandle, -1);
    session.OpenDestFile("DESTFILE=" + name + "1234.PSD");
    EXPECT_EQ(session.documentHandle, -1);
    EXPECT_EQ(session.documentFileName, "");
}

TEST_F(DestFileTest, NegativeHeaderFieldsKeepTheirSign)
{
    auto psd = HeaderOnly(1, 1, 3, 3);
    auto bytes = vantrel::testing::WritePsd(psd);
    bytes[12] = 0xFF, bytes[13] = 0xFE;                                // channels -2
    bytes[14] = 0xFF, bytes[15] = 0xFF, bytes[16] = 0xFF, bytes[17] = 0xFF;  // height -1
    exam.WriteAnswerBytes("NEG.PSD", bytes);
    session.OpenDestFile("DESTFILE=NEG.PSD");
    EXPECT_EQ(session.psdHeader.channels, -2);
    EXPECT_EQ(session.psdHeader.height, -1);
}

// Every document of the shared corpus reads with the header values its manifest lists.
TEST(PsdHeaderCorpus, MatchesTheManifest)
{
    const std::string root = std::string(VANTREL_SHARED_DIR) + "/fixtures/psd/";
    std::ifstream manifest(root + "MANIFEST.tsv");
    if (!manifest) GTEST_SKIP() << "no shared fixtures";
    std::string line;
    std::getline(manifest, line);
    int checked = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) fields.push_back(field);
        ASSERT_GE(fields.size(), 12u) << line;
        CMarkSession session("\\", "\\");
        session.documentHandle = vantrel::platform::ActivePlatform().Files().OpenReadOnly(root + fields[0]);
        ASSERT_NE(session.documentHandle, -1) << fields[0];
        session.ReadPsdHeader();
        // The manifest lists the fields unsigned; channels and mode are signed 16-bit here.
        auto expect = [&](int column, long actual, bool signed16 = false) {
            long expected = fields[column] == "-" ? 0 : std::stol(fields[column]);
            if (signed16) expected = static_cast<std::int16_t>(expected);
            EXPECT_EQ(actual, expected) << fields[0] << " column " << column;
        };
        expect(7, session.psdHeader.channels, true);
        expect(8, session.psdHeader.height);
        expect(9, session.psdHeader.width);
        expect(10, session.psdHeader.depth);
        expect(11, session.psdHeader.colorMode, true);
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

}  // namespace
