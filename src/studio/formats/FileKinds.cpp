#include "studio/formats/FileKinds.h"

#include <algorithm>

using vantrel::studio::io::CDocumentFile;

namespace vantrel::studio::formats {

std::span<const CFileKind* const> FileKinds()
{
    // The strongest signatures first; a BMP's two letters and header size last.
    static const CFileKind* const kinds[] = {
        &kPsdFileKind,
#if VANTREL_STUDIO_Jpeg
        &kJpegFileKind,
#endif
#if VANTREL_STUDIO_Png
        &kPngFileKind,
#endif
#if VANTREL_STUDIO_Gif
        &kGifFileKind,
#endif
#if VANTREL_STUDIO_Tiff
        &kTiffFileKind,
#endif
#if VANTREL_STUDIO_Bmp
        &kBmpFileKind,
#endif
    };
    return kinds;
}

std::string KnownFileKindsText()
{
    const auto kinds = FileKinds();
    std::string text = "a";
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (i > 0) text += i + 1 == kinds.size() ? " or" : ",";
        text += std::string(" ") + kinds[i]->name;
    }
    return text + " file";
}

const CFileKind* SniffFileKind(CDocumentFile& file)
{
    std::uint8_t head[kSniffBytes] = {};
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kSniffBytes));
    if (!file.ReadAt(0, head, size)) return nullptr;
    for (const CFileKind* kind : FileKinds())
        if (kind->Sniff(head, size)) return kind;
    return nullptr;
}

}  // namespace vantrel::studio::formats
