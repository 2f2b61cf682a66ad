#pragma once

#include <cstdint>

namespace vantrel::platform {

class CCaptureImage;

// Stores one colour at (x, y) the way a display of the image's depth keeps it: 32 bits as
// blue, green, red and a zero byte; 24 bits as blue, green, red; 16 bits as a little-endian
// 5-6-5 word with red on top; 8 bits as a 3-3-2 palette index. Other depths cannot be drawn
// by the virtual display and stay zero.
void StoreDisplayPixel(CCaptureImage& image, int x, int y, std::uint8_t red, std::uint8_t green,
                       std::uint8_t blue);

}  // namespace vantrel::platform
