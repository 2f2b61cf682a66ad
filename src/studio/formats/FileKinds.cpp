#include "studio/formats/FileKinds.h"

#include <algorithm>

namespace vantrel::studio {

std::span<const CFileKind* const> FileKinds()
{
    static const CFileKind* const kinds[] = {&kPsdFileKind};
    return kinds;
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

}  // namespace vantrel::studio
