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
    int colorMode = 3;      // 0 bitmap, 1 grayscale, 2 indexed, 3 RGB, 4 CMYK, 7 multichannel, 8 duotone, 9 Lab
    int version = 1;        // 2: a PSB, with 8-byte layer section length and 4-byte PackBits counts
    bool rle = false;       // PackBits composite instead of raw
    bool zip = false;       // one zlib stream for the whole composite instead (overrides rle)
    bool prediction = false;  // with zip: each row stored as differences
    // channels planes of height rows; a row is (width * depth + 7) / 8 bytes, samples of 16
    // and 32 bits big-endian. Left empty, the planes are written as zeros.
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

// Fills the planes from a function of (channel, x, y) for 16-bit documents.
template <typename F>
void FillPlanes16(PsdSpec& psd, F value)
{
    psd.planes.assign(static_cast<std::size_t>(psd.channels) * psd.height * RowBytes(psd), 0);
    std::size_t i = 0;
    for (int c = 0; c < psd.channels; ++c)
        for (int y = 0; y < psd.height; ++y)
            for (int x = 0; x < psd.width; ++x) {
                const auto v = static_cast<std::uint16_t>(value(c, x, y));
                psd.planes[i++] = static_cast<std::uint8_t>(v >> 8);
                psd.planes[i++] = static_cast<std::uint8_t>(v);
            }
}

// Fills the planes from a function of (channel, x, y) returning a float, for 32-bit documents.
void FillPlanes32(PsdSpec& psd, float (*value)(int channel, int x, int y));

// One image resource block: signature, id, empty name, size and data padded to even.
std::vector<std::uint8_t> ImageResource(unsigned id, const std::vector<std::uint8_t>& data);
// Alpha channel names (resource 0x03EE), as an editor saves for selections and spot channels.
std::vector<std::uint8_t> AlphaNamesResource(const std::vector<std::string>& names);
// A layer and mask section holding only a layer count: negative says the first extra channel
// is the merged transparency. (The layer records themselves are not written.)
std::vector<std::uint8_t> LayerCountSection(int count, int version = 1);

std::vector<std::uint8_t> PackBitsRow(const std::uint8_t* row, std::size_t length);
std::vector<std::uint8_t> WritePsd(const PsdSpec& psd);
// Writes the bytes to a file; throws std::runtime_error when it cannot.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace vantrel::testing
