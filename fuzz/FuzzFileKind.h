#pragma once

// One kind of file's renderer under libFuzzer: any bytes as a file of that kind are rendered or
// refused with a one-line reason, never more. The kind's own entry is called, past the sniffing,
// so that every input reaches its decoder.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "studio/formats/FileKinds.h"

namespace vantrel::fuzzing {

// Never destroyed: the exit handler that removes the file runs after static destructors would.
inline const std::string& ScratchPath()
{
    static const std::string* const path = [] {
        auto* name = new std::string(
            (std::filesystem::temp_directory_path() / ("vantrel-fuzz-kind-" + std::to_string(::getpid()))).string());
        std::atexit([] { std::filesystem::remove(ScratchPath()); });
        return name;
    }();
    return *path;
}

inline int FuzzFileKind(const studio::CFileKind& kind, const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream file(ScratchPath(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    studio::CDocumentFile file(ScratchPath());
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
