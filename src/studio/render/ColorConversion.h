#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "studio/psd/PsdLayout.h"
#include "studio/render/IccTransform.h"

namespace vantrel::studio::render {

// What a document's colour depends on, as its reader found it.
struct CColourSpec {
    int colorMode = 3;                      // the PSD colour-mode code
    int width = 0;
    int colourChannels = 3;                 // rows of colour (or ink) handed to Convert
    bool transparency = false;              // a row of transparency follows them
    std::vector<std::uint8_t> palette;      // indexed: 256 reds, 256 greens, 256 blues
    int transparentIndex = -1;              // indexed: the entry that is transparent
    std::vector<studio::psd::CDisplayColour> inks;       // Multichannel: each channel's display colour
    std::vector<std::uint8_t> iccProfile;   // embedded profile, or empty
    int depth = 8;                          // the stored sample depth
};

// Turns one row of 8-bit samples of each drawn channel into the planes the scaler averages: a
// grey plane for bitmap, grayscale and duotone documents shown without a profile, red, green
// and blue planes for the others. Each pixel is converted before averaging, because palette
// look-ups, ink products, profiles and transparency are not linear in the stored values.
//
// - Bitmap: a set bit is black ink on white paper.
// - Grayscale and Duotone: the grey level. A duotone's inks and curves are kept in a private
//   structure of the editor's that the file format leaves undocumented, and the format's own
//   advice to other readers is to treat the document as grayscale.
// - Indexed: the palette entry; the transparent entry shows white.
// - CMYK: what the inks let through, R = C'K'/255 and so on (stored inks are inverted).
// - Multichannel: every channel is an ink, printed over the others on white paper in its
//   display colour, as an editor's window shows such a document: each channel lets through
//   1 - ink * (1 - colour) of each primary, and the products make the pixel. An ink with
//   solidity s is that much opaque paint besides: where it lies (amount a) the light becomes
//   light * (1 - a) + a * colour * (s + (1 - s) * light), printed in channel order.
// - Lab: CIE L*a*b* under D50, converted to sRGB through the sRGB colorants adapted to D50.
//   Stored as L * 255 / 100, a + 128, b + 128 at 8 bits; L * 65535 / 100, 256 * (a + 128) at 16.
// - An embedded profile of the document's colour space converts through LittleCMS instead.
// - Transparency: the composite is stored matted against white (colour * alpha + white *
//   (1 - alpha)), as an editor writes it. Unmatting and compositing over white again gives
//   max(stored, 255 - alpha): the stored colour where it was matted, white where a writer left
//   any colour under transparent pixels.
class CRowConverter {
public:
    explicit CRowConverter(const CColourSpec& shape);

    int OutputPlanes() const { return outputPlanes_; }
    // Whether Convert takes the colour rows at 16 bits as stored (big-endian) rather than
    // reduced to 8: Lab without a profile, where one 8-bit step of a or b can move the
    // displayed colour by several levels.
    bool TakesDeepColour() const { return deepLab_; }

    // channelRows holds one 8-bit row per colour channel (bitmap: packed bits), then the
    // transparency row if the description has one. Returns OutputPlanes() rows of width samples each,
    // valid until the next call.
    const std::uint8_t* const* Convert(const std::uint8_t* const* channelRows);

private:
    void ExpandBitmap(const std::uint8_t* bits);
    void LookUpPalette(const std::uint8_t* indices);
    void MultiplyInks(const std::uint8_t* const* inks);
    void PrintInks(const std::uint8_t* const* channels);
    void PaintSolidInks(const std::uint8_t* const* channels);
    void ConvertLab(const std::uint8_t* const* lab);
    void ConvertLab16(const std::uint8_t* const* lab);
    void CopyPlanes(const std::uint8_t* const* rows);
    void CompositeOverWhite(const std::uint8_t* alpha);

    int modeCode_;
    std::size_t width_;
    std::size_t colourChannels_;
    bool transparency_;
    int outputPlanes_ = 3;
    bool deepLab_ = false;
    std::vector<std::uint8_t> palette_;
    std::unique_ptr<CIccTransform> icc_;
    // Multichannel: per ink and primary, the fraction of light each stored value lets through,
    // in 1/65535ths.
    std::vector<std::array<std::array<std::uint16_t, 256>, 3>> inkFilters_;
    // With any solid ink, each ink's colour (0..1) and solidity (0..1) instead.
    std::vector<std::array<float, 4>> solidInks_;
    std::vector<std::uint8_t> buffer_;  // the converted planes, one after another
    const std::uint8_t* planes_[3] = {nullptr, nullptr, nullptr};
};

// The sRGB colour of a CIE L*a*b* colour under D50 (L 0..100), each component rounded to 8 bits.
std::array<std::uint8_t, 3> LabToSrgb(double lightness, double a, double b);

// The colour a Multichannel channel's display colour shows on screen, or for index's default
// (cyan, magenta, yellow, black, then black) when the colour is of no space the studio reads.
std::array<std::uint8_t, 3> InkColour(const studio::psd::CDisplayColour& colour, std::size_t index);

}  // namespace vantrel::studio::render
