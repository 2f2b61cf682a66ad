#pragma once

#include <cstdint>
#include <vector>

namespace vantrel::testing {

// A five-layer RGB document as an editor saves it without compatibility: a photograph-like
// background, a multiplied gradient, a soft shape in screen mode, a masked layer and a striped
// overlay with reduced fill, all PackBits; the stored image is a white placeholder.
std::vector<std::uint8_t> FiveLayerDocument(int width, int height);

}  // namespace vantrel::testing
