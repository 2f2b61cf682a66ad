#include "commands/ExamineeGrading.h"

#include <charconv>
#include <vector>

#include "commands/EffectImageFiles.h"
#include "grading/Grading.h"
#include "platform/posix/CodePageConversion.h"
#include "text/CodePage.h"

using vantrel::grading::CBlockReport;
using vantrel::grading::GradeAnswerKey;
using vantrel::grading::IGradingObserver;

using vantrel::effects::compare::CEffectReport;
using vantrel::effects::compare::EffectMode;

namespace vantrel::cli::commands {

namespace {

std::string Utf8(const std::string& text) { return platform::ToUtf8(text, text::ActiveCodePage()); }

struct BlockCollector : IGradingObserver {
    explicit BlockCollector(bool images) : wantsImages(images) {}
    void OnBlockScored(const CBlockReport& report) override { blocks.push_back(report); }
    bool WantsEffectImages() const override { return wantsImages; }
    bool wantsImages;
    std::vector<CBlockReport> blocks;
};

nlohmann::json ToJson(const CEffectReport& effect)
{
    nlohmann::json e = {{"mode", effect.mode == EffectMode::Whole ? "whole" : "partial"},
                        {"source", Utf8(effect.sourceFile)},
                        {"similarity", effect.similarity}};
    if (!effect.initialFile.empty()) e["initial"] = Utf8(effect.initialFile);
    if (effect.examineeVsReference) e["examinee_vs_reference"] = *effect.examineeVsReference;
    if (effect.initialVsReference) e["initial_vs_reference"] = *effect.initialVsReference;
    return e;
}

nlohmann::json ToJson(const CBlockReport& block)
{
    nlohmann::json criteria = nlohmann::json::array();
    for (const auto& criterion : block.criteria) criteria.push_back(Utf8(criterion));
    return {{"line", block.lineNumber}, {"weight", block.weight}, {"criteria", criteria}, {"score", block.score}};
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
    try {
        result.mark = GradeAnswerKey(key.c_str(), answers.c_str(), keys.c_str(), &collector);
    } catch (...) {
        result.mark = 0;
    }
    for (const auto& block : collector.blocks) {
        nlohmann::json json = ToJson(block);
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
