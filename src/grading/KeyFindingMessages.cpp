// The words for each finding of the key check: one table, so that tests assert kinds and the
// wording can change in one place.

#include <array>
#include <string_view>

#include "grading/AnswerKeyCheck.h"

namespace vantrel::grading {

namespace {

// {subject} and {detail} stand for the finding's fields.
constexpr std::array<std::pair<KeyFindingKind, std::string_view>, 27> kMessages = {{
    {KeyFindingKind::LoneLineBreak, "a {subject} without CR LF ends no line: the text after it joins this line"},
    {KeyFindingKind::OneLine, "the key has fewer than two CR LF lines, so every examinee scores 0"},
    {KeyFindingKind::LinesPastLimit, "this line and the rest, of {detail} lines, are not read: only 1001 lines are"},
    {KeyFindingKind::BlockPastLimit, "this block is still open at line 1001, the last line read, and is not scored"},
    {KeyFindingKind::IgnoredLine, "ignored, as it is in no scoring block: {subject}"},
    {KeyFindingKind::NoDocumentName, "{subject} names no document, so the blocks after it score 0"},
    {KeyFindingKind::DocumentWithoutBlocks, "no scoring block follows this DESTFILE line, so its document is never graded"},
    {KeyFindingKind::BlockBeforeDocument, "block {subject} comes before any DESTFILE line, so it scores 0 for everyone"},
    {KeyFindingKind::WeightNotANumber, "the weight {subject} reads as {detail}: the number must follow && directly"},
    {KeyFindingKind::WeightsNotTen, "the weights an examinee can earn add up to {detail}, not 10 (a mark is 0.1 x the sum, at most 1)"},
    {KeyFindingKind::UnknownCriterion, "the grader knows no criterion {subject}, so the block scores 0"},
    {KeyFindingKind::NoComparison, "a property criterion with nothing to compare fails, so the block scores 0"},
    {KeyFindingKind::NoOperator, "{subject} has no =, <, > or <> (blanks around < and > split it), so the block scores 0"},
    {KeyFindingKind::UnknownKey, "{subject} is ignored: IMAGE knows only WIDTH, HEIGHT, CHANNEL and COLORMODE"},
    {KeyFindingKind::NotExamined, "{subject} is not examined: LAYER and MASK comparisons pass for every document"},
    {KeyFindingKind::NeverMatches, "{subject} matches no document, so the block scores 0"},
    {KeyFindingKind::AlwaysMatches, "{subject} matches every document"},
    {KeyFindingKind::NeverEvaluated, "{subject} is never evaluated: the block's first effect criterion decides it"},
    {KeyFindingKind::StrayClosingBracket, "unbalanced brackets: a \")\" closes nothing in {subject}, so the block scores 0"},
    {KeyFindingKind::UnclosedBracket, "unbalanced brackets: a \"(\" is never closed, so this is ignored: {subject}"},
    {KeyFindingKind::StrayText, "ignored, as it is no NAME(...) criterion: {subject}"},
    {KeyFindingKind::IgnoredEffectText, "{subject} is ignored: an effect criterion reads only SOURCEFILE= and INIFILE="},
    {KeyFindingKind::NoReference, "the effect criterion names no reference document, so the block scores 0"},
    {KeyFindingKind::ReferenceUnopenable, "{subject} cannot be opened ({detail}): every examinee gets full credit"},
    {KeyFindingKind::StartingUnopenable, "{subject} cannot be opened ({detail}): the starting image takes no part"},
    {KeyFindingKind::PartialWithoutStart, "a partial effect without a starting image (INIFILE=) scores 0"},
    {KeyFindingKind::MoreFindings, "and {detail} more findings, not listed"},
}};

void ReplaceAll(std::string& text, std::string_view field, const std::string& value)
{
    for (std::size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
}

}  // namespace

std::string DescribeKeyFinding(const CKeyFinding& finding)
{
    std::string text = "?";
    for (const auto& [kind, message] : kMessages)
        if (kind == finding.kind) text = message;
    if (finding.kind == KeyFindingKind::LoneLineBreak && finding.subject == "more")
        text = "{detail} more CR or LF characters outside CR LF pairs, from here on";
    ReplaceAll(text, "{subject}", finding.subject);
    ReplaceAll(text, "{detail}", finding.detail);
    if (!finding.suggestion.empty()) text += " (did you mean " + finding.suggestion + "?)";
    return finding.line > 0 ? "line " + std::to_string(finding.line) + ": " + text : text;
}

}  // namespace vantrel::grading
