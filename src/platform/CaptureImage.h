#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vantrel::platform {

// One captured document window, always 200 x 160 pixels, in the display's pixel format.
// Rows follow one another without padding for the depths the comparisons accept; other
// depths can be held so that they can be refused.
class CCaptureImage {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 160;

    // Pixels start zeroed. Throws std::bad_alloc when the bytes cannot be had.
    explicit CCaptureImage(int bitsPerPixel);

    int Width() const { return kWidth; }
    int Height() const { return kHeight; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    int BytesPerRow() const { return bytesPerRow_; }
    std::size_t ByteCount() const { return static_cast<std::size_t>(bytesPerRow_) * kHeight; }
    std::uint8_t* Pixels() { return pixels_.get(); }
    const std::uint8_t* Pixels() const { return pixels_.get(); }

private:
    int bitsPerPixel_;
    int bytesPerRow_;
    std::unique_ptr<std::uint8_t[]> pixels_;
};

}  // namespace vantrel::platform
