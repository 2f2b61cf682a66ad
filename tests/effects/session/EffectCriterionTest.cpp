#include <gtest/gtest.h>

#include "effects/session/AutomationDriver.h"
#include "effects/session/WindowSearchState.h"
#include "grading/Grading.h"
#include "grading/MarkSession.h"
#include "text/WhiteSpace.h"
#include "StudioExam.h"

using namespace vantrel::effects::session;

namespace {

using vantrel::grading::CMarkSession;
using vantrel::effects::session::thePhotoshopApp;
using vantrel::effects::session::theWindowSearch;
using vantrel::testing::AnswerKey;
using vantrel::testing::RgbDocument;

void Parse(std::string text, std::string expectedSource, std::string expectedInitial)
{
    CMarkSession session("\\", "\\");
    std::string source = "x", initial = "y";
    session.ParseEffectArguments(text, source, initial);
    vantrel::text::Trim(source);
    vantrel::text::Trim(initial);
    EXPECT_EQ(source, expectedSource) << text;
    EXPECT_EQ(initial, expectedInitial) << text;
}

TEST(EffectArguments, KeysInEitherOrderABareNameAndEmptyValues)
{
    Parse("(SOURCEFILE=FLOWER.PSD INIFILE=FLOWER0.PSD)", "FLOWER.PSD", "FLOWER0.PSD");
    Parse("(INIFILE=FLOWER0.PSD SOURCEFILE=FLOWER.PSD)", "FLOWER.PSD", "FLOWER0.PSD");
    Parse("(FLOWER.PSD)", "FLOWER.PSD", "");
    Parse("(FLOWER.PSD INIFILE=FLOWER0.PSD)", "FLOWER.PSD INIFILE=FLOWER0.PSD", "");
    Parse("(SOURCEFILE=)", "", "");
    Parse("()", "", "");
    Parse("(SOURCEFILE=A(1).PSD)", "A", "");
}

// Colours that make documents tell apart: a gradient and a block that moves with shift.
std::uint32_t Scene(int x, int y, int shift)
{
    const bool block = x >= 40 + shift && x < 120 + shift && y >= 30 && y < 90;
    return block ? 0xF0E020u : static_cast<std::uint32_t>((x * 255 / 160) << 16 | (y * 255 / 120) << 8 | 0x40);
}

class EffectTest : public ::testing::Test {
protected:
    void WriteScene(bool answer, const std::string& name, int shift)
    {
        auto psd = RgbDocument(160, 120, [&](int x, int y) { return Scene(x, y, shift); });
        answer ? t.exam.WriteAnswer(name, psd) : t.exam.WriteKey(name, psd);
    }
    double Grade(const std::vector<std::string>& lines) { return t.exam.Grade(AnswerKey(lines)); }
    std::uint64_t VirtualMs() { return t.platform->Clock().IdledMilliseconds(); }

    vantrel::testing::StudioExam t;
};

TEST_F(EffectTest, IdenticalDocumentsAreAlikeAtEveryDisplayDepth)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    for (int depth : {32, 24, 16}) {
        t.Desktop().SetDisplayDepth(depth);
        EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 1) << depth;
    }
    EXPECT_TRUE(thePhotoshopApp.IsEmpty());
    EXPECT_EQ(t.studio->InstancesStarted(), 3);
    EXPECT_FALSE(t.studio->RunningInstance());
}

TEST_F(EffectTest, DifferentDocumentsScoreBelowTheWeight)
{
    WriteScene(true, "A.PSD", 30);
    WriteScene(false, "R.PSD", 0);
    const double mark = Grade({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"});
    EXPECT_GT(mark, 0.3);
    EXPECT_LT(mark, 0.99);
}

TEST_F(EffectTest, AnEmptySourceNeverStartsTheEditor)
{
    WriteScene(true, "A.PSD", 0);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT()", "&&10 EFFECT(SOURCEFILE=)"}), 0);
    EXPECT_TRUE(t.platform->Launcher().Launches().empty());
}

TEST_F(EffectTest, AReferenceThatCannotBeOpenedCreditsInFullAndAMissingAnswerGivesNothing)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    t.exam.WriteAnswerBytes("BROKEN.PSD", {'8', 'B', 'P', 'S', 0, 1});
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=MISSING.PSD)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=BROKEN.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD)"}), 0);
    EXPECT_FALSE(t.studio->RunningInstance());
}

TEST_F(EffectTest, AFailedLaunchShowsTheMessageEachTime)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    t.platform->Launcher().SetLaunchFails(true);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&5 EFFECT(R.PSD)", "&&5 EFFECT(R.PSD)"}), 0);
    ASSERT_EQ(t.Messages().size(), 2u);
    EXPECT_EQ(t.Messages()[0], "Start Photoshop \xE5\xA4\xB1\xE8\xB4\xA5!");
}

TEST_F(EffectTest, AnAutomationErrorOutsideADocumentStepGivesHalfTheWeight)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    t.Automation().FailCalls(vantrel::effects::session::CPhotoshopApplication::kPutAppFlag);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&8 EFFECT(R.PSD)"}), 0.4);
    EXPECT_TRUE(thePhotoshopApp.IsEmpty());
    t.Automation().ClearCallFaults();
    t.Automation().FailCalls(vantrel::effects::session::CPhotoshopApplication::kEndApplication,
                             vantrel::platform::AutomationTarget::CreatedObject);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&8 EFFECT(R.PSD)"}), 0.4);
    EXPECT_TRUE(thePhotoshopApp.IsEmpty());
}

TEST_F(EffectTest, AFailingEndDocumentIsIgnored)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    t.Automation().FailCalls(vantrel::effects::session::CPhotoshopDocument::kEndDocument,
                             vantrel::platform::AutomationTarget::ReturnedObject);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(R.PSD)"}), 1);
}

TEST_F(EffectTest, EachDocumentStepBringsTheEditorForwardAndEndsItsDocument)
{
    using vantrel::platform::AutomationTarget;
    using App = vantrel::effects::session::CPhotoshopApplication;
    using Document = vantrel::effects::session::CPhotoshopDocument;
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    WriteScene(false, "S.PSD", 60);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), 1);
    std::vector<std::pair<AutomationTarget, std::int32_t>> calls;
    for (const auto& call : t.Automation().Calls()) calls.emplace_back(call.target, call.dispid);
    const auto open = std::make_pair(AutomationTarget::CreatedObject, App::kOpenDocument);
    const auto end = std::make_pair(AutomationTarget::ReturnedObject, Document::kEndDocument);
    EXPECT_EQ(calls, (std::vector<std::pair<AutomationTarget, std::int32_t>>{
                         {AutomationTarget::CreatedObject, App::kPutAppFlag}, open, end, open, end, open, end,
                         {AutomationTarget::CreatedObject, App::kEndApplication}}));
    EXPECT_EQ(t.Desktop().FrontHistory(), std::vector<vantrel::platform::WindowHandle>(3, theWindowSearch.mainWindow));
}

TEST_F(EffectTest, AStartingImageThatCannotBeOpenedLeavesItsSlotAsItWas)
{
    WriteScene(true, "HALF.PSD", 30);
    WriteScene(false, "R.PSD", 0);
    WriteScene(false, "S.PSD", 60);
    auto evaluate = [&](CMarkSession& session, std::string arguments) {
        return session.EvaluateEffect(arguments, vantrel::effects::compare::EffectMode::Whole);
    };
    CMarkSession session(t.exam.AnswerDirectory() + "\\", t.exam.KeyDirectory() + "\\");
    session.OpenDestFile("DESTFILE=HALF.PSD");
    const double improved = evaluate(session, "(SOURCEFILE=R.PSD INIFILE=S.PSD)");
    EXPECT_EQ(evaluate(session, "(SOURCEFILE=R.PSD INIFILE=MISSING.PSD)"), improved);
    // With the slot empty the rule would have measured against nothing instead.
    CMarkSession fresh(t.exam.AnswerDirectory() + "\\", t.exam.KeyDirectory() + "\\");
    fresh.OpenDestFile("DESTFILE=HALF.PSD");
    EXPECT_NE(evaluate(fresh, "(SOURCEFILE=R.PSD INIFILE=MISSING.PSD)"), improved);
}

TEST_F(EffectTest, WithoutAMainWindowTheEmptySlotsCompareToZero)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    // The editor starts, but nothing on the desktop is titled like it.
    t.platform->Launcher().RegisterProgram("C:\\Program Files\\Adobe\\Photoshop 6.0\\PHOTOSHP.EXE",
                                           [](const std::string&) {});
    t.platform->Registry().DeleteKey(vantrel::platform::RegistryRoot::ClassesRoot, "Photoshop.Application");
    t.Automation().UnregisterServer("Photoshop.Application");
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(R.PSD)"}), 0);
    EXPECT_EQ(t.studio->InstancesStarted(), 0);
}

TEST_F(EffectTest, ADocumentStepWaitsTenToThirtyFiveVirtualSeconds)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    const std::vector<std::string> key = {"DESTFILE=A.PSD", "&&10 EFFECT(R.PSD)"};
    struct Case {
        std::optional<std::uint32_t> delay;
        std::uint64_t perDocument;
        double mark;
    };
    for (const Case& c : {Case{0, 10000, 1}, Case{6000, 20000, 1}, Case{16000, 30000, 1}, Case{std::nullopt, 35000, 0}}) {
        t.Desktop().SetDocumentWindowDelay(c.delay);
        const std::uint64_t before = VirtualMs();
        EXPECT_EQ(Grade(key), c.mark);
        EXPECT_EQ(VirtualMs() - before, 2 * c.perDocument);
    }
}

TEST_F(EffectTest, ADocumentNamedWithAFolderIsFoundByItsFileName)
{
    std::filesystem::create_directories(t.exam.AnswerDirectory() + "/SUB");
    WriteScene(true, "SUB/A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    EXPECT_EQ(Grade({"DESTFILE=SUB\\A.PSD", "&&10 EFFECT(R.PSD)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=SUB/A.PSD", "&&10 EFFECT(R.PSD)"}), 1);
}

TEST_F(EffectTest, NamesTooLongForTheWindowSearchAreDocumentsThatCannotBeOpened)
{
    const std::string longName(200, 'L');
    WriteScene(true, "A.PSD", 0);
    WriteScene(true, longName + ".PSD", 0);
    WriteScene(false, "R.PSD", 0);
    WriteScene(false, longName + ".PSD", 0);
    EXPECT_EQ(Grade({"DESTFILE=" + longName + ".PSD", "&&10 EFFECT(R.PSD)"}), 0);
    EXPECT_EQ(Grade({"DESTFILE=A.PSD", "&&10 EFFECT(" + longName + ".PSD)"}), 1);
}

TEST_F(EffectTest, AFailedCaptureNeverComparesAStaleImageButTheStartingImageCarriesOver)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    WriteScene(false, "S.PSD", 50);
    CMarkSession session(t.exam.AnswerDirectory() + "\\", t.exam.KeyDirectory() + "\\");
    session.OpenDestFile("DESTFILE=A.PSD");
    std::string first = "(SOURCEFILE=R.PSD INIFILE=S.PSD)";
    EXPECT_GT(session.EvaluateEffect(first, vantrel::effects::compare::EffectMode::Whole), 0.5);
    ASSERT_TRUE(session.captureSlots[2]);

    t.Desktop().SetDocumentWindowDelay(std::nullopt);
    std::string second = "(R.PSD)";
    EXPECT_EQ(session.EvaluateEffect(second, vantrel::effects::compare::EffectMode::Whole), 0);
    EXPECT_FALSE(session.captureSlots[0]);
    EXPECT_FALSE(session.captureSlots[1]);
    EXPECT_TRUE(session.captureSlots[2]);
}

TEST_F(EffectTest, ThePartialEffectComparesTheChanges)
{
    WriteScene(false, "S.PSD", 0);
    WriteScene(false, "R.PSD", 40);
    WriteScene(true, "SAME.PSD", 40);
    WriteScene(true, "NONE.PSD", 0);
    EXPECT_EQ(Grade({"DESTFILE=SAME.PSD", "&&10 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=NONE.PSD", "&&10 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), 0);
    // Without a starting image there is nothing to measure changes against.
    EXPECT_EQ(Grade({"DESTFILE=SAME.PSD", "&&10 PARTEFFECTS(SOURCEFILE=R.PSD)"}), 0);
    // A reference whose change stays within the grey tolerance gives an unchanged answer 0.3.
    t.exam.WriteKey("FAINT.PSD", RgbDocument(160, 120, [](int x, int y) {
        return Scene(x, y, 0) + (x < 80 && y < 60 ? 0x050505u : 0u);
    }));
    EXPECT_DOUBLE_EQ(Grade({"DESTFILE=NONE.PSD", "&&10 PARTEFFECT(SOURCEFILE=FAINT.PSD INIFILE=S.PSD)"}), 0.3);
}

TEST_F(EffectTest, TheImprovementRuleUsesTheStartingImage)
{
    WriteScene(false, "S.PSD", 60);
    WriteScene(false, "R.PSD", 0);
    WriteScene(true, "DONE.PSD", 0);
    WriteScene(true, "UNCHANGED.PSD", 60);
    EXPECT_EQ(Grade({"DESTFILE=DONE.PSD", "&&10 EFFECTS(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), 1);
    EXPECT_EQ(Grade({"DESTFILE=UNCHANGED.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"}), 0);
}

TEST_F(EffectTest, TheCapturedWindowIsOverpainted)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    t.Automation().FailCalls(vantrel::effects::session::CPhotoshopDocument::kEndDocument,
                             vantrel::platform::AutomationTarget::ReturnedObject);
    t.Automation().FailCalls(vantrel::effects::session::CPhotoshopApplication::kEndApplication,
                             vantrel::platform::AutomationTarget::CreatedObject);
    Grade({"DESTFILE=A.PSD", "&&10 EFFECT(R.PSD)"});
    // The studio still runs with both documents open, each window painted over.
    auto studio = t.studio->RunningInstance();
    ASSERT_TRUE(studio);
    ASSERT_EQ(studio->OpenDocumentCount(), 2u);
    for (int document : {1, 2}) {
        auto pixel = t.Desktop().ClientPixel(studio->DocumentWindow(document), 100, 80);
        ASSERT_TRUE(pixel);
        EXPECT_EQ(*pixel, (vantrel::platform::CVirtualDesktop::Rgb{127, 20, 125}));
    }
}

TEST_F(EffectTest, BlocksReportTheirSimilarities)
{
    WriteScene(true, "A.PSD", 0);
    WriteScene(false, "R.PSD", 0);
    WriteScene(false, "S.PSD", 60);
    struct Observer : vantrel::grading::IGradingObserver {
        void OnBlockScored(const vantrel::grading::CBlockReport& report) override { blocks.push_back(report); }
        std::vector<vantrel::grading::CBlockReport> blocks;
    } observer;
    const std::string key = AnswerKey({"DESTFILE=A.PSD", "&&10 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"});
    vantrel::grading::GradeAnswerKey(key.c_str(), t.exam.AnswerDirectory().c_str(), t.exam.KeyDirectory().c_str(), &observer);
    ASSERT_EQ(observer.blocks.size(), 1u);
    ASSERT_EQ(observer.blocks[0].effects.size(), 1u);
    const auto& effect = observer.blocks[0].effects[0];
    EXPECT_EQ(effect.sourceFile, "R.PSD");
    EXPECT_EQ(effect.examineeVsReference, 1.0);
    ASSERT_TRUE(effect.initialVsReference);
    EXPECT_LT(*effect.initialVsReference, 1.0);
    EXPECT_EQ(effect.similarity, 1.0);
}

}  // namespace
