#pragma once

#include <string>
#include <vector>

#include "effects/compare/EffectReport.h"

namespace vantrel::grading {

struct CBlockReport {
    int lineNumber = 0;  // 1-based line of the block's opener
    double weight = 0;
    std::vector<std::string> criteria;  // as evaluated, in order
    std::vector<effects::compare::CEffectReport> effects;
    double score = 0;
};

// Told of each scored block; sessions without one pay nothing.
class IGradingObserver {
public:
    virtual ~IGradingObserver() = default;
    virtual void OnBlockScored(const CBlockReport& report) = 0;
    // True to have each effect report carry the images it compared (CEffectImages).
    virtual bool WantsEffectImages() const { return false; }
};

}  // namespace vantrel::grading
