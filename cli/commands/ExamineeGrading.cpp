#include "commands/ExamineeGrading.h"

#include <charconv>
#include <vector>

#include "commands/EffectImageFiles.h"
#include "commands/HandInStatus.h"
#include "grading/Grading.h"
#include "hosting/headless/HeadlessBuildPlatform.h"
#include "hosting/headless/StudioInstallation.h"
#include "platform/posix/CodePageConversion.h"
#include "text/AsciiCase.h"
#include "text/CodePage.h"

using vantrel::grading::CBlockReport;
using vantrel::grading::CCriterionOutcome;
using vantrel::grading::CDocumentReport;
using vantrel::grading::CriterionResult;
using vantrel::grading::GradeAnswerKey;
using vantrel::grading::IGradingObserver;

using vantrel::effects::compare::CaptureShortfall;
using vantrel::effects::compare::CEffectReport;
using vantrel::effects::compare::EffectMode;

namespace vantrel::cli::commands {

namespace {

std::string Utf8(const std::string& text) { return platform::ToUtf8(text, text::ActiveCodePage()); }

struct BlockCollector : IGradingObserver {
    explicit BlockCollector(bool images) : wantsImages(images) {}
    void OnBlockScored(const CBlockReport& report) override
    {
        blocks.push_back(report);
        documentOfBlock.push_back(documents.empty() ? -1 : static_cast<int>(documents.size()) - 1);
        if (documents.empty()) return;
        for (const CEffectReport& effect : report.effects) {
            if (effect.shortfall != CaptureShortfall::ExamineeNotOpened || documents.back().refusedByEditor) continue;
            documents.back().refusedByEditor = true;
            documents.back().editorReason = Utf8(effect.shortfallReason);
        }
    }
    void OnDocumentOpened(const CDocumentReport& report) override
    {
        documents.push_back({Utf8(report.name), report.access, false, {}, {}});
    }
    bool WantsEffectImages() const override { return wantsImages; }
    bool wantsImages;
    std::vector<CBlockReport> blocks;
    std::vector<int> documentOfBlock;  // into documents; -1 before the first document line
    std::vector<CHandInDocument> documents;
};

// The studio's word on each document it drew without some of what the layers use, while one
// examinee is graded; it stops listening when the grading ends, however it ends.
class CDrawingGapListener {
public:
    CDrawingGapListener()
    {
        hosting::DefaultStudioInstallation().ReportDrawingGapsTo(
            [this](const std::string& path, const std::vector<std::string>& notDrawn) {
                gaps_.emplace_back(Utf8(path), notDrawn);
            });
    }
    ~CDrawingGapListener() { hosting::DefaultStudioInstallation().ReportDrawingGapsTo({}); }
    CDrawingGapListener(const CDrawingGapListener&) = delete;
    CDrawingGapListener& operator=(const CDrawingGapListener&) = delete;

    // What was not drawn of the document named name in the answer folder.
    std::vector<std::string> Of(const std::string& answers, const std::string& name) const
    {
        const std::string wanted = text::AsciiLowered(Slashed(answers + "/" + name));
        for (const auto& [path, notDrawn] : gaps_)
            if (text::AsciiLowered(Slashed(path)) == wanted) return notDrawn;
        return {};
    }

private:
    static std::string Slashed(std::string path)
    {
        for (char& c : path)
            if (c == '\\') c = '/';
        std::string single;
        for (char c : path)
            if (!(c == '/' && !single.empty() && single.back() == '/')) single += c;
        return single;
    }

    std::vector<std::pair<std::string, std::vector<std::string>>> gaps_;
};

const char* ShortfallName(CaptureShortfall shortfall)
{
    switch (shortfall) {
    case CaptureShortfall::None: break;
    case CaptureShortfall::NoReferenceNamed: return "no reference named";
    case CaptureShortfall::EditorNotStarted: return "the editor did not start";
    case CaptureShortfall::NoMainWindow: return "the editor showed no main window";
    case CaptureShortfall::ExamineeNotOpened: return "the editor could not open the examinee's document";
    case CaptureShortfall::ReferenceNotOpened: return "the editor could not open the reference: full credit";
    case CaptureShortfall::ExamineeNotShown: return "no window showed the examinee's document";
    case CaptureShortfall::ReferenceNotShown: return "no window showed the reference";
    case CaptureShortfall::InitialNotOpened: return "the editor could not open the starting image";
    }
    return "";
}

nlohmann::json ToJson(const CEffectReport& effect)
{
    nlohmann::json e = {{"mode", effect.mode == EffectMode::Whole ? "whole" : "partial"},
                        {"source", Utf8(effect.sourceFile)},
                        {"similarity", effect.similarity}};
    if (!effect.initialFile.empty()) e["initial"] = Utf8(effect.initialFile);
    if (effect.examineeVsReference) e["examinee_vs_reference"] = *effect.examineeVsReference;
    if (effect.initialVsReference) e["initial_vs_reference"] = *effect.initialVsReference;
    if (effect.shortfall != CaptureShortfall::None) e["shortfall"] = ShortfallName(effect.shortfall);
    if (!effect.shortfallReason.empty()) e["reason"] = Utf8(effect.shortfallReason);
    return e;
}

nlohmann::json ToJson(const CCriterionOutcome& outcome)
{
    nlohmann::json o;
    switch (outcome.result) {
    case CriterionResult::Passed: o["result"] = "passed"; break;
    case CriterionResult::Failed: o["result"] = "failed"; break;
    case CriterionResult::Compared: o["result"] = "compared"; break;
    case CriterionResult::Interrupted: o["result"] = "interrupted"; break;
    case CriterionResult::NotReached:
        o = {{"result", kNotEvaluated}, {"why", "an earlier criterion decided the block"}};
        break;
    case CriterionResult::NoDocument: o = {{"result", kNotEvaluated}, {"why", "the document is not open"}}; break;
    }
    for (const auto& comparison : outcome.comparisons) {
        nlohmann::json c = {{"comparison", Utf8(comparison.token)}, {"passed", comparison.passed}};
        if (comparison.seen) c["seen"] = *comparison.seen;
        o["comparisons"].push_back(std::move(c));
    }
    if (outcome.effect) o["effect"] = *outcome.effect;
    return o;
}

nlohmann::json ToJson(const CBlockReport& block)
{
    nlohmann::json criteria = nlohmann::json::array();
    for (const auto& criterion : block.criteria) criteria.push_back(Utf8(criterion));
    nlohmann::json outcomes = nlohmann::json::array();
    for (const auto& outcome : block.outcomes) outcomes.push_back(ToJson(outcome));
    return {{"line", block.lineNumber}, {"weight", block.weight}, {"criteria", criteria},
            {"outcomes", outcomes}, {"score", block.score}};
}

}  // namespace

std::string ShortestDecimal(double value)
{
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;
    return std::string(buffer, end);
}

CExamineeGrading GradeExaminee(const std::string& key, const std::string& answers, const std::string& keys,
                               const CImageFolders& captures)
{
    CExamineeGrading result;
    BlockCollector collector(!captures.examinee.empty());
    {
        CDrawingGapListener gaps;
        try {
            result.mark = GradeAnswerKey(key.c_str(), answers.c_str(), keys.c_str(), &collector);
        } catch (...) {
            result.mark = 0;
        }
        for (CHandInDocument& document : collector.documents) document.notDrawn = gaps.Of(answers, document.name);
    }
    result.status = HandInStatus(collector.documents, answers);
    for (std::size_t b = 0; b < collector.blocks.size(); ++b) {
        const CBlockReport& block = collector.blocks[b];
        nlohmann::json json = ToJson(block);
        if (const int document = collector.documentOfBlock[b]; document >= 0)
            json["document"] = collector.documents[document].name;
        for (std::size_t i = 0; i < block.effects.size(); ++i) {
            const CEffectReport& effect = block.effects[i];
            nlohmann::json e = ToJson(effect);
            if (effect.images) {
                const std::string stem = "line" + std::to_string(block.lineNumber) + "-" + std::to_string(i + 1);
                std::string reason;
                e["captures"] = WriteEffectImageFiles(*effect.images, captures, stem, reason);
                if (!reason.empty() && result.captureFailure.empty()) result.captureFailure = reason;
            }
            json["effects"].push_back(std::move(e));
        }
        result.blocks.push_back(std::move(json));
    }
    return result;
}

}  // namespace vantrel::cli::commands
