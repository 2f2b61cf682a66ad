// Any bytes as the layer and mask information of a small document whose stored image is only a
// placeholder, so that every input reaches the layer records and the compositor. The first two
// bytes choose the canvas size, sample depth and colour mode.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "PsdWriter.h"
#include "studio/formats/RenderDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    vantrel::testing::PsdSpec psd;
    psd.width = 1 + data[0] % 64;
    psd.height = 1 + (data[1] & 0x3F);
    const int modes[] = {3, 1, 4, 3};
    psd.colorMode = modes[data[1] >> 6];
    psd.channels = psd.colorMode == 1 ? 1 : psd.colorMode == 4 ? 4 : 3;
    const int depths[] = {8, 16, 32, 8};
    psd.depth = depths[data[0] >> 6];
    if (psd.colorMode == 4 && psd.depth == 32) psd.depth = 16;  // no 32-bit CMYK
    psd.imageResources = vantrel::testing::VersionInfoResources(false);
    psd.layerAndMask.assign(data + 2, data + size);
    const std::vector<std::uint8_t> bytes = vantrel::testing::WritePsd(psd);
    std::string reason;
    auto document = vantrel::studio::formats::RenderDocumentBytes(bytes, 20, 16, reason);
    if (document && document->previewRgb.size() != 20u * 16u * 3u) std::abort();
    if (!document && reason.empty()) std::abort();
    return 0;
}
