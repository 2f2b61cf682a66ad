#pragma once

#include <cstdint>
#include <string>

#include "studio/formats/RasterErrors.h"

namespace vantrel::studio {

// The largest raster file (JPEG, PNG, BMP, GIF, TIFF) the studio opens. A side may be as long
// as a large-document (PSB) side, 300,000, or the format's own limit where that is lower; the
// pixels are capped at the largest PSD's, 30,000 x 30,000. Memory does not need the cap (every
// decoder holds rows, not the image); time does: the cap keeps the slowest decode of a hostile
// header that the file's data really fills to a few seconds, while every document an editor
// could have saved in its own format still opens.
constexpr std::uint64_t kMaxRasterSide = 300000;
constexpr std::uint64_t kMaxRasterPixels = 30000ull * 30000ull;

// Checks a raster's size against the limits before anything of that size is allocated. False
// with the refusal when a side is zero or too long or there are too many pixels.
bool CheckRasterSize(std::uint64_t width, std::uint64_t height, std::uint64_t maxSide, CRasterRefusal& refusal);

// A library's message as one line: line breaks and tabs become spaces, runs of spaces one, and
// the ends are trimmed (libtiff's messages, for one, may span lines).
std::string OneLine(const std::string& text);

}  // namespace vantrel::studio
