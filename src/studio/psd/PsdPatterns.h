#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantrel::studio::psd {

// A pattern a document carries for its pattern fills, decoded to 8-bit red, green, blue and
// alpha, row after row.
struct CPsdPattern {
    std::string id;  // the identifier pattern fills name it by
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Reads the patterns of a 'Patt', 'Pat2' or 'Pat3' block and appends those whose identifier
// wanted accepts (all of them when wanted is empty) and that the studio can decode: RGB,
// greyscale and indexed, 8 bits, raw or PackBits. Others are passed over, and their
// identifiers with a reason go to skipped. Every length, count and size is checked against the
// block and CPsdLayerLimits before anything is allocated; returns false with a one-line reason
// when the block itself is malformed.
struct CSkippedPattern {
    std::string id;
    std::string reason;
};
bool ReadPatternBlock(std::span<const std::uint8_t> block, const std::vector<std::string>& wanted,
                      std::vector<CPsdPattern>& patterns, std::vector<CSkippedPattern>& skipped, std::string& reason);

}  // namespace vantrel::studio::psd
