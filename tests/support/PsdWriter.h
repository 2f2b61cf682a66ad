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
    // Default-initialised, so that a designated initializer may leave any of them out.
    std::vector<std::uint8_t> planes{};
    std::vector<std::uint8_t> colorModeData{};  // 768 bytes of palette for indexed documents
    std::vector<std::uint8_t> imageResources{};
    std::vector<std::uint8_t> layerAndMask{};
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

// One layer record and its channel data, for the layer and mask information section.
struct PsdLayerSpec {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
    std::string blendKey = "norm";
    int opacity = 255;
    int fillOpacity = -1;      // written as an iOpa block when 0..255
    bool clipped = false;
    bool hidden = false;
    int sectionType = 0;       // an lsct block when not 0: 1 open group, 2 closed group, 3 group end
    std::string sectionBlendKey;  // the group's blend key in its lsct block, "pass" ...
    int compression = 0;          // 0 raw, 1 PackBits, 2 ZIP, 3 ZIP with prediction (8-bit rows)
    // Channel id and its rows, (right - left) x (bottom - top) samples; ids -1 transparency,
    // -2 user mask (mask bounds).
    std::vector<std::pair<int, std::vector<std::uint8_t>>> channels;
    bool hasMask = false;
    int maskTop = 0;
    int maskLeft = 0;
    int maskBottom = 0;
    int maskRight = 0;
    int maskDefaultColor = 0;
    bool maskDisabled = false;
    bool maskRelative = false;
    // Mask parameters after the flags (which then say so): a byte of which follow, then each.
    std::vector<std::uint8_t> maskParameters;
    bool hasSolidColor = false;  // an SoCo block with this colour
    std::uint8_t solidColor[3] = {0, 0, 0};
    std::vector<std::uint8_t> extraBlocks;  // further additional-information blocks, as they stand
    std::string name = "layer";
};

// A layer of solid RGB colour and coverage over a rectangle.
PsdLayerSpec SolidRgbLayer(int top, int left, int bottom, int right, std::uint8_t red, std::uint8_t green,
                           std::uint8_t blue, std::uint8_t alpha = 255);
// The layer and mask information section for these layers (bottom first).
std::vector<std::uint8_t> LayerAndMaskSection(const std::vector<PsdLayerSpec>& layers);
// An image resource section holding only the version-info resource.
std::vector<std::uint8_t> VersionInfoResources(bool hasRealMergedData);
// An additional-information block: signature, key, length and data padded to even.
std::vector<std::uint8_t> InfoBlock(const char* key, const std::vector<std::uint8_t>& data);

}  // namespace vantrel::testing
