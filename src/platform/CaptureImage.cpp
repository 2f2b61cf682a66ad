#include "platform/CaptureImage.h"

#include <stdexcept>

namespace vantrel::platform {

namespace {
int BytesPerRowFor(int bitsPerPixel)
{
    if (bitsPerPixel <= 0 || bitsPerPixel > 64)
        throw std::invalid_argument("capture depth out of range");
    return (CCaptureImage::kWidth * bitsPerPixel + 7) / 8;
}
}  // namespace

CCaptureImage::CCaptureImage(int bitsPerPixel)
    : bitsPerPixel_(bitsPerPixel),
      bytesPerRow_(BytesPerRowFor(bitsPerPixel)),
      pixels_(new std::uint8_t[ByteCount()]())
{
}

}  // namespace vantrel::platform
