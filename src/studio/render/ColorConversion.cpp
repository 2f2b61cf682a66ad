#include "studio/render/ColorConversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "studio/render/SampleDepth.h"

using vantrel::studio::psd::CDisplayColour;

namespace vantrel::studio::render {

namespace {

// The product of two stored ink values, back on the 0..255 scale and rounded to nearest.
inline std::uint8_t ScaleProduct(unsigned a, unsigned b) { return static_cast<std::uint8_t>((a * b + 127) / 255); }

// The sRGB colorants adapted to D50, as the sRGB profile gives them (columns: red, green,
// blue), and their inverse, which takes D50 XYZ to linear sRGB. D50 white is their sum, so that
// L* 100 shows pure white.
constexpr double kSrgbFromXyz[3][3] = {{3.13385637, -1.61686677, -0.49061477},
                                       {-0.97876856, 1.91614155, 0.03345412},
                                       {0.07194517, -0.22899128, 1.40524267}};
constexpr double kWhiteD50[3] = {0.4360747 + 0.3850649 + 0.1430804, 0.2225045 + 0.7168786 + 0.0606169,
                                 0.0139322 + 0.0971045 + 0.7141733};

double LabInverse(double t)
{
    constexpr double kDelta = 6.0 / 29.0;
    return t > kDelta ? t * t * t : 3.0 * kDelta * kDelta * (t - 4.0 / 29.0);
}

std::array<std::uint8_t, 3> HsbToRgb(double hue, double saturation, double brightness)
{
    const double sector = std::fmod(hue / 60.0, 6.0);
    const double chroma = brightness * saturation;
    const double second = chroma * (1.0 - std::fabs(std::fmod(sector, 2.0) - 1.0));
    double rgb[3] = {0, 0, 0};
    const int which = static_cast<int>(sector);
    const int order[6][3] = {{0, 1, 2}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}, {1, 2, 0}, {0, 2, 1}};
    // In each sector one primary is at full chroma, one at the second value and one at none.
    rgb[order[which][0]] = chroma;
    rgb[order[which][1]] = second;
    const double lift = brightness - chroma;
    std::array<std::uint8_t, 3> out{};
    for (int k = 0; k < 3; ++k) out[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround((rgb[k] + lift) * 255.0));
    return out;
}

}  // namespace

std::array<std::uint8_t, 3> LabToSrgb(double lightness, double a, double b)
{
    const double fy = (lightness + 16.0) / 116.0;
    const double xyz[3] = {kWhiteD50[0] * LabInverse(fy + a / 500.0), kWhiteD50[1] * LabInverse(fy),
                           kWhiteD50[2] * LabInverse(fy - b / 200.0)};
    std::array<std::uint8_t, 3> rgb{};
    for (int k = 0; k < 3; ++k) {
        const double linear = kSrgbFromXyz[k][0] * xyz[0] + kSrgbFromXyz[k][1] * xyz[1] + kSrgbFromXyz[k][2] * xyz[2];
        rgb[static_cast<std::size_t>(k)] = EncodeLinearLevel(static_cast<float>(linear));
    }
    return rgb;
}

std::array<std::uint8_t, 3> InkColour(const CDisplayColour& colour, std::size_t index)
{
    const std::uint16_t* c = colour.components;
    switch (colour.space) {
    case 0:  // RGB, 16 bits each
        return {static_cast<std::uint8_t>(c[0] >> 8), static_cast<std::uint8_t>(c[1] >> 8), static_cast<std::uint8_t>(c[2] >> 8)};
    case 1:  // HSB: hue in 1/65536ths of a turn, saturation and brightness in 1/65535ths
        return HsbToRgb(c[0] * 360.0 / 65536.0, c[1] / 65535.0, c[2] / 65535.0);
    case 2: {  // CMYK, 16 bits each, inverted like a document's: 65535 is no ink
        const auto through = [&](int ink) {
            return static_cast<std::uint8_t>(std::lround(255.0 * (c[ink] / 65535.0) * (c[3] / 65535.0)));
        };
        return {through(0), through(1), through(2)};
    }
    case 7:  // Lab: L in hundredths, a and b signed hundredths
        return LabToSrgb(c[0] / 100.0, static_cast<std::int16_t>(c[1]) / 100.0, static_cast<std::int16_t>(c[2]) / 100.0);
    case 8: {  // Grayscale: 0..10000 of black ink
        const auto level = static_cast<std::uint8_t>(std::lround(255.0 * (1.0 - std::min<int>(c[0], 10000) / 10000.0)));
        return {level, level, level};
    }
    default: break;
    }
    static constexpr std::array<std::uint8_t, 3> kDefaults[4] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {0, 0, 0}};
    return kDefaults[std::min<std::size_t>(index, 3)];
}

CRowConverter::CRowConverter(const CColourSpec& shape)
    : modeCode_(shape.colorMode),
      width_(static_cast<std::size_t>(shape.width)),
      colourChannels_(static_cast<std::size_t>(shape.colourChannels)),
      transparency_(shape.transparency)
{
    CIccTransform::Input iccInput = CIccTransform::Input::Rgb;
    bool profiled = false;
    switch (modeCode_) {  // 1 grayscale, 2 indexed, 3 RGB, 4 CMYK, 8 duotone, 9 Lab
    case 1:
    case 8: iccInput = CIccTransform::Input::Gray, profiled = true; break;
    case 2:
    case 3: iccInput = CIccTransform::Input::Rgb, profiled = true; break;
    case 4: iccInput = CIccTransform::Input::Cmyk, profiled = true; break;
    case 9: iccInput = CIccTransform::Input::Lab, profiled = true; break;
    default: break;
    }
    if (profiled) icc_ = CIccTransform::Create(shape.iccProfile, iccInput);

    deepLab_ = modeCode_ == 9 && shape.depth == 16 && !icc_;
    const bool grey = modeCode_ == 0 || ((modeCode_ == 1 || modeCode_ == 8) && !icc_);
    outputPlanes_ = grey ? 1 : 3;
    if (modeCode_ == 2) {
        palette_ = shape.palette;
        palette_.resize(768, 0);
        if (icc_) {
            // The palette converts once; its pixels are looked up afterwards.
            const std::uint8_t* planes[3] = {palette_.data(), palette_.data() + 256, palette_.data() + 512};
            std::vector<std::uint8_t> converted(768);
            icc_->Convert(planes, 256, converted.data());
            palette_ = converted;
            icc_.reset();
        }
        if (shape.transparentIndex >= 0 && shape.transparentIndex < 256)
            for (int plane = 0; plane < 3; ++plane) palette_[static_cast<std::size_t>(plane * 256 + shape.transparentIndex)] = 255;
    }
    if (modeCode_ == 7) {
        inkFilters_.resize(colourChannels_);
        bool anySolid = false;
        for (std::size_t ink = 0; ink < colourChannels_; ++ink) {
            const CDisplayColour display = ink < shape.inks.size() ? shape.inks[ink] : CDisplayColour{};
            const auto colour = InkColour(display, ink);
            anySolid = anySolid || display.solidity > 0;
            solidInks_.push_back({colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f,
                                  std::clamp(display.solidity, 0, 100) / 100.0f});
            for (std::size_t primary = 0; primary < 3; ++primary)
                for (unsigned stored = 0; stored < 256; ++stored) {
                    // 255 is no ink: all light through. Full ink lets through the ink's colour.
                    const double amount = (255.0 - stored) / 255.0;
                    const double through = 1.0 - amount * (1.0 - colour[primary] / 255.0);
                    inkFilters_[ink][primary][stored] = static_cast<std::uint16_t>(std::lround(through * 65535.0));
                }
        }
        if (!anySolid) solidInks_.clear();
    }
    buffer_.resize(static_cast<std::size_t>(outputPlanes_) * width_);
    for (int plane = 0; plane < outputPlanes_; ++plane)
        planes_[plane] = buffer_.data() + static_cast<std::size_t>(plane) * width_;
}

const std::uint8_t* const* CRowConverter::Convert(const std::uint8_t* const* channelRows)
{
    if (icc_) {
        icc_->Convert(channelRows, width_, buffer_.data());
    } else {
        switch (modeCode_) {
        case 0: ExpandBitmap(channelRows[0]); break;
        case 2: LookUpPalette(channelRows[0]); break;
        case 4: MultiplyInks(channelRows); break;
        case 7: solidInks_.empty() ? PrintInks(channelRows) : PaintSolidInks(channelRows); break;
        case 9: deepLab_ ? ConvertLab16(channelRows) : ConvertLab(channelRows); break;
        default:
            // Grey and RGB rows are averaged where they lie, unless transparency changes them.
            if (!transparency_) return channelRows;
            CopyPlanes(channelRows);
            break;
        }
    }
    if (transparency_) CompositeOverWhite(channelRows[colourChannels_]);
    return planes_;
}

void CRowConverter::ExpandBitmap(const std::uint8_t* bits)
{
    std::uint8_t* grey = buffer_.data();
    for (std::size_t x = 0; x < width_; ++x) grey[x] = (bits[x >> 3] & (0x80u >> (x & 7))) ? 0 : 255;
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

void CRowConverter::PrintInks(const std::uint8_t* const* channels)
{
    for (std::size_t primary = 0; primary < 3; ++primary) {
        std::uint8_t* out = buffer_.data() + primary * width_;
        for (std::size_t x = 0; x < width_; ++x) {
            std::uint32_t light = 65535;
            for (std::size_t ink = 0; ink < colourChannels_; ++ink)
                light = (light * inkFilters_[ink][primary][channels[ink][x]] + 32767) / 65535;
            out[x] = static_cast<std::uint8_t>((light * 255 + 32767) / 65535);
        }
    }
}

void CRowConverter::PaintSolidInks(const std::uint8_t* const* channels)
{
    for (std::size_t primary = 0; primary < 3; ++primary) {
        std::uint8_t* out = buffer_.data() + primary * width_;
        for (std::size_t x = 0; x < width_; ++x) {
            float light = 1.0f;
            for (std::size_t ink = 0; ink < colourChannels_; ++ink) {
                const float amount = (255 - channels[ink][x]) / 255.0f;  // 255 is no ink
                const float colour = solidInks_[ink][primary], solidity = solidInks_[ink][3];
                light = light * (1.0f - amount) + amount * colour * (solidity + (1.0f - solidity) * light);
            }
            out[x] = static_cast<std::uint8_t>(std::lround(std::clamp(light, 0.0f, 1.0f) * 255.0f));
        }
    }
}

void CRowConverter::ConvertLab(const std::uint8_t* const* lab)
{
    std::uint8_t* red = buffer_.data();
    std::uint8_t* green = red + width_;
    std::uint8_t* blue = green + width_;
    for (std::size_t x = 0; x < width_; ++x) {
        const auto rgb = LabToSrgb(lab[0][x] * 100.0 / 255.0, lab[1][x] - 128.0, lab[2][x] - 128.0);
        red[x] = rgb[0];
        green[x] = rgb[1];
        blue[x] = rgb[2];
    }
}

void CRowConverter::ConvertLab16(const std::uint8_t* const* lab)
{
    std::uint8_t* red = buffer_.data();
    std::uint8_t* green = red + width_;
    std::uint8_t* blue = green + width_;
    const auto sample = [](const std::uint8_t* row, std::size_t x) { return (unsigned{row[2 * x]} << 8) | row[2 * x + 1]; };
    for (std::size_t x = 0; x < width_; ++x) {
        const auto rgb = LabToSrgb(sample(lab[0], x) * 100.0 / 65535.0, sample(lab[1], x) / 256.0 - 128.0,
                                   sample(lab[2], x) / 256.0 - 128.0);
        red[x] = rgb[0];
        green[x] = rgb[1];
        blue[x] = rgb[2];
    }
}

void CRowConverter::CopyPlanes(const std::uint8_t* const* rows)
{
    for (int plane = 0; plane < outputPlanes_; ++plane)
        std::memcpy(buffer_.data() + static_cast<std::size_t>(plane) * width_, rows[plane], width_);
}

void CRowConverter::CompositeOverWhite(const std::uint8_t* alpha)
{
    for (int plane = 0; plane < outputPlanes_; ++plane) {
        std::uint8_t* out = buffer_.data() + static_cast<std::size_t>(plane) * width_;
        for (std::size_t x = 0; x < width_; ++x) out[x] = std::max<std::uint8_t>(out[x], static_cast<std::uint8_t>(255 - alpha[x]));
    }
}

}  // namespace vantrel::studio::render
