#include "studio/psd/PsdVersionInfo.h"

#include <cstring>

using vantrel::studio::io::CDocumentFile;
using vantrel::studio::io::CFileCursor;

namespace vantrel::studio::psd {

namespace {
constexpr unsigned kVersionInfoId = 0x0421;
// Every block: signature, id, a name of at least two bytes, and a data length.
constexpr std::uint64_t kSmallestBlock = 12;
}  // namespace

MergedImageFlag ReadMergedImageFlag(CDocumentFile& file, const CPsdLayout& layout)
{
    if (!layout.sectionsRead || layout.resourcesOffset > file.Size() ||
        layout.resourcesLength > file.Size() - layout.resourcesOffset)
        return MergedImageFlag::Absent;
    const std::uint64_t end = layout.resourcesOffset + layout.resourcesLength;
    CFileCursor cursor(file, layout.resourcesOffset, end);
    while (end - cursor.Position() >= kSmallestBlock) {
        const std::uint8_t* head = cursor.Take(7);
        if (head == nullptr) break;
        const unsigned id = (unsigned{head[4]} << 8) | head[5];
        // The name is a Pascal string padded, with its length byte, to an even length.
        const std::uint64_t nameRest = (std::uint64_t{head[6]} + 2) / 2 * 2 - 1;
        const std::uint8_t* lengthWord = nullptr;
        if (!cursor.Skip(nameRest) || (lengthWord = cursor.Take(4)) == nullptr) break;
        const std::uint64_t length = (std::uint64_t{lengthWord[0]} << 24) | (std::uint64_t{lengthWord[1]} << 16) |
                                     (std::uint64_t{lengthWord[2]} << 8) | lengthWord[3];
        if (length > end - cursor.Position()) break;
        if (id == kVersionInfoId) {
            const std::uint8_t* data = length >= 5 ? cursor.Take(5) : nullptr;
            if (data == nullptr) return MergedImageFlag::Absent;
            return data[4] != 0 ? MergedImageFlag::Real : MergedImageFlag::Placeholder;
        }
        if (!cursor.Skip(length + (length & 1))) break;
    }
    return MergedImageFlag::Absent;
}

}  // namespace vantrel::studio::psd
