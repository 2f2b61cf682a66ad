#pragma once

#include <cstdint>
#include <vector>

#include "studio/psd/ColorModes.h"

namespace vantrel::studio {

// Turns one stored row of each colour channel into the planes the scaler averages: a grey
// plane for bitmap and grayscale documents, red, green and blue planes for the others. Each
// pixel is converted before averaging, because palette look-ups and the CMYK product are not
// linear in the stored values.
class CRowConverter {
public:
    // palette: 768 bytes for indexed documents, otherwise unused.
    CRowConverter(const CColorMode& mode, int width, const std::vector<std::uint8_t>& palette);

    // channelRows holds one stored row per colour channel. Returns mode.outputPlanes rows of
    // width samples each, valid until the next call.
    const std::uint8_t* const* Convert(const std::uint8_t* const* channelRows);

private:
    void ExpandBitmap(const std::uint8_t* bits);
    void LookUpPalette(const std::uint8_t* indices);
    void MultiplyInks(const std::uint8_t* const* inks);

    int modeCode_;
    std::size_t width_;
    std::vector<std::uint8_t> palette_;
    std::vector<std::uint8_t> buffer_;   // the converted planes, one after another
    const std::uint8_t* planes_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace vantrel::studio
