// Feeds arbitrary bytes to the studio's document renderer, which must refuse or render them
// without crashing, reading out of bounds or running away with memory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "studio/StudioDocument.h"

namespace {

// The renderer opens documents by path, so each input goes through one reused file.
const std::string& InputPath()
{
    static const std::string path = "/tmp/vantrel-fuzz-" + std::to_string(getpid()) + ".psd";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return 0;
    std::string reason;
    auto document = vantrel::studio::RenderDocument(InputPath(), 7, 5, reason);
    if (document && document->previewRgb.size() != 7u * 5 * 3) __builtin_trap();
    if (!document && reason.empty()) __builtin_trap();
    return 0;
}
