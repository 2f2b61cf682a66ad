#include "platform/headless/DisplayPixelFormat.h"

#include "platform/CaptureImage.h"

namespace vantrel::platform {

void StoreDisplayPixel(CCaptureImage& image, int x, int y, std::uint8_t red, std::uint8_t green,
                       std::uint8_t blue)
{
    if (x < 0 || y < 0 || x >= image.Width() || y >= image.Height())
        return;
    std::uint8_t* row = image.Pixels() + static_cast<std::size_t>(y) * image.BytesPerRow();
    switch (image.BitsPerPixel()) {
    case 32: {
        std::uint8_t* p = row + x * 4;
        p[0] = blue;
        p[1] = green;
        p[2] = red;
        p[3] = 0;
        break;
    }
    case 24: {
        std::uint8_t* p = row + x * 3;
        p[0] = blue;
        p[1] = green;
        p[2] = red;
        break;
    }
    case 16: {
        const unsigned word = (static_cast<unsigned>(red >> 3) << 11) | (static_cast<unsigned>(green >> 2) << 5) |
                              static_cast<unsigned>(blue >> 3);
        std::uint8_t* p = row + x * 2;
        p[0] = static_cast<std::uint8_t>(word & 0xFF);
        p[1] = static_cast<std::uint8_t>(word >> 8);
        break;
    }
    case 8:
        row[x] = static_cast<std::uint8_t>((red & 0xE0) | ((green & 0xE0) >> 3) | (blue >> 6));
        break;
    default:
        break;
    }
}

}  // namespace vantrel::platform
