#pragma once

// One kind of file's renderer under libFuzzer: any bytes as a file of that kind are rendered or
// refused with a one-line reason, never more. The kind's own entry is called, past the sniffing,
// so that every input reaches its decoder.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "studio/formats/FileKinds.h"

namespace vantrel::fuzzing {

inline int FuzzFileKind(const studio::formats::CFileKind& kind, const std::uint8_t* data, std::size_t size)
{
    studio::io::CDocumentFile file(std::span<const std::uint8_t>(data, size));
    std::string reason;
    auto document = kind.Render(file, 200, 160, reason);
    if (document && document->previewRgb.size() != 200u * 160u * 3u) std::abort();
    if (!document && (reason.empty() || reason.find('\n') != std::string::npos)) std::abort();
    return 0;
}

}  // namespace vantrel::fuzzing

// A fuzz target for a kind this build compiled out does nothing.
#define VANTREL_FUZZ_FILE_KIND(enabled, kind)                                                    \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)          \
    {                                                                                            \
        if constexpr (enabled) return vantrel::fuzzing::FuzzFileKind(kind, data, size);         \
        return 0;                                                                                \
    }
