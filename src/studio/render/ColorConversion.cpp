#include "studio/render/ColorConversion.h"

namespace vantrel::studio {

namespace {

// The product of two stored ink values, back on the 0..255 scale and rounded to nearest.
inline std::uint8_t ScaleProduct(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

}  // namespace

CRowConverter::CRowConverter(const CColorMode& mode, int width, const std::vector<std::uint8_t>& palette)
    : modeCode_(mode.code), width_(static_cast<std::size_t>(width))
{
    switch (modeCode_) {  // 0 bitmap, 2 indexed, 4 CMYK
    case 0: buffer_.resize(width_); break;
    case 2:
        palette_ = palette;
        palette_.resize(768, 0);
        buffer_.resize(3 * width_);
        break;
    case 4: buffer_.resize(3 * width_); break;
    default: break;  // grey and RGB rows are averaged where they lie
    }
    const std::size_t planeCount = width_ == 0 ? 0 : buffer_.size() / width_;
    for (std::size_t plane = 0; plane < planeCount; ++plane) planes_[plane] = buffer_.data() + plane * width_;
}

const std::uint8_t* const* CRowConverter::Convert(const std::uint8_t* const* channelRows)
{
    switch (modeCode_) {
    case 0: ExpandBitmap(channelRows[0]); break;
    case 2: LookUpPalette(channelRows[0]); break;
    case 4: MultiplyInks(channelRows); break;
    default: return channelRows;
    }
    return planes_;
}

void CRowConverter::ExpandBitmap(const std::uint8_t* bits)
{
    // A set bit is black ink on white paper.
    std::uint8_t* grey = buffer_.data();
    for (std::size_t x = 0; x < width_; ++x)
        grey[x] = (bits[x >> 3] & (0x80u >> (x & 7))) ? 0 : 255;
}

void CRowConverter::LookUpPalette(const std::uint8_t* indices)
{
    std::uint8_t* red = buffer_.data();
    std::uint8_t* green = red + width_;
    std::uint8_t* blue = green + width_;
    for (std::size_t x = 0; x < width_; ++x) {
        red[x] = palette_[indices[x]];
        green[x] = palette_[256 + indices[x]];
        blue[x] = palette_[512 + indices[x]];
    }
}

void CRowConverter::MultiplyInks(const std::uint8_t* const* inks)
{
    // Stored inks are inverted (255 is no ink), so each primary is what the ink and the black
    // let through: R = C'K'/255, G = M'K'/255, B = Y'K'/255.
    const std::uint8_t* black = inks[3];
    for (std::size_t plane = 0; plane < 3; ++plane) {
        const std::uint8_t* ink = inks[plane];
        std::uint8_t* out = buffer_.data() + plane * width_;
        for (std::size_t x = 0; x < width_; ++x) out[x] = ScaleProduct(ink[x], black[x]);
    }
}

}  // namespace vantrel::studio
