#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "studio/formats/RasterErrors.h"

namespace vantrel::studio::formats {

// The largest raster file (JPEG, PNG, BMP, GIF, TIFF) the studio opens. A side may be as long
// as a large-document (PSB) side, 300,000, or the format's own limit where that is lower; the
// pixels are capped at the largest PSD's, 30,000 x 30,000. Memory does not need the cap (every
// decoder holds rows, not the image); time does: the cap keeps the slowest decode of a hostile
// header that the file's data really fills to a few seconds, while every document an editor
// could have saved in its own format still opens.
constexpr std::uint64_t kMaxRasterSide = 300000;
constexpr std::uint64_t kMaxRasterPixels = 30000ull * 30000ull;

// JPEG's own limit; libjpeg stops a little earlier, at 65,500.
constexpr std::uint64_t kMaxJpegSide = 65535;
// What libjpeg may allocate for one file. A sequential file needs a few rows of blocks; a
// progressive one keeps every coefficient of the image (2 bytes each, 1.5 to 4 per pixel), so
// this lets progressive files up to roughly 100 to 350 megapixels open and refuses larger ones
// with a reason rather than taking gigabytes.
constexpr long kJpegCodecMemory = 512L * 1024 * 1024;
// A progressive file may have any number of scans, each a pass over the whole image; real
// encoders write about ten. More than this is a file built to take time.
constexpr int kMaxJpegScans = 500;

// Ancillary chunks libpng keeps in memory (palettes, transparency and the like) stay small;
// a file may still claim gigabytes for one.
constexpr std::size_t kMaxPngChunkBytes = 8 * 1024 * 1024;

// GIF's sides are 16-bit.
constexpr std::uint64_t kMaxGifSide = 65535;

// One allocation libtiff may make (a compressed strip or tile, a directory's arrays), and the
// largest row or tile buffer the studio makes for a file.
constexpr std::int64_t kMaxTiffAllocation = 256 * 1024 * 1024;
constexpr std::uint64_t kMaxTiffBuffer = 64 * 1024 * 1024;

// Checks a raster's size against the limits before anything of that size is allocated. False
// with the refusal when a side is zero or too long or there are too many pixels.
bool CheckRasterSize(std::uint64_t width, std::uint64_t height, std::uint64_t maxSide, CRasterRefusal& refusal);

// A library's message as one line: line breaks and tabs become spaces, runs of spaces one, and
// the ends are trimmed (libtiff's messages, for one, may span lines).
std::string OneLine(const std::string& text);

}  // namespace vantrel::studio::formats
