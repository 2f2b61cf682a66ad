// Any bytes as a document file: the studio renders it or refuses it, never more.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "studio/formats/RenderDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    std::string reason;
    auto document = vantrel::studio::formats::RenderDocumentBytes(bytes, 200, 160, reason);
    if (document && document->previewRgb.size() != 200u * 160u * 3u) std::abort();
    if (!document && reason.empty()) std::abort();
    return 0;
}
