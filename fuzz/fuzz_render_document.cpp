// Any bytes as a document file: the studio renders it or refuses it, never more.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "studio/formats/RenderDocument.h"

namespace {
std::string thePath;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    thePath = (std::filesystem::temp_directory_path() / ("vantrel-fuzz-doc-" + std::to_string(::getpid()))).string();
    std::atexit([] { std::filesystem::remove(thePath); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream file(thePath, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::string reason;
    auto document = vantrel::studio::RenderDocument(thePath, 200, 160, reason);
    if (document && document->previewRgb.size() != 200u * 160u * 3u) std::abort();
    if (!document && reason.empty()) std::abort();
    return 0;
}
