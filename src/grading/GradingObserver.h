#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "document/DestFile.h"
#include "document/PropertyCriteria.h"
#include "effects/compare/EffectReport.h"

namespace vantrel::grading {

// What became of one criterion of a block.
enum class CriterionResult {
    Passed,       // a property criterion that held
    Failed,       // a property criterion that did not: the block scores 0
    Compared,     // an effect criterion: the block scores its weight times the similarity
    Interrupted,  // an error ended the block here: it scores half its weight
    NotReached,   // an earlier criterion decided the block
    NoDocument,   // the block's document is not open: nothing was evaluated
};

struct CCriterionOutcome {
    CriterionResult result = CriterionResult::NotReached;
    std::vector<document::CComparisonOutcome> comparisons;  // a property criterion's, as far as evaluated
    std::optional<std::size_t> effect;                      // its report in CBlockReport::effects
};

struct CBlockReport {
    int lineNumber = 0;  // 1-based line of the block's opener
    double weight = 0;
    std::vector<std::string> criteria;        // every criterion of the block, in order
    std::vector<CCriterionOutcome> outcomes;  // one for each of criteria
    std::vector<effects::compare::CEffectReport> effects;
    double score = 0;
};

// An examinee's document as a DESTFILE line named it.
struct CDocumentReport {
    int lineNumber = 0;  // 1-based line of the DESTFILE line
    std::string name;    // as grading looks for it: upper-cased, in the code page
    document::DocumentAccess access = document::DocumentAccess::NotOpened;
};

// Told of each document line and each scored block, in key order; sessions without one pay
// nothing.
class IGradingObserver {
public:
    virtual ~IGradingObserver() = default;
    virtual void OnBlockScored(const CBlockReport& report) = 0;
    // The blocks reported after it until the next are scored against this document.
    virtual void OnDocumentOpened(const CDocumentReport& report) { (void)report; }
    // True to have each effect report carry the images it compared (CEffectImages).
    virtual bool WantsEffectImages() const { return false; }
};

}  // namespace vantrel::grading
