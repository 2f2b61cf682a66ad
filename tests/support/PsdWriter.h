#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::testing {

// A Photoshop document to write: header values and planar channel data for the composite.
struct PsdSpec {
    int width = 1;
    int height = 1;
    int channels = 3;
    int depth = 8;
    int colorMode = 3;      // 0 bitmap, 1 grayscale, 2 indexed, 3 RGB, 4 CMYK
    int version = 1;
    bool rle = false;       // PackBits composite instead of raw
    // channels planes of height rows; a row is (width * depth + 7) / 8 bytes. Left empty,
    // the planes are written as zeros.
    std::vector<std::uint8_t> planes;
    std::vector<std::uint8_t> colorModeData;   // 768 bytes of palette for indexed documents
    std::vector<std::uint8_t> imageResources;
    std::vector<std::uint8_t> layerAndMask;
};

std::size_t RowBytes(const PsdSpec& psd);

// Fills the planes from a function of (channel, x, y) for 8-bit documents.
template <typename F>
void FillPlanes(PsdSpec& psd, F value)
{
    psd.planes.assign(static_cast<std::size_t>(psd.channels) * psd.height * RowBytes(psd), 0);
    std::size_t i = 0;
    for (int c = 0; c < psd.channels; ++c)
        for (int y = 0; y < psd.height; ++y)
            for (int x = 0; x < psd.width; ++x)
                psd.planes[i++] = static_cast<std::uint8_t>(value(c, x, y));
}

std::vector<std::uint8_t> PackBitsRow(const std::uint8_t* row, std::size_t length);
std::vector<std::uint8_t> WritePsd(const PsdSpec& psd);
// Writes the bytes to a file; throws std::runtime_error when it cannot.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vantrel::testing
