#include "PsdWriter.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#ifdef VANTREL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace vantrel::testing {

namespace {
void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}
void PutSection(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& body, bool longLength = false)
{
    if (longLength) Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

// Rows stored as differences from the sample before: bytes at 8 bits, big-endian words at
// 16, and at 32 the bytes of each row regrouped by significance first. Only the ZIP writer
// uses it, and a build without zlib has none.
[[maybe_unused]] void Predict(std::vector<std::uint8_t>& planes, std::size_t rowBytes, int width, int depth)
{
    const auto w = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> row(rowBytes);
    for (std::size_t at = 0; at + rowBytes <= planes.size(); at += rowBytes) {
        std::uint8_t* bytes = planes.data() + at;
        if (depth == 16) {
            for (std::size_t x = w; x-- > 1;) {
                const unsigned value = (unsigned{bytes[2 * x]} << 8 | bytes[2 * x + 1]) -
                                       (unsigned{bytes[2 * x - 2]} << 8 | bytes[2 * x - 1]);
                bytes[2 * x] = static_cast<std::uint8_t>(value >> 8);
                bytes[2 * x + 1] = static_cast<std::uint8_t>(value);
            }
            continue;
        }
        if (depth == 32) {
            std::memcpy(row.data(), bytes, rowBytes);
            for (std::size_t x = 0; x < w; ++x)
                for (std::size_t k = 0; k < 4; ++k) bytes[k * w + x] = row[4 * x + k];
        }
        for (std::size_t x = rowBytes; x-- > 1;) bytes[x] = static_cast<std::uint8_t>(bytes[x] - bytes[x - 1]);
    }
}
// One zlib stream of the rows, predicted first when asked.
std::vector<std::uint8_t> Deflated(std::vector<std::uint8_t> rows, std::size_t rowBytes, int width, int depth,
                                   bool prediction)
{
#ifndef VANTREL_HAVE_ZLIB
    (void)rows, (void)rowBytes, (void)width, (void)depth, (void)prediction;
    throw std::runtime_error("this build has no zlib to write ZIP data with");
#else
    if (prediction) Predict(rows, rowBytes, width, depth);
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size())) != Z_OK)
        throw std::runtime_error("cannot compress image data");
    packed.resize(packedSize);
    return packed;
#endif
}
}  // namespace

void FillPlanes32(PsdSpec& psd, float (*value)(int channel, int x, int y))
{
    psd.planes.assign(static_cast<std::size_t>(psd.channels) * psd.height * RowBytes(psd), 0);
    std::size_t i = 0;
    for (int c = 0; c < psd.channels; ++c)
        for (int y = 0; y < psd.height; ++y)
            for (int x = 0; x < psd.width; ++x) {
                const float v = value(c, x, y);
                std::uint32_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                for (int shift = 24; shift >= 0; shift -= 8) psd.planes[i++] = static_cast<std::uint8_t>(bits >> shift);
            }
}

std::vector<std::uint8_t> ImageResource(unsigned id, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out = {'8', 'B', 'I', 'M'};
    Put16(out, id);
    Put16(out, 0);  // an empty name, padded to even
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
    return out;
}

std::vector<std::uint8_t> AlphaNamesResource(const std::vector<std::string>& names)
{
    std::vector<std::uint8_t> data;
    for (const std::string& name : names) {
        data.push_back(static_cast<std::uint8_t>(name.size()));
        data.insert(data.end(), name.begin(), name.end());
    }
    return ImageResource(0x03EE, data);
}

std::vector<std::uint8_t> LayerCountSection(int count, int version)
{
    std::vector<std::uint8_t> out;
    if (version == 2) Put32(out, 0);
    Put32(out, 2);
    Put16(out, static_cast<unsigned>(count) & 0xFFFF);
    return out;
}

std::size_t RowBytes(const PsdSpec& psd)
{
    return (static_cast<std::size_t>(psd.width) * psd.depth + 7) / 8;
}

std::vector<std::uint8_t> PackBitsRow(const std::uint8_t* row, std::size_t length)
{
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < length) {
        std::size_t run = 1;
        while (i + run < length && run < 128 && row[i + run] == row[i]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        std::size_t literal = 0;
        while (i + literal < length && literal < 128) {
            std::size_t ahead = i + literal;
            if (ahead + 2 < length && row[ahead] == row[ahead + 1] && row[ahead] == row[ahead + 2]) break;
            ++literal;
        }
        out.push_back(static_cast<std::uint8_t>(literal - 1));
        out.insert(out.end(), row + i, row + i + literal);
        i += literal;
    }
    return out;
}

std::vector<std::uint8_t> WritePsd(const PsdSpec& psd)
{
    std::vector<std::uint8_t> out = {'8', 'B', 'P', 'S'};
    Put16(out, static_cast<unsigned>(psd.version));
    out.insert(out.end(), 6, 0);
    Put16(out, static_cast<unsigned>(psd.channels));
    Put32(out, static_cast<std::uint32_t>(psd.height));
    Put32(out, static_cast<std::uint32_t>(psd.width));
    Put16(out, static_cast<unsigned>(psd.depth));
    Put16(out, static_cast<unsigned>(psd.colorMode));
    PutSection(out, psd.colorModeData);
    PutSection(out, psd.imageResources);
    PutSection(out, psd.layerAndMask, psd.version == 2);

    const std::size_t rowBytes = RowBytes(psd);
    const std::size_t rows = static_cast<std::size_t>(psd.channels) * psd.height;
    std::vector<std::uint8_t> planes = psd.planes;
    planes.resize(rows * rowBytes, 0);
    if (psd.zip) {
        Put16(out, psd.prediction ? 3 : 2);
        const auto packed = Deflated(planes, rowBytes, psd.width, psd.depth, psd.prediction);
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    }
    if (!psd.rle) {
        Put16(out, 0);
        out.insert(out.end(), planes.begin(), planes.end());
        return out;
    }
    Put16(out, 1);
    std::vector<std::vector<std::uint8_t>> packed(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        packed[r] = PackBitsRow(planes.data() + r * rowBytes, rowBytes);
        if (psd.version == 2)
            Put32(out, static_cast<std::uint32_t>(packed[r].size()));
        else
            Put16(out, static_cast<unsigned>(packed[r].size()));
    }
    for (const auto& row : packed) out.insert(out.end(), row.begin(), row.end());
    return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace vantrel::testing

namespace vantrel::testing {

namespace {
void PutKey(std::vector<std::uint8_t>& out, const std::string& key)
{
    for (std::size_t i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(i < key.size() ? key[i] : ' '));
}

std::vector<std::uint8_t> ChannelData(const std::vector<std::uint8_t>& samples, int width, int height, int compression)
{
    std::vector<std::uint8_t> out;
    if (compression == 0 || width == 0 || height == 0) {
        Put16(out, 0);
        out.insert(out.end(), samples.begin(), samples.end());
        return out;
    }
    if (compression >= 2) {
        const auto packed = Deflated(samples, static_cast<std::size_t>(width), width, 8, compression == 3);
        Put16(out, static_cast<unsigned>(compression));
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    }
    Put16(out, 1);
    std::vector<std::vector<std::uint8_t>> rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back(PackBitsRow(samples.data() + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width)));
        Put16(out, static_cast<unsigned>(rows.back().size()));
    }
    for (const auto& row : rows) out.insert(out.end(), row.begin(), row.end());
    return out;
}

std::vector<std::uint8_t> SolidColorDescriptor(const std::uint8_t rgb[3])
{
    std::vector<std::uint8_t> out;
    Put32(out, 16);      // descriptor version
    Put32(out, 0);       // empty name
    Put32(out, 0);
    PutKey(out, "null");
    Put32(out, 1);
    Put32(out, 0);
    PutKey(out, "Clr ");
    PutKey(out, "Objc");
    Put32(out, 0);
    Put32(out, 0);
    PutKey(out, "RGBC");
    Put32(out, 3);
    const char* keys[] = {"Rd  ", "Grn ", "Bl  "};
    for (int c = 0; c < 3; ++c) {
        Put32(out, 0);
        PutKey(out, keys[c]);
        PutKey(out, "doub");
        const double value = rgb[c];
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        Put32(out, static_cast<std::uint32_t>(bits >> 32));
        Put32(out, static_cast<std::uint32_t>(bits));
    }
    return out;
}
}  // namespace

PsdLayerSpec SolidRgbLayer(int top, int left, int bottom, int right, std::uint8_t red, std::uint8_t green,
                           std::uint8_t blue, std::uint8_t alpha)
{
    PsdLayerSpec layer;
    layer.top = top;
    layer.left = left;
    layer.bottom = bottom;
    layer.right = right;
    const auto size = static_cast<std::size_t>(std::max(0, bottom - top)) * static_cast<std::size_t>(std::max(0, right - left));
    layer.channels = {{-1, std::vector<std::uint8_t>(size, alpha)},
                      {0, std::vector<std::uint8_t>(size, red)},
                      {1, std::vector<std::uint8_t>(size, green)},
                      {2, std::vector<std::uint8_t>(size, blue)}};
    return layer;
}

std::vector<std::uint8_t> InfoBlock(const char* key, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out = {'8', 'B', 'I', 'M'};
    PutKey(out, key);
    const std::size_t padded = data.size() + (data.size() & 1);
    Put32(out, static_cast<std::uint32_t>(padded));
    out.insert(out.end(), data.begin(), data.end());
    out.resize(out.size() + (padded - data.size()), 0);
    return out;
}

std::vector<std::uint8_t> LayerAndMaskSection(const std::vector<PsdLayerSpec>& layers)
{
    std::vector<std::uint8_t> records;
    std::vector<std::uint8_t> channelData;
    Put16(records, static_cast<unsigned>(layers.size()));
    for (const auto& layer : layers) {
        Put32(records, static_cast<std::uint32_t>(layer.top));
        Put32(records, static_cast<std::uint32_t>(layer.left));
        Put32(records, static_cast<std::uint32_t>(layer.bottom));
        Put32(records, static_cast<std::uint32_t>(layer.right));
        Put16(records, static_cast<unsigned>(layer.channels.size()));
        for (const auto& [id, samples] : layer.channels) {
            const bool mask = id == -2;
            const int width = mask ? layer.maskRight - layer.maskLeft : layer.right - layer.left;
            const int height = mask ? layer.maskBottom - layer.maskTop : layer.bottom - layer.top;
            const auto data = ChannelData(samples, std::max(0, width), std::max(0, height), layer.compression);
            Put16(records, static_cast<unsigned>(id & 0xFFFF));
            Put32(records, static_cast<std::uint32_t>(data.size()));
            channelData.insert(channelData.end(), data.begin(), data.end());
        }
        records.insert(records.end(), {'8', 'B', 'I', 'M'});
        PutKey(records, layer.blendKey);
        records.push_back(static_cast<std::uint8_t>(layer.opacity));
        records.push_back(layer.clipped ? 1 : 0);
        records.push_back(layer.hidden ? 0x02 : 0x00);
        records.push_back(0);

        std::vector<std::uint8_t> extra;
        if (layer.hasMask) {
            const std::size_t parameters = layer.maskParameters.size();
            Put32(extra, static_cast<std::uint32_t>(std::max<std::size_t>(20, 18 + parameters)));
            Put32(extra, static_cast<std::uint32_t>(layer.maskTop));
            Put32(extra, static_cast<std::uint32_t>(layer.maskLeft));
            Put32(extra, static_cast<std::uint32_t>(layer.maskBottom));
            Put32(extra, static_cast<std::uint32_t>(layer.maskRight));
            extra.push_back(static_cast<std::uint8_t>(layer.maskDefaultColor));
            extra.push_back(static_cast<std::uint8_t>((layer.maskRelative ? 0x01 : 0) | (layer.maskDisabled ? 0x02 : 0) |
                                                      (parameters > 0 ? 0x10 : 0)));
            extra.insert(extra.end(), layer.maskParameters.begin(), layer.maskParameters.end());
            extra.insert(extra.end(), parameters < 2 ? 2 - parameters : 0, 0);
        } else {
            Put32(extra, 0);
        }
        Put32(extra, 0);  // no blending ranges
        const std::size_t nameLength = std::min<std::size_t>(layer.name.size(), 255);
        extra.push_back(static_cast<std::uint8_t>(nameLength));
        extra.insert(extra.end(), layer.name.begin(), layer.name.begin() + static_cast<long>(nameLength));
        const std::size_t namePadding = (4 - (nameLength + 1) % 4) % 4;
        extra.insert(extra.end(), namePadding, 0);
        if (layer.sectionType != 0) {
            std::vector<std::uint8_t> section;
            Put32(section, static_cast<std::uint32_t>(layer.sectionType));
            if (!layer.sectionBlendKey.empty()) {
                section.insert(section.end(), {'8', 'B', 'I', 'M'});
                PutKey(section, layer.sectionBlendKey);
            }
            const auto block = InfoBlock("lsct", section);
            extra.insert(extra.end(), block.begin(), block.end());
        }
        if (layer.fillOpacity >= 0) {
            const auto block = InfoBlock("iOpa", {static_cast<std::uint8_t>(layer.fillOpacity), 0, 0, 0});
            extra.insert(extra.end(), block.begin(), block.end());
        }
        if (layer.hasSolidColor) {
            const auto block = InfoBlock("SoCo", SolidColorDescriptor(layer.solidColor));
            extra.insert(extra.end(), block.begin(), block.end());
        }
        extra.insert(extra.end(), layer.extraBlocks.begin(), layer.extraBlocks.end());
        Put32(records, static_cast<std::uint32_t>(extra.size()));
        records.insert(records.end(), extra.begin(), extra.end());
    }
    std::vector<std::uint8_t> info = records;
    info.insert(info.end(), channelData.begin(), channelData.end());
    if (info.size() & 1) info.push_back(0);
    std::vector<std::uint8_t> section;
    PutSection(section, info);
    Put32(section, 0);  // no global layer mask
    return section;
}

std::vector<std::uint8_t> VersionInfoResources(bool hasRealMergedData)
{
    std::vector<std::uint8_t> out = {'8', 'B', 'I', 'M'};
    Put16(out, 0x0421);
    Put16(out, 0);      // empty name, padded
    std::vector<std::uint8_t> data;
    Put32(data, 1);
    data.push_back(hasRealMergedData ? 1 : 0);
    Put32(data, 0);     // empty writer name
    Put32(data, 0);     // empty reader name
    Put32(data, 1);     // file version
    Put32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (out.size() & 1) out.push_back(0);
    return out;
}

}  // namespace vantrel::testing
