#include "batch/OutcomeText.h"


#include "batch/ReportHtml.h"
#include "document/PropertyCriteria.h"
#include "text/ColorModeNames.h"

namespace vantrel::cli::batch {

namespace {

using Json = nlohmann::json;

std::string TextOf(const Json& json, const char* key)
{
    if (!json.is_object() || !json.contains(key) || !json[key].is_string()) return {};
    return json[key].get<std::string>();
}

// The person's name for a key of IMAGE's table, or empty for any other key.
std::string KeyName(const std::string& key)
{
    const auto found = document::FindImageKey(key);
    if (!found) return {};
    switch (*found) {
    case document::ImageKey::Width: return "width";
    case document::ImageKey::Height: return "height";
    case document::ImageKey::Channel: return "channels";
    case document::ImageKey::ColorMode: return "colour mode";
    }
    return {};
}

std::string SeenText(const std::string& key, std::int64_t seen)
{
    if (document::FindImageKey(key) != document::ImageKey::ColorMode) return std::to_string(seen);
    const text::ColorModeName* mode = text::FindColorMode(static_cast<int>(seen));
    return mode ? std::string(mode->keyword) : "mode " + std::to_string(seen);
}

const char* OperatorText(document::CompareOp op)
{
    switch (op) {
    case document::CompareOp::Equal: return "";
    case document::CompareOp::Greater: return "> ";
    case document::CompareOp::Less: return "< ";
    case document::CompareOp::GreaterOrEqual: return ">= ";
    case document::CompareOp::LessOrEqual: return "<= ";
    case document::CompareOp::NotEqual: return "not ";
    }
    return "";
}

// "width 600, asked 640: not met"; a comparison without a seen value as written.
std::string ComparisonText(const Json& comparison)
{
    const std::string token = TextOf(comparison, "comparison");
    const bool passed = comparison.is_object() && comparison.contains("passed") && comparison["passed"] == true;
    const auto parsed = document::ParseComparison(token);
    std::string text = token;
    const bool seen = comparison.contains("seen") && comparison["seen"].is_number_integer();
    if (parsed && seen && !KeyName(parsed->key).empty())
        text = KeyName(parsed->key) + " " + SeenText(parsed->key, comparison["seen"].get<std::int64_t>()) + ", asked " +
               OperatorText(parsed->op) + parsed->value;
    return text + (passed ? ": met" : ": not met");
}

std::string EffectText(const Json& effect)
{
    const bool scored = effect.is_object() && effect.contains("similarity") && effect["similarity"].is_number();
    std::string text = "similarity " + Fixed(scored ? effect["similarity"].get<double>() : 0.0);
    const std::string shortfall = TextOf(effect, "shortfall");
    if (!shortfall.empty()) text += "; " + shortfall;
    const std::string reason = TextOf(effect, "reason");
    if (!reason.empty()) text += " (" + reason + ")";
    return text;
}

std::string OutcomeText(const Json& outcome, const Json& effects)
{
    const std::string result = TextOf(outcome, "result");
    std::string text = result;
    if (result == "not evaluated" && outcome.contains("why")) text += ": " + TextOf(outcome, "why");
    if (result == "interrupted") text += ": an error ended the block, which scores half its weight";
    if (outcome.contains("comparisons") && outcome["comparisons"].is_array()) {
        text.clear();
        for (const Json& comparison : outcome["comparisons"])
            text += (text.empty() ? "" : "; ") + ComparisonText(comparison);
    }
    if (outcome.contains("effect") && outcome["effect"].is_number_unsigned() && effects.is_array()) {
        const std::size_t index = outcome["effect"].get<std::size_t>();
        if (index < effects.size()) text = EffectText(effects[index]);
    }
    return text;
}

}  // namespace

std::vector<std::string> OutcomeLines(const Json& block)
{
    std::vector<std::string> lines;
    if (!block.is_object() || !block.contains("criteria") || !block["criteria"].is_array()) return lines;
    const Json& criteria = block["criteria"];
    const Json outcomes = block.contains("outcomes") ? block["outcomes"] : Json::array();
    const Json effects = block.contains("effects") ? block["effects"] : Json::array();
    for (std::size_t i = 0; i < criteria.size(); ++i) {
        std::string line = criteria[i].is_string() ? criteria[i].get<std::string>() : std::string();
        if (outcomes.is_array() && i < outcomes.size()) line += ": " + OutcomeText(outcomes[i], effects);
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace vantrel::cli::batch
