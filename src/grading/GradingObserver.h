#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// What one effect criterion found, for callers that want to see why a block scored as it did.
struct CEffectReport {
    int mode = 0;  // 0 whole image, 1 partial
    std::string sourceFile;
    std::string initialFile;
    std::optional<double> examineeVsReference;  // whole-image similarity a
    std::optional<double> initialVsReference;   // whole-image similarity b
    double similarity = 0;
};

struct CBlockReport {
    int lineNumber = 0;  // 1-based line of the block's opener
    double weight = 0;
    std::vector<std::string> criteria;  // as evaluated, in order
    std::vector<CEffectReport> effects;
    double score = 0;
};

// Told of each scored block; sessions without one pay nothing.
class IGradingObserver {
public:
    virtual ~IGradingObserver() = default;
    virtual void OnBlockScored(const CBlockReport& report) = 0;
};

}  // namespace vantrel
