#include "grading/BlockSyntax.h"

#include <algorithm>

#include "text/NumberReading.h"
#include "text/WhiteSpace.h"

using vantrel::effects::compare::EffectMode;

namespace vantrel::grading {

namespace {

bool IsDoubleDot(const std::string& text, std::size_t i)
{
    return text[i] == '.' && i + 1 < text.size() && text[i + 1] == '.';
}

}  // namespace

void NormalizeBlockBlanks(std::string& text)
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

CBlockHead ReadBlockHead(std::string& blockText)
{
    text::Trim(blockText);
    for (char& c : blockText)
        if (c == '\r' || c == '\n' || c == ',' || c == ';') c = ' ';
    NormalizeBlockBlanks(blockText);

    CBlockHead head;
    const std::size_t blank = blockText.find(' ');
    head.weightToken = blockText.substr(0, blank);
    head.weight = text::ReadDecimal(std::string_view(head.weightToken).substr(std::min<std::size_t>(2, head.weightToken.size())));
    head.criteriaStart = blank == std::string::npos ? 0 : blank;
    return head;
}

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

CCriterionParts SplitCriterion(std::string_view criterion)
{
    const std::size_t paren = criterion.find('(');
    if (paren == std::string_view::npos) return {std::string(), std::string(criterion)};
    return {std::string(criterion.substr(0, paren)), std::string(criterion.substr(paren))};
}

std::optional<EffectMode> EffectModeOfName(const std::string& name)
{
    if (name == "EFFECT" || name == "EFFECTS") return EffectMode::Whole;
    if (name == "PARTEFFECT" || name == "PARTEFFECTS") return EffectMode::Partial;
    return std::nullopt;
}

}  // namespace vantrel::grading
