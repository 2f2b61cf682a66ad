#include <string_view>

#include "grading/MarkSession.h"
#include "text/NumberReading.h"
#include "text/WhiteSpace.h"

using vantrel::effects::compare::EffectMode;

namespace vantrel::grading {

namespace {

bool IsDoubleDot(const std::string& text, std::size_t i)
{
    return text[i] == '.' && i + 1 < text.size() && text[i + 1] == '.';
}

bool IsEffectName(const std::string& name, EffectMode& mode)
{
    if (name == "EFFECT" || name == "EFFECTS") return mode = EffectMode::Whole, true;
    if (name == "PARTEFFECT" || name == "PARTEFFECTS") return mode = EffectMode::Partial, true;
    return false;
}

// Cuts the next NAME(ARGUMENTS) off the front of list: up to the ")" that balances the first
// "(", or up to a ")" that closes nothing when there is no "(". Leading white space goes first.
// Works on a view so that cutting many criteria off a long block stays linear.
bool CutCriterion(std::string_view& list, std::string_view& criterion)
{
    criterion = {};
    while (!list.empty() && text::IsWhiteSpace(list.front())) list.remove_prefix(1);
    const std::size_t open = list.find('(');
    std::size_t p = open == std::string_view::npos ? 0 : open + 1;
    int opened = 1;
    int closed = 0;
    for (; p < list.size(); ++p) {
        if (list[p] == '(') ++opened;
        if (list[p] == ')' && ++closed == opened) {
            criterion = list.substr(0, p + 1);
            list.remove_prefix(p + 1);
            return true;
        }
    }
    return false;
}

}  // namespace

void CMarkSession::NormalizeBlanks(std::string& text) const
{
    // No blanks after a blank, "(", "/", "|", "=" or "..".
    std::string after;
    after.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        after += c;
        if (IsDoubleDot(text, i)) after += text[++i];
        else if (c != ' ' && c != '(' && c != '/' && c != '|' && c != '=') continue;
        while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
    }
    // No blanks before a blank, "(", ")", "/", "|", "=" or "..".
    std::string before;
    before.reserve(after.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const char c = after[i];
        if (c == ' ' || c == '(' || c == ')' || c == '/' || c == '|' || c == '=' || IsDoubleDot(after, i))
            while (!before.empty() && before.back() == ' ') before.pop_back();
        before += c;
    }
    text = std::move(before);
}

bool CMarkSession::NextCriterion(std::string& list, std::string& criterion) const
{
    std::string_view rest(list);
    std::string_view cut;
    const bool found = CutCriterion(rest, cut);
    criterion.assign(cut);
    list.erase(0, list.size() - rest.size());
    return found;
}

double CMarkSession::EvaluateBlock(std::string& blockText)
{
    if (documentHandle == -1) return 0;

    text::Trim(blockText);
    for (char& c : blockText)
        if (c == '\r' || c == '\n' || c == ',' || c == ';') c = ' ';
    NormalizeBlanks(blockText);

    const std::size_t blank = blockText.find(' ');
    const std::string weightToken = blockText.substr(0, blank);
    const double weight = text::ReadDecimal(std::string_view(weightToken).substr(std::min<std::size_t>(2, weightToken.size())));
    std::string_view criteria(blockText);
    criteria.remove_prefix(blank == std::string::npos ? 0 : blank);
    if (currentBlock) currentBlock->weight = weight;

    try {
        std::string_view criterion;
        while (CutCriterion(criteria, criterion)) {
            if (currentBlock) currentBlock->criteria.emplace_back(criterion);
            const std::size_t paren = criterion.find('(');
            const std::string name(paren == std::string_view::npos ? std::string_view() : criterion.substr(0, paren));
            std::string arguments(paren == std::string_view::npos ? criterion : criterion.substr(paren));
            EffectMode mode = EffectMode::Whole;
            if (IsEffectName(name, mode)) return weight * EvaluateEffect(arguments, mode);
            if (!EvaluatePropertyCriterion(name, arguments)) return 0;
        }
        return weight;
    } catch (...) {
        return weight * 0.5;
    }
}

}  // namespace vantrel::grading
