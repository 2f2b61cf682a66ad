#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vantrel::grading {

// What a key asks that the grader will not do as its writer most likely meant. Found by the
// grader's own reading of the key; no finding changes a mark.
enum class KeyFindingKind {
    LoneLineBreak,          // a CR or LF outside a CR LF pair: no line ends there
    OneLine,                // fewer than two lines: every examinee scores 0
    LinesPastLimit,         // lines after the 1001st are not read
    BlockPastLimit,         // the block still open at the line limit is not scored
    IgnoredLine,            // a line outside every scoring block
    NoDocumentName,         // a DESTFILE line that names no document
    DocumentWithoutBlocks,  // a DESTFILE line that no block follows
    BlockBeforeDocument,    // a block before the first DESTFILE line: it scores 0
    WeightNotANumber,       // text after "&&" that does not read wholly as a number
    WeightsNotTen,          // the weights an examinee can earn do not add up to 10
    UnknownCriterion,       // a criterion name the grader does not know: the block scores 0
    NoComparison,           // a property criterion with nothing inside: the block scores 0
    NoOperator,             // a comparison without an operator: the block scores 0
    UnknownKey,             // an IMAGE key not known: the comparison is ignored
    NotExamined,            // a LAYER or MASK comparison: layers and masks are not looked at
    NeverMatches,           // a comparison no document meets: the block scores 0
    AlwaysMatches,          // a comparison every document meets
    NeverEvaluated,         // a criterion after the block's first effect criterion
    StrayClosingBracket,    // a ")" that closes nothing: the next criterion is unknown
    UnclosedBracket,        // a "(" never closed: that criterion and the text after it are ignored
    StrayText,              // text after the last criterion: ignored
    IgnoredEffectText,      // effect arguments other than SOURCEFILE= and INIFILE=: ignored
    NoReference,            // an effect criterion without a reference: the block scores 0
    ReferenceUnopenable,    // every examinee gets full credit
    StartingUnopenable,     // the starting image takes no part
    PartialWithoutStart,    // a partial effect with no starting image: it scores 0
    MoreFindings,           // findings past the most one check lists, counted
};

struct CKeyFinding {
    int line = 0;  // 1-based; 0 for the key as a whole
    KeyFindingKind kind;
    std::string subject;  // the text concerned, as the grader reads it (upper-cased)
    std::string detail;   // a reason or a number, where the kind has one
    std::string suggestion;  // the keyword the subject most likely misspells, if any
};

// Opens a document of the key folder as an effect criterion would; false with the reason.
using KeyDocumentOpener = std::function<bool(const std::string& name, std::string& reason)>;

// Reads the key as grading does, without an examinee, and lists its findings by line.
std::vector<CKeyFinding> CheckAnswerKey(const std::string& key, const KeyDocumentOpener& openKeyDocument);

// One line for a person: "line 5: ...", or the text alone for the key as a whole.
std::string DescribeKeyFinding(const CKeyFinding& finding);

}  // namespace vantrel::grading
