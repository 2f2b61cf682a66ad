// PNG files through libpng: every colour type and depth, transparency by alpha or tRNS, and
// Adam7 interlacing, row by row. An interlaced image's passes go to the preview pixel by pixel
// where they lie, so no pass is kept either.

#include "studio/formats/FileKinds.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <png.h>

#include "studio/io/BufferedReader.h"
#include "studio/formats/RasterErrors.h"
#include "studio/formats/RasterLimits.h"
#include "studio/render/RasterPreview.h"

using vantrel::studio::io::CBufferedReader;
using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::PixelLayout;

namespace vantrel::studio::formats {

namespace {

struct CPngState {
    CBufferedReader input;
    CRasterRefusal* refusal;
};

// libpng's handlers print to stderr; the studio keeps the first message as its refusal and
// jumps back to the decode's setjmp, past libpng's C frames only.
[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<CPngState*>(png_get_error_ptr(png));
    if (!state->refusal->Refused()) *state->refusal = CRasterRefusal::Of(RasterError::CodecMessage, OneLine(message));
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadPngInput(png_structp png, png_bytep into, std::size_t count)
{
    auto& input = static_cast<CPngState*>(png_get_io_ptr(png))->input;
    if (!input.Read(into, count)) png_error(png, "truncated data");
}

class CPngDecode {
public:
    CPngDecode(CDocumentFile& file, CRasterRefusal& refusal) : state_{CBufferedReader(file, 0), &refusal} {}
    ~CPngDecode()
    {
        if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }
    CPngDecode(const CPngDecode&) = delete;
    CPngDecode& operator=(const CPngDecode&) = delete;

    std::unique_ptr<CRenderedDocument> Render(int previewWidth, int previewHeight)
    {
        if (!Decode(previewWidth, previewHeight)) return nullptr;
        return preview_->Finish(static_cast<int>(width_), static_cast<int>(height_), colorMode_, modeName_);
    }

private:
    bool Decode(int previewWidth, int previewHeight);

    CPngState state_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    std::vector<png_byte> row_;
    std::optional<CRasterPreview> preview_;
    png_uint_32 width_ = 0;
    png_uint_32 height_ = 0;
    int colorMode_ = 3;
    const char* modeName_ = "RGB";
};

// The one frame libpng jumps back to; everything with a destructor lives in the object.
bool CPngDecode::Decode(int previewWidth, int previewHeight)
{
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state_, OnPngError, OnPngWarning);
    if (!png_) return false;
    info_ = png_create_info_struct(png_);
    if (!info_) return false;
    if (setjmp(png_jmpbuf(png_))) return false;

    png_set_read_fn(png_, &state_, ReadPngInput);
    png_set_user_limits(png_, static_cast<png_uint_32>(kMaxRasterSide), static_cast<png_uint_32>(kMaxRasterSide));
    png_set_chunk_malloc_max(png_, kMaxPngChunkBytes);
    // Text, profiles and EXIF change nothing shown; they are skipped unread.
    static const png_byte kIgnored[] = {'i', 'C', 'C', 'P', 0, 'i', 'T', 'X', 't', 0, 't', 'E', 'X', 't', 0,
                                        'z', 'T', 'X', 't', 0, 's', 'P', 'L', 'T', 0, 'e', 'X', 'I', 'f', 0};
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kIgnored, 6);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);

    png_read_info(png_, info_);
    int depth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png_, info_, &width_, &height_, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!CheckRasterSize(width_, height_, kMaxRasterSide, *state_.refusal)) return false;

    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        colorMode_ = 2;
        modeName_ = "Indexed";
    } else if ((colorType & PNG_COLOR_MASK_COLOR) == 0) {
        colorMode_ = 1;
        modeName_ = "Grayscale";
    }
    // Everything to 8-bit samples: palettes looked up, low depths spread, tRNS made alpha, and
    // 16 bits reduced with rounding (v * 255 / 65535).
    png_set_expand(png_);
    png_set_scale_16(png_);
    png_read_update_info(png_, info_);
    PixelLayout layout = PixelLayout::Rgb;
    switch (png_get_channels(png_, info_)) {
    case 1: layout = PixelLayout::Gray; break;
    case 2: layout = PixelLayout::GrayAlpha; break;
    case 3: layout = PixelLayout::Rgb; break;
    case 4: layout = PixelLayout::Rgba; break;
    default: *state_.refusal = CRasterRefusal::Of(RasterError::UnexpectedChannels); return false;
    }
    row_.resize(png_get_rowbytes(png_, info_));

    const int width = static_cast<int>(width_);
    const int height = static_cast<int>(height_);
    if (interlace == PNG_INTERLACE_NONE) {
        preview_.emplace(width, height, layout, CRasterPreview::Order::TopDown, 1, previewWidth, previewHeight);
        for (int y = 0; y < height; ++y) {
            png_read_row(png_, row_.data(), nullptr);
            preview_->AddRow(row_.data());
        }
        return true;
    }
    // Adam7: each pass is a small image of every eighth, fourth or second pixel; libpng
    // skips the empty ones, and so does this loop.
    preview_.emplace(width, height, layout, CRasterPreview::Order::AnyOrder, 1, previewWidth, previewHeight);
    for (int pass = 0; pass < 7; ++pass) {
        const auto columns = static_cast<int>(PNG_PASS_COLS(width_, pass));
        const auto rows = static_cast<int>(PNG_PASS_ROWS(height_, pass));
        if (columns == 0 || rows == 0) continue;
        for (int row = 0; row < rows; ++row) {
            png_read_row(png_, row_.data(), nullptr);
            preview_->AddPixels(static_cast<int>(PNG_PASS_START_COL(pass)),
                                static_cast<int>(PNG_ROW_FROM_PASS_ROW(row, pass)), 1 << PNG_PASS_COL_SHIFT(pass),
                                columns, row_.data());
        }
    }
    return true;
}

bool LooksLikePng(const std::uint8_t* head, std::size_t size)
{
    return size >= 8 && std::memcmp(head, "\x89PNG\r\n\x1A\n", 8) == 0;
}

std::unique_ptr<CRenderedDocument> DecodePng(CDocumentFile& file, int previewWidth, int previewHeight,
                                             CRasterRefusal& refusal)
{
    // The sides first, for a reason that names them: libpng would say only "Invalid IHDR data".
    std::uint8_t header[16];
    if (file.ReadAt(8, header, sizeof header) && std::memcmp(header + 4, "IHDR", 4) == 0) {
        const auto be32 = [](const std::uint8_t* p) {
            return std::uint64_t{p[0]} << 24 | std::uint64_t{p[1]} << 16 | std::uint64_t{p[2]} << 8 | p[3];
        };
        if (!CheckRasterSize(be32(header + 8), be32(header + 12), kMaxRasterSide, refusal)) return nullptr;
    }
    CPngDecode decode(file, refusal);
    return decode.Render(previewWidth, previewHeight);
}

std::unique_ptr<CRenderedDocument> RenderPng(CDocumentFile& file, int previewWidth, int previewHeight,
                                             std::string& reason)
{
    return RenderRaster("PNG", DecodePng, file, previewWidth, previewHeight, reason);
}

}  // namespace

const CFileKind kPngFileKind = {"PNG", LooksLikePng, RenderPng};

}  // namespace vantrel::studio::formats
