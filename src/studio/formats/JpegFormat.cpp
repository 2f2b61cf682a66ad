// JPEG files through libjpeg-turbo: baseline and progressive, greyscale, YCbCr, RGB, CMYK and
// YCCK. The decoder's scaled decoding does most of the shrinking: a 4000 x 3000 photograph is
// decoded at 1/8 (500 x 375, the DC coefficients alone), which is then area-averaged to the
// preview like any other raster.

#include "studio/formats/FileKinds.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "studio/formats/ExifOrientation.h"
#include "studio/formats/RasterErrors.h"
#include "studio/formats/RasterLimits.h"
#include "studio/render/RasterPreview.h"

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::render::CRasterPreview;
using vantrel::studio::render::CRenderedDocument;
using vantrel::studio::render::PixelLayout;

namespace vantrel::studio::formats {

namespace {

// Scaled decoding stops while the decoded image still has at least this many pixels per
// preview pixel across and down, so that area averaging still has most of the image's detail.
constexpr unsigned kScaledPixelsPerPreviewPixel = 2;
constexpr std::size_t kInputBytes = 64 * 1024;

// libjpeg reports through these; error_exit jumps back to the decode's setjmp, so only C frames
// of libjpeg and trivially destructible frames of ours are left.
struct CJpegErrors {
    jpeg_error_mgr manager;  // first: libjpeg's err pointer is to this
    std::jmp_buf jump;
    CRasterRefusal* refusal;
};

[[noreturn]] void FailJpeg(j_common_ptr info)
{
    auto* errors = reinterpret_cast<CJpegErrors*>(info->err);
    if (!errors->refusal->Refused()) {
        char message[JMSG_LENGTH_MAX];
        (*info->err->format_message)(info, message);
        // libjpeg asks for a temporary file when its memory limit is reached.
        *errors->refusal = info->err->msg_code == JERR_NO_BACKING_STORE
                               ? CRasterRefusal::Of(RasterError::ProgressiveMemory, kJpegCodecMemory / (1024 * 1024))
                               : CRasterRefusal::Of(RasterError::CodecMessage, OneLine(message));
    }
    std::longjmp(errors->jump, 1);
}

// Warnings: the ones that mean image data is missing or damaged fail the open; the rest (an
// unknown JFIF revision, stray bytes between markers, scan parameters some encoders get wrong)
// leave a picture an editor opens.
void OnJpegMessage(j_common_ptr info, int level)
{
    if (level >= 0) return;
    switch (info->err->msg_code) {
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        FailJpeg(info);
    default:
        break;
    }
}

// A progressive file's scans are counted as libjpeg reads them.
void OnJpegProgress(j_common_ptr info)
{
    if (!info->is_decompressor) return;
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJpegScans) {
        auto* errors = reinterpret_cast<CJpegErrors*>(info->err);
        *errors->refusal = CRasterRefusal::Of(RasterError::TooManyScans, kMaxJpegScans);
        std::longjmp(errors->jump, 1);
    }
}

// The file as libjpeg's input, read in chunks with no system call per byte.
struct CJpegSource {
    jpeg_source_mgr manager;  // first: libjpeg's src pointer is to this
    CDocumentFile* file;
    std::uint64_t position;
    bool ended;               // the file ended before its EOI marker
    JOCTET* buffer;
};

void StartJpegInput(j_decompress_ptr) {}
void EndJpegInput(j_decompress_ptr) {}

boolean FillJpegInput(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<CJpegSource*>(info->src);
    const std::uint64_t size = source->file->Size();
    const std::size_t count =
        source->position < size ? static_cast<std::size_t>(std::min<std::uint64_t>(size - source->position, kInputBytes)) : 0;
    if (count == 0 || !source->file->ReadAt(source->position, source->buffer, count)) {
        // As libjpeg's own sources do: an EOI marker in place of the missing data. The entropy
        // decoder warns (JWRN_HIT_MARKER, which fails) when it needed data that is not there.
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        source->ended = true;
        source->manager.next_input_byte = kEndOfImage;
        source->manager.bytes_in_buffer = 2;
        return TRUE;
    }
    source->position += count;
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = count;
    return TRUE;
}

void SkipJpegInput(j_decompress_ptr info, long count)
{
    if (count <= 0) return;
    auto* source = reinterpret_cast<CJpegSource*>(info->src);
    auto skip = static_cast<std::uint64_t>(count);
    if (skip <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += skip;
        source->manager.bytes_in_buffer -= skip;
        return;
    }
    skip -= source->manager.bytes_in_buffer;
    source->manager.bytes_in_buffer = 0;
    const std::uint64_t size = source->file->Size();
    source->position = skip < size - source->position ? source->position + skip : size;
}

// The orientation from the first EXIF block, found by walking the marker segments up to the
// first scan: reads a 64 KiB segment at most, however many segments the file has.
int ReadJpegOrientation(CDocumentFile& file)
{
    std::uint64_t at = 2;
    std::uint8_t head[4];
    while (file.ReadAt(at, head, 4) && head[0] == 0xFF) {
        const unsigned marker = head[1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) break;  // start of scan, end of image
        const unsigned length = head[2] << 8 | head[3];
        if (length < 2) break;
        if (marker == 0xE1 && length >= 2 + 6) {
            std::vector<std::uint8_t> payload(length - 2);
            if (!file.ReadAt(at + 4, payload.data(), payload.size())) break;
            if (std::memcmp(payload.data(), "Exif\0\0", 6) == 0) return ExifOrientation(payload.data(), payload.size());
        }
        at += 2 + length;
    }
    return 1;
}

// Everything of one decode that C++ owns, made before libjpeg can jump.
class CJpegDecode {
public:
    CJpegDecode(CDocumentFile& file, CRasterRefusal& refusal) : file_(file), refusal_(refusal)
    {
        info_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = FailJpeg;
        errors_.manager.emit_message = OnJpegMessage;
        errors_.refusal = &refusal_;
        progress_.progress_monitor = OnJpegProgress;
        source_.manager.init_source = StartJpegInput;
        source_.manager.fill_input_buffer = FillJpegInput;
        source_.manager.skip_input_data = SkipJpegInput;
        source_.manager.resync_to_restart = jpeg_resync_to_restart;
        source_.manager.term_source = EndJpegInput;
        source_.manager.bytes_in_buffer = 0;
        source_.manager.next_input_byte = nullptr;
        source_.file = &file_;
        source_.position = 0;
        source_.ended = false;
        source_.buffer = input_.get();
    }
    ~CJpegDecode()
    {
        if (created_) jpeg_destroy_decompress(&info_);
    }
    CJpegDecode(const CJpegDecode&) = delete;
    CJpegDecode& operator=(const CJpegDecode&) = delete;

    std::unique_ptr<CRenderedDocument> Render(int previewWidth, int previewHeight);

private:
    bool Decode(int orientation, int previewWidth, int previewHeight);

    CDocumentFile& file_;
    CRasterRefusal& refusal_;
    jpeg_decompress_struct info_{};
    CJpegErrors errors_{};
    jpeg_progress_mgr progress_{};
    CJpegSource source_{};
    std::unique_ptr<JOCTET[]> input_{new JOCTET[kInputBytes]};
    bool created_ = false;
    std::vector<JSAMPLE> rows_;
    std::vector<JSAMPROW> rowPointers_;
    std::optional<CRasterPreview> preview_;
    int colorMode_ = 3;
    const char* modeName_ = "RGB";
};

std::unique_ptr<CRenderedDocument> CJpegDecode::Render(int previewWidth, int previewHeight)
{
    const int orientation = ReadJpegOrientation(file_);
    if (!Decode(orientation, previewWidth, previewHeight)) return nullptr;
    return preview_->Finish(static_cast<int>(info_.image_width), static_cast<int>(info_.image_height), colorMode_,
                            modeName_);
}

// The one frame that libjpeg jumps back to. Its own locals are plain values; everything with a
// destructor lives in the object, made before the jump point.
bool CJpegDecode::Decode(int orientation, int previewWidth, int previewHeight)
{
    if (setjmp(errors_.jump)) return false;
    jpeg_create_decompress(&info_);
    created_ = true;
    info_.mem->max_memory_to_use = kJpegCodecMemory;
    info_.progress = &progress_;
    info_.src = &source_.manager;
    if (jpeg_read_header(&info_, TRUE) != JPEG_HEADER_OK) {
        refusal_ = CRasterRefusal::Of(RasterError::NoImage);
        return false;
    }
    if (!CheckRasterSize(info_.image_width, info_.image_height, kMaxJpegSide, refusal_)) return false;

    PixelLayout layout = PixelLayout::Rgb;
    switch (info_.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info_.out_color_space = JCS_GRAYSCALE;
        layout = PixelLayout::Gray;
        colorMode_ = 1;
        modeName_ = "Grayscale";
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        info_.out_color_space = JCS_RGB;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // Adobe's writers, the ones that mark their files, store inverted inks (255 is none).
        info_.out_color_space = JCS_CMYK;
        layout = info_.saw_Adobe_marker ? PixelLayout::InvertedCmyk : PixelLayout::Cmyk;
        colorMode_ = 4;
        modeName_ = "CMYK";
        break;
    default:
        refusal_ = CRasterRefusal::Of(RasterError::UnknownColourSpace, info_.num_components);
        return false;
    }

    // The preview in the stored geometry, which the orientation may turn.
    const bool swap = orientation >= 5;
    const std::uint64_t wantWidth = std::uint64_t{kScaledPixelsPerPreviewPixel} * (swap ? previewHeight : previewWidth);
    const std::uint64_t wantHeight = std::uint64_t{kScaledPixelsPerPreviewPixel} * (swap ? previewWidth : previewHeight);
    unsigned denominator = 8;
    while (denominator > 1 && ((info_.image_width + denominator - 1) / denominator < wantWidth ||
                               (info_.image_height + denominator - 1) / denominator < wantHeight))
        denominator /= 2;
    info_.scale_num = 1;
    info_.scale_denom = denominator;
    info_.dct_method = JDCT_ISLOW;

    if (!jpeg_start_decompress(&info_)) return false;
    // A progressive file has been read whole by now; missing scans leave it incomplete.
    if (source_.ended && jpeg_has_multiple_scans(&info_)) {
        refusal_ = CRasterRefusal::Of(RasterError::TruncatedData);
        return false;
    }
    const std::size_t rowBytes = std::size_t{info_.output_width} * static_cast<std::size_t>(info_.output_components);
    const auto rowsPerRead = static_cast<std::size_t>(std::max(1, info_.rec_outbuf_height));
    rows_.resize(rowBytes * rowsPerRead);
    rowPointers_.resize(rowsPerRead);
    for (std::size_t row = 0; row < rowsPerRead; ++row) rowPointers_[row] = rows_.data() + row * rowBytes;
    preview_.emplace(static_cast<int>(info_.output_width), static_cast<int>(info_.output_height), layout,
                     CRasterPreview::Order::TopDown, orientation, previewWidth, previewHeight);
    while (info_.output_scanline < info_.output_height) {
        const JDIMENSION read =
            jpeg_read_scanlines(&info_, rowPointers_.data(), static_cast<JDIMENSION>(rowsPerRead));
        for (JDIMENSION row = 0; row < read; ++row) preview_->AddRow(rowPointers_[row]);
    }
    return true;
}

bool LooksLikeJpeg(const std::uint8_t* head, std::size_t size)
{
    return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

std::unique_ptr<CRenderedDocument> DecodeJpeg(CDocumentFile& file, int previewWidth, int previewHeight,
                                              CRasterRefusal& refusal)
{
    CJpegDecode decode(file, refusal);
    return decode.Render(previewWidth, previewHeight);
}

std::unique_ptr<CRenderedDocument> RenderJpeg(CDocumentFile& file, int previewWidth, int previewHeight,
                                              std::string& reason)
{
    return RenderRaster("JPEG", DecodeJpeg, file, previewWidth, previewHeight, reason);
}

}  // namespace

const CFileKind kJpegFileKind = {"JPEG", LooksLikeJpeg, RenderJpeg};

}  // namespace vantrel::studio::formats
