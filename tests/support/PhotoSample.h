#pragma once

#include <cstdint>

namespace vantrel::testing {

// A photograph-like picture: smooth gradients with a little sensor noise, so that compressed
// rows break into short literal runs as a real photo's do, and some flat areas. Call for
// every sample in order (channel-major or pixel-major, as the writer needs); the noise comes
// from the call order, the rest from (channel, x, y).
class CPhotoSample {
public:
    int operator()(int channel, int x, int y)
    {
        state_ = state_ * 1664525u + 1013904223u;
        const int noise = static_cast<int>(state_ >> 29) - 4;
        const int flat = (x / 500 + y / 400) % 3 == channel ? 200 : 0;
        const int gradient = (x * (channel + 1) / 24 + y / 16) % 256;
        const int value = flat != 0 ? flat : gradient + noise;
        return value < 0 ? 0 : value > 255 ? 255 : value;
    }

private:
    std::uint32_t state_ = 12345;
};

}  // namespace vantrel::testing
