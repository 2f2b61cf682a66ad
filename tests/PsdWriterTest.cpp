#include <gtest/gtest.h>

#include "PsdWriter.h"

namespace {

std::vector<std::uint8_t> UnpackBits(const std::vector<std::uint8_t>& packed)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < packed.size();) {
        int n = static_cast<std::int8_t>(packed[i++]);
        if (n >= 0) {
            out.insert(out.end(), packed.begin() + static_cast<long>(i), packed.begin() + static_cast<long>(i) + n + 1);
            i += static_cast<std::size_t>(n) + 1;
        } else if (n != -128) {
            out.insert(out.end(), static_cast<std::size_t>(1 - n), packed[i++]);
        }
    }
    return out;
}

TEST(PsdWriter, PackBitsRoundTripsRunsAndLiterals)
{
    std::vector<std::uint8_t> row;
    for (int i = 0; i < 300; ++i) row.push_back(static_cast<std::uint8_t>(i < 140 ? 7 : (i * 31) % 256));
    row.push_back(9);
    row.push_back(9);
    EXPECT_EQ(UnpackBits(vantrel::testing::PackBitsRow(row.data(), row.size())), row);
}

}  // namespace
