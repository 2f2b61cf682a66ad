#include "LayeredBenchDocument.h"

#include <algorithm>
#include <cmath>

#include "PsdWriter.h"

namespace vantrel::testing {

namespace {

template <typename F>
PsdLayerSpec Layer(int top, int left, int bottom, int right, F sample)
{
    PsdLayerSpec layer;
    layer.top = top;
    layer.left = left;
    layer.bottom = bottom;
    layer.right = right;
    layer.compression = 1;
    const int width = right - left;
    const int height = bottom - top;
    for (int id : {-1, 0, 1, 2}) {
        std::vector<std::uint8_t> plane(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                plane[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(std::clamp(sample(id, x, y), 0, 255));
        layer.channels.push_back({id, std::move(plane)});
    }
    return layer;
}

}  // namespace

std::vector<std::uint8_t> FiveLayerDocument(int width, int height)
{
    std::uint32_t state = 12345;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>(state >> 29) - 4;
    };
    std::vector<PsdLayerSpec> layers;
    layers.push_back(Layer(0, 0, height, width, [&](int c, int x, int y) {
        if (c < 0) return 255;
        return (x * (c + 1) / 24 + y / 16) % 256 + noise();
    }));
    auto gradient = Layer(0, 0, height, width, [&](int c, int x, int y) {
        if (c < 0) return 255;
        return 255 - (c == 1 ? y * 128 / height : x * 96 / width);
    });
    gradient.blendKey = "mul ";
    gradient.opacity = 178;
    layers.push_back(std::move(gradient));
    const int cx = width / 2, cy = height / 2, radius = std::min(width, height) / 3;
    auto shape = Layer(cy - radius, cx - radius, cy + radius, cx + radius, [&](int c, int x, int y) {
        const double distance = std::hypot(x - radius, y - radius);
        if (c < 0) return static_cast<int>(std::clamp((radius - distance) * 4.0, 0.0, 255.0));
        return c == 0 ? 240 : c == 1 ? 180 : 60;
    });
    shape.blendKey = "scrn";
    layers.push_back(std::move(shape));
    auto masked = Layer(height / 8, width / 8, height / 2, width / 2, [&](int c, int x, int) {
        if (c < 0) return 255;
        return c == 2 ? 200 : x % 256;
    });
    masked.hasMask = true;
    masked.maskTop = height / 8;
    masked.maskLeft = width / 8;
    masked.maskBottom = height / 2;
    masked.maskRight = width / 2;
    const int maskWidth = masked.maskRight - masked.maskLeft;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(maskWidth) * (masked.maskBottom - masked.maskTop));
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<std::uint8_t>(i % maskWidth * 255 / maskWidth);
    masked.channels.push_back({-2, std::move(mask)});
    layers.push_back(std::move(masked));
    auto stripes = Layer(0, 0, height, width, [&](int c, int x, int y) {
        if (c < 0) return (y / 40) % 2 == 0 ? 255 : 0;
        return c == 0 ? 30 + x % 200 : 128;
    });
    stripes.blendKey = "over";
    stripes.fillOpacity = 204;
    layers.push_back(std::move(stripes));

    PsdSpec psd{.width = width, .height = height, .rle = true};
    FillPlanes(psd, [](int, int, int) { return 255; });
    psd.imageResources = VersionInfoResources(false);
    psd.layerAndMask = LayerAndMaskSection(layers);
    return WritePsd(psd);
}

}  // namespace vantrel::testing
