#include "effects/AutomationDriver.h"
#include "effects/ImprovementRule.h"
#include "effects/PhotoshopLocator.h"
#include "effects/WindowSearchState.h"
#include "grading/MarkSession.h"
#include "text/WhiteSpace.h"

namespace vantrel {

namespace {

constexpr char kLaunchFailedMessage[] = "Start Photoshop \xE5\xA4\xB1\xE8\xB4\xA5!";  // "Start Photoshop 失败!"
constexpr std::size_t kMaxExePath = 263;

// The value after key: up to and including the first blank, or to the end of the text.
bool ScanValue(const std::string& text, const char* key, std::string& value)
{
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return false;
    const std::size_t start = at + std::char_traits<char>::length(key);
    if (start >= text.size()) return true;
    const std::size_t blank = text.find(' ', start);
    value = text.substr(start, blank == std::string::npos ? std::string::npos : blank - start + 1);
    return true;
}

// The application driver is released on every path out of an evaluation.
struct ApplicationRelease {
    ~ApplicationRelease() { thePhotoshopApp.ReleaseDispatch(); }
};

}  // namespace

void CMarkSession::ParseEffectArguments(std::string& text, std::string& source, std::string& initial)
{
    for (char& c : text)
        if (c == '(' || c == ')') c = ' ';
    text::Trim(text);
    source.clear();
    initial.clear();
    if (!ScanValue(text, "SOURCEFILE=", source)) {
        source = text;
        return;
    }
    ScanValue(text, "INIFILE=", initial);
}

double CMarkSession::EvaluateEffect(std::string& arguments, int mode)
{
    CEffectReport report;
    report.mode = mode != 0 ? 1 : 0;
    auto finish = [&](double similarity) {
        report.similarity = similarity;
        if (currentBlock) currentBlock->effects.push_back(report);
        return similarity;
    };

    std::string source;
    std::string initial;
    ParseEffectArguments(arguments, source, initial);
    text::Trim(source);
    text::Trim(initial);
    report.sourceFile = source;
    report.initialFile = initial;
    // A capture that fails must never compare an image left from an earlier criterion; the
    // starting image is kept, as a later criterion may rely on it.
    captureSlots[0].reset();
    captureSlots[1].reset();
    if (source.empty()) return finish(0);

    auto& platform = platform::ActivePlatform();
    const std::string exe = CPhotoshopLocator().FindPhotoshopExe();
    if (exe.size() > kMaxExePath || platform.Launcher().Launch(exe, platform::kShowNormal) < 32) {
        platform.MessageBox().Show(kLaunchFailedMessage);
        return finish(0);
    }

    ApplicationRelease release;
    thePhotoshopApp.CreateDispatch("Photoshop.Application");
    thePhotoshopApp.PutAppFlag(true);
    theWindowSearch.mainWindow = 0;
    FindMainWindow();

    if (theWindowSearch.mainWindow) {
        theWindowSearch.windowName = documentFileName;
        if (!CaptureDocument(theWindowSearch.windowName, 0)) {
            thePhotoshopApp.EndApplication();
            return finish(0);
        }
        theWindowSearch.windowName = source;
        if (!CaptureDocument(theWindowSearch.windowName, 1)) {
            thePhotoshopApp.EndApplication();
            return finish(1);
        }
        if (!initial.empty()) {
            theWindowSearch.windowName = initial;
            CaptureDocument(theWindowSearch.windowName, 2);
        }
    }
    thePhotoshopApp.EndApplication();
    thePhotoshopApp.ReleaseDispatch();

    return finish(SimilarityOfCaptures(report.mode, !initial.empty(), report));
}

double CMarkSession::SimilarityOfCaptures(int mode, bool withInitial, CEffectReport& report) const
{
    if (mode != 0) return ComparePartialCaptures();
    const double a = CompareCaptures(0, 1);
    report.examineeVsReference = a;
    if (!withInitial) return a;
    const double b = CompareCaptures(2, 1);
    report.initialVsReference = b;
    return ApplyImprovementRule(a, b);
}

}  // namespace vantrel
