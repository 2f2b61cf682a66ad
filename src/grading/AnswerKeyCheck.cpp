#include "grading/AnswerKeyCheck.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <string_view>

#include "document/DestFile.h"
#include "document/PropertyCriteria.h"
#include "document/PropertyCriterionCheck.h"
#include "effects/session/EffectCriterion.h"
#include "grading/AnswerKeyWalk.h"
#include "grading/BlockSyntax.h"
#include "text/ColorModeNames.h"
#include "text/NearestWord.h"
#include "text/NumberReading.h"
#include "text/WhiteSpace.h"

using vantrel::document::ComparisonFinding;
using vantrel::effects::compare::EffectMode;

namespace vantrel::grading {

namespace {

constexpr std::size_t kLoneBreaksShown = 5;
// A hostile key could otherwise find something in every one of millions of comparisons.
constexpr std::size_t kMostFindings = 1000;
constexpr std::size_t kSubjectChars = 80;  // longer subjects are shown cut, so a line stays a line

std::string Shortened(std::string_view text)
{
    if (text.size() <= kSubjectChars) return std::string(text);
    return std::string(text.substr(0, kSubjectChars)) + "...";
}

KeyFindingKind KindOf(ComparisonFinding finding)
{
    switch (finding) {
    case ComparisonFinding::UnknownCriterion: return KeyFindingKind::UnknownCriterion;
    case ComparisonFinding::NoComparison: return KeyFindingKind::NoComparison;
    case ComparisonFinding::NoOperator: return KeyFindingKind::NoOperator;
    case ComparisonFinding::UnknownKey: return KeyFindingKind::UnknownKey;
    case ComparisonFinding::NotExamined: return KeyFindingKind::NotExamined;
    case ComparisonFinding::NeverMatches: return KeyFindingKind::NeverMatches;
    case ComparisonFinding::AlwaysMatches: return KeyFindingKind::AlwaysMatches;
    }
    return KeyFindingKind::UnknownCriterion;
}

// The keyword that a finding's text most likely misspells, if any.
std::string Suggestion(KeyFindingKind kind, const std::string& subject)
{
    const std::string_view text(subject);
    const std::string_view beforeEquals = text.substr(0, text.find_first_of("=:"));
    const auto comparison = document::ParseComparison(subject);
    switch (kind) {
    case KeyFindingKind::UnknownCriterion:
        return std::string(text::NearestWord(text, {"IMAGE", "LAYER", "MASK", "EFFECT", "EFFECTS", "PARTEFFECT", "PARTEFFECTS"}));
    case KeyFindingKind::UnknownKey:
        if (!comparison) return {};
        return std::string(text::NearestWord(comparison->key, {"WIDTH", "HEIGHT", "CHANNEL", "COLORMODE"}));
    case KeyFindingKind::NeverMatches: {
        std::vector<std::string_view> names;
        for (const auto& mode : text::kColorModeNames)
            if (mode.inAnswerKeys) names.push_back(mode.keyword);
        const bool colorMode = comparison && comparison->key.rfind("COLORMODE", 0) == 0;
        return colorMode ? std::string(text::NearestWord(comparison->value, names)) : std::string();
    }
    case KeyFindingKind::IgnoredLine:
    case KeyFindingKind::StrayText: return std::string(text::NearestWord(beforeEquals, {"DESTFILE"}));
    case KeyFindingKind::IgnoredEffectText:
    case KeyFindingKind::ReferenceUnopenable: return std::string(text::NearestWord(beforeEquals, {"SOURCEFILE", "INIFILE"}));
    default: return {};
    }
}

// Maps offsets of a block's rewritten text back to its joined lines. Rewriting only turns
// separators into blanks and drops blanks, so the rewritten text is the joined text with
// blanks left out, and one forward walk over both finds each non-blank character's origin.
class COriginWalk {
public:
    COriginWalk(const std::string& rewritten, const CKeyBlockLines& block) : rewritten_(rewritten), block_(block) {}

    // The 0-based line of the character at offset, which is not a blank; offsets only grow.
    int LineAt(std::size_t offset)
    {
        for (; at_ <= offset && at_ < rewritten_.size(); ++at_, ++origin_) {
            const char wanted = rewritten_[at_];
            while (origin_ < block_.text.size() && !Matches(block_.text[origin_], wanted)) ++origin_;
        }
        const std::size_t origin = origin_ == 0 ? 0 : origin_ - 1;
        auto after = std::upper_bound(block_.lineStarts.begin(), block_.lineStarts.end(), origin,
                                      [](std::size_t o, const auto& start) { return o < start.second; });
        return after == block_.lineStarts.begin() ? block_.openerLine : std::prev(after)->first;
    }

private:
    static bool Matches(char original, char wanted)
    {
        if (wanted != ' ') return original == wanted;
        return text::IsWhiteSpace(original) || original == ',' || original == ';';
    }

    const std::string& rewritten_;
    const CKeyBlockLines& block_;
    std::size_t at_ = 0;
    std::size_t origin_ = 0;
};

// Whether a weight token reads wholly as the number after "&&", read as the evaluator reads it.
bool WeightReadsWhole(const std::string& token)
{
    const std::string_view number = std::string_view(token).substr(std::min<std::size_t>(2, token.size()));
    std::size_t used = 0;
    text::ReadDecimal(number, used);
    return used > 0 && used == number.size();
}

class CCheckingVisitor : public IAnswerKeyVisitor {
public:
    explicit CCheckingVisitor(const KeyDocumentOpener& open) : open_(open) {}

    void OnLine(int index, KeyLineKind kind, const std::string& tested, bool inBlock) override
    {
        if (kind == KeyLineKind::Content && !inBlock && !tested.empty())
            Add(index, KeyFindingKind::IgnoredLine, Shortened(tested));
        // A block left open at the line limit still follows its document line.
        if (kind == KeyLineKind::BlockOpener) ++blocksSinceDocument_;
    }

    void OnDocumentLine(int index, const std::string& tested) override
    {
        EndDocument();
        const auto name = document::DocumentNameOf(tested);
        if (!name || name->empty()) Add(index, KeyFindingKind::NoDocumentName, Shortened(tested));
        documentLine_ = index;
        blocksSinceDocument_ = 0;
    }

    void OnBlockEnd(CKeyBlockLines& block) override
    {
        std::string text = block.text;
        const CBlockHead head = ReadBlockHead(text);
        if (documentLine_ < 0) {
            Add(block.openerLine, KeyFindingKind::BlockBeforeDocument, Shortened(head.weightToken));
        } else if (head.weight > 0) {
            earnable_ += head.weight;
        }
        if (!WeightReadsWhole(head.weightToken))
            Add(block.openerLine, KeyFindingKind::WeightNotANumber, Shortened(head.weightToken), NumberText(head.weight));
        CheckCriteria(text, head, block);
    }

    // After the walk: what only the whole key shows.
    void Finish(const CKeyWalk& walk)
    {
        EndDocument();
        if (walk.lineCount < 2) findings_.push_back({0, KeyFindingKind::OneLine, {}, {}, {}});
        if (walk.lineCount > static_cast<std::size_t>(walk.linesRead) && walk.linesRead > 0)
            Add(walk.linesRead, KeyFindingKind::LinesPastLimit, {}, std::to_string(walk.lineCount));
        if (walk.blockLeftOpenLine >= 0) Add(walk.blockLeftOpenLine, KeyFindingKind::BlockPastLimit, {});
        if (walk.lineCount >= 2 && std::fabs(earnable_ - 10) > 1e-9)
            findings_.push_back({0, KeyFindingKind::WeightsNotTen, {}, NumberText(earnable_), {}});
        if (unlisted_ > 0) findings_.push_back({0, KeyFindingKind::MoreFindings, {}, std::to_string(unlisted_), {}});
    }

    void Add(int index, KeyFindingKind kind, std::string subject, std::string detail = {})
    {
        if (findings_.size() >= kMostFindings) {
            ++unlisted_;
            return;
        }
        std::string suggestion = Suggestion(kind, subject);
        findings_.push_back({index + 1, kind, std::move(subject), std::move(detail), std::move(suggestion)});
    }

    std::vector<CKeyFinding>& Findings() { return findings_; }

private:
    static std::string NumberText(double value)
    {
        std::string text = std::to_string(value);
        while (text.find('.') != std::string::npos && (text.back() == '0' || text.back() == '.')) {
            const bool dot = text.back() == '.';
            text.pop_back();
            if (dot) break;
        }
        return text;
    }

    void EndDocument()
    {
        if (documentLine_ >= 0 && blocksSinceDocument_ == 0) Add(documentLine_, KeyFindingKind::DocumentWithoutBlocks, {});
    }

    void CheckCriteria(const std::string& text, const CBlockHead& head, const CKeyBlockLines& block)
    {
        COriginWalk origins(text, block);
        std::string_view list(text);
        list.remove_prefix(head.criteriaStart);
        std::string_view criterion;
        bool decided = false;
        while (CutCriterion(list, criterion)) {
            const int line = origins.LineAt(static_cast<std::size_t>(criterion.data() - text.data()));
            CCriterionParts parts = SplitCriterion(criterion);
            const auto mode = EffectModeOfName(parts.name);
            if (decided) {
                Add(line, KeyFindingKind::NeverEvaluated, Shortened(criterion));
            } else if (criterion.find('(') == std::string_view::npos || parts.name.find(')') != std::string::npos) {
                Add(line, KeyFindingKind::StrayClosingBracket, Shortened(criterion));
            } else if (mode) {
                CheckEffect(line, parts.arguments, *mode);
            } else {
                for (const auto& finding : document::CheckPropertyCriterion(parts.name, std::move(parts.arguments)))
                    Add(line, KindOf(finding.finding), Shortened(finding.token));
            }
            decided = decided || mode.has_value();
        }
        while (!list.empty() && text::IsWhiteSpace(list.front())) list.remove_prefix(1);
        // A block of its weight token alone has that token as its criteria list.
        if (list.empty() || list.data() == text.data()) return;
        const int line = origins.LineAt(static_cast<std::size_t>(list.data() - text.data()));
        Add(line, list.find('(') == std::string_view::npos ? KeyFindingKind::StrayText : KeyFindingKind::UnclosedBracket,
            Shortened(list));
    }

    void CheckEffect(int line, std::string arguments, EffectMode mode)
    {
        std::string source;
        std::string initial;
        effects::session::ParseEffectArguments(arguments, source, initial);
        text::Trim(source);
        text::Trim(initial);
        if (arguments.find("SOURCEFILE=") != std::string::npos) ReportIgnoredArguments(line, arguments);

        std::string reason;
        if (source.empty()) Add(line, KeyFindingKind::NoReference, {});
        else if (!Opens(source, reason)) Add(line, KeyFindingKind::ReferenceUnopenable, Shortened(source), reason);
        if (!initial.empty()) {
            if (Opens(initial, reason)) startingImageSeen_ = true;
            else Add(line, KeyFindingKind::StartingUnopenable, Shortened(initial), reason);
        } else if (mode == EffectMode::Partial && !startingImageSeen_) {
            Add(line, KeyFindingKind::PartialWithoutStart, {});
        }
    }

    // Every blank-separated word of the arguments that is not a SOURCEFILE= or INIFILE= value.
    void ReportIgnoredArguments(int line, const std::string& arguments)
    {
        std::string_view rest(arguments);
        while (!rest.empty()) {
            const std::size_t blank = rest.find(' ');
            const std::string_view word = rest.substr(0, blank);
            if (!word.empty() && !word.starts_with("SOURCEFILE=") && !word.starts_with("INIFILE="))
                Add(line, KeyFindingKind::IgnoredEffectText, Shortened(word));
            rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
        }
    }

    // Each document is opened once, however many criteria name it.
    bool Opens(const std::string& name, std::string& reason)
    {
        auto known = opened_.find(name);
        if (known == opened_.end()) {
            std::string why;
            const bool ok = open_(name, why);
            known = opened_.emplace(name, std::make_pair(ok, why)).first;
        }
        reason = known->second.second;
        return known->second.first;
    }

    const KeyDocumentOpener& open_;
    std::vector<CKeyFinding> findings_;
    std::map<std::string, std::pair<bool, std::string>> opened_;
    int documentLine_ = -1;
    int blocksSinceDocument_ = 0;
    double earnable_ = 0;
    bool startingImageSeen_ = false;
    std::size_t unlisted_ = 0;
};

// A CR or an LF outside a CR LF pair, reported on the line of the key it falls in.
void FindLoneLineBreaks(const std::string& key, CCheckingVisitor& visitor)
{
    int line = 0;
    std::size_t shown = 0;
    std::size_t more = 0;
    int firstUnshown = 0;
    for (std::size_t p = 0; p < key.size(); ++p) {
        const bool pair = key[p] == '\r' && p + 1 < key.size() && key[p + 1] == '\n';
        if (pair) {
            ++line;
            ++p;
            continue;
        }
        if (key[p] != '\r' && key[p] != '\n') continue;
        if (shown < kLoneBreaksShown) {
            visitor.Add(line, KeyFindingKind::LoneLineBreak, key[p] == '\n' ? "LF" : "CR");
            ++shown;
        } else if (more++ == 0) {
            firstUnshown = line;
        }
    }
    if (more > 0) visitor.Add(firstUnshown, KeyFindingKind::LoneLineBreak, "more", std::to_string(more));
}

}  // namespace

std::vector<CKeyFinding> CheckAnswerKey(const std::string& key, const KeyDocumentOpener& openKeyDocument)
{
    CCheckingVisitor visitor(openKeyDocument);
    FindLoneLineBreaks(key, visitor);
    const CKeyWalk walk = WalkAnswerKey(key, visitor);
    visitor.Finish(walk);
    auto& findings = visitor.Findings();
    // By line; what concerns the whole key comes last.
    std::stable_sort(findings.begin(), findings.end(), [](const CKeyFinding& a, const CKeyFinding& b) {
        const auto order = [](int line) { return line == 0 ? INT_MAX : line; };
        return order(a.line) < order(b.line);
    });
    return std::move(findings);
}

}  // namespace vantrel::grading
