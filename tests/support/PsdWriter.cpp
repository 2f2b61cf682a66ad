#include "PsdWriter.h"

#include <fstream>
#include <stdexcept>

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
void PutSection(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& body)
{
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}
}  // namespace

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
    PutSection(out, psd.layerAndMask);

    const std::size_t rowBytes = RowBytes(psd);
    const std::size_t rows = static_cast<std::size_t>(psd.channels) * psd.height;
    std::vector<std::uint8_t> planes = psd.planes;
    planes.resize(rows * rowBytes, 0);
    if (!psd.rle) {
        Put16(out, 0);
        out.insert(out.end(), planes.begin(), planes.end());
        return out;
    }
    Put16(out, 1);
    std::vector<std::vector<std::uint8_t>> packed(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        packed[r] = PackBitsRow(planes.data() + r * rowBytes, rowBytes);
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
