// The plain loops, one pixel at a time: the whole of a run where the build has no vector
// instructions, and what the vector loops leave at its end where it has.

#include "effects/compare/kernels/ComparisonKernelPaths.h"
#include "effects/compare/PixelUnpacking.h"

using vantrel::platform::DisplayFormat;


namespace vantrel::effects::compare::kernels {

namespace {

// Bin of a channel value: ten values to a bin, and the six values 250-255 in the last.
constexpr std::array<std::uint8_t, 256> kBinOf = [] {
    std::array<std::uint8_t, 256> bins{};
    for (int v = 0; v < 256; ++v)
        bins[v] = static_cast<std::uint8_t>(v / 10);
    return bins;
}();

inline void AddPixelPair(unsigned a, unsigned b, std::uint64_t& sumFirst, std::uint64_t& sumSecond,
                         std::uint64_t& sumApart)
{
    const unsigned hi = a > b ? a : b;
    const unsigned lo = a > b ? b : a;
    const unsigned d = hi - lo;
    if (d >= 11) {
        sumFirst += a * a;
        sumSecond += b * b;
        sumApart += d * d;
    } else {
        sumFirst += hi * hi;
        sumSecond += hi * hi;
    }
}

template <DisplayFormat F>
void SumPixelPairsFrom(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                       std::size_t end, PixelPairSums& sums)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels a = ReadPixel(first, F, k);
        const PixelChannels b = ReadPixel(second, F, k);
        AddPixelPair(a.c0, b.c0, sums.first[0], sums.second[0], sums.apart[0]);
        AddPixelPair(a.c1, b.c1, sums.first[1], sums.second[1], sums.apart[1]);
        AddPixelPair(a.c2, b.c2, sums.first[2], sums.second[2], sums.apart[2]);
    }
}

void SumBytePairsFrom(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                      std::size_t end, PixelPairSums& sums)
{
    for (std::size_t k = begin; k < end; ++k)
        AddPixelPair(first[k], second[k], sums.first[0], sums.second[0], sums.apart[0]);
}

template <DisplayFormat F>
void CountChannelBinsFrom(const std::uint8_t* pixels, std::size_t begin, std::size_t end,
                          std::array<BinCounts, 3>& bins)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels p = ReadPixel(pixels, F, k);
        ++bins[0][kBinOf[p.c0]];
        ++bins[1][kBinOf[p.c1]];
        ++bins[2][kBinOf[p.c2]];
    }
}

void CountChannelBinsOf(const std::uint8_t* pixels, DisplayFormat format, std::size_t begin, std::size_t end,
                        std::array<BinCounts, 3>& bins)
{
    switch (format) {
    case DisplayFormat::Bits8:
        for (std::size_t k = begin; k < end; ++k)
            ++bins[0][kBinOf[pixels[k]]];
        break;
    case DisplayFormat::Bits16: CountChannelBinsFrom<DisplayFormat::Bits16>(pixels, begin, end, bins); break;
    case DisplayFormat::Bits24: CountChannelBinsFrom<DisplayFormat::Bits24>(pixels, begin, end, bins); break;
    case DisplayFormat::Bits32: CountChannelBinsFrom<DisplayFormat::Bits32>(pixels, begin, end, bins); break;
    default: break;
    }
}

template <DisplayFormat F>
void ConvertToGreyFrom(std::uint8_t* bytes, std::size_t begin, std::size_t end)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels p = ReadPixel(bytes, F, k);
        bytes[k] = GreyOf(p.c0, p.c1, p.c2);
    }
}

}  // namespace

// Here rather than with the choice of paths, so that the plain grey loops can inline it.
std::uint8_t GreyOf(unsigned c0, unsigned c1, unsigned c2)
{
    // The weighted sum is (11 c0 + 59 c1 + 30 c2) / 100 up to a rounding error far below 1/100,
    // so its truncation is the integer quotient unless that quotient is whole; only then can the
    // rounding of the double weights fall on either side, and the double sum itself decides.
    const unsigned hundredths = 11u * c0 + 59u * c1 + 30u * c2;
    const unsigned quotient = hundredths / 100u;
    if (quotient * 100u != hundredths || hundredths == 0)
        return static_cast<std::uint8_t>(quotient);
    const double grey = c0 * 0.11 + c1 * 0.59 + c2 * 0.3;
    return static_cast<std::uint8_t>(static_cast<int>(grey));
}

namespace detail {

void SumPixelPairsPortable(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                           std::size_t begin, std::size_t end, PixelPairSums& sums)
{
    switch (format) {
    case DisplayFormat::Bits8:
        SumBytePairsFrom(first, second, begin, end, sums);
        // The one byte stands for all three channels.
        sums.first[1] = sums.first[2] = sums.first[0];
        sums.second[1] = sums.second[2] = sums.second[0];
        sums.apart[1] = sums.apart[2] = sums.apart[0];
        break;
    case DisplayFormat::Bits16: SumPixelPairsFrom<DisplayFormat::Bits16>(first, second, begin, end, sums); break;
    case DisplayFormat::Bits24: SumPixelPairsFrom<DisplayFormat::Bits24>(first, second, begin, end, sums); break;
    case DisplayFormat::Bits32: SumPixelPairsFrom<DisplayFormat::Bits32>(first, second, begin, end, sums); break;
    default: break;
    }
}

void CountChannelBinsPortable(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                              std::size_t begin, std::size_t end, ChannelBinCounts& counts)
{
    CountChannelBinsOf(first, format, begin, end, counts.first);
    CountChannelBinsOf(second, format, begin, end, counts.second);
    if (format == DisplayFormat::Bits8) {
        // The one byte is counted for all three channels.
        counts.first[1] = counts.first[2] = counts.first[0];
        counts.second[1] = counts.second[2] = counts.second[0];
    }
}

void SubtractInitialPortable(std::uint8_t* changed, const std::uint8_t* initial, std::size_t begin,
                             std::size_t end)
{
    for (std::size_t k = begin; k < end; ++k) {
        const unsigned x = changed[k];
        const unsigned i = initial[k];
        const unsigned d = x > i ? x - i : i - x;
        changed[k] = static_cast<std::uint8_t>(d >= 3 ? d : 0);
    }
}

void ConvertPixelsToGreyPortable(std::uint8_t* bytes, DisplayFormat format, std::size_t begin, std::size_t end)
{
    switch (format) {
    case DisplayFormat::Bits16: ConvertToGreyFrom<DisplayFormat::Bits16>(bytes, begin, end); break;
    case DisplayFormat::Bits24: ConvertToGreyFrom<DisplayFormat::Bits24>(bytes, begin, end); break;
    case DisplayFormat::Bits32: ConvertToGreyFrom<DisplayFormat::Bits32>(bytes, begin, end); break;
    default: break;  // a one-byte pixel is its own grey value
    }
}

void SumGreyPairsPortable(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                          std::size_t end, GreyPairSums& sums)
{
    for (std::size_t k = begin; k < end; ++k) {
        const unsigned a = first[k];
        const unsigned b = second[k];
        const unsigned hi = a > b ? a : b;
        const unsigned lo = a > b ? b : a;
        if (hi - lo >= 11) {
            sums.firstSum += a * a;
            sums.secondSum += b * b;
        } else if (lo >= 10) {
            sums.firstSum += hi * hi;
            sums.secondSum += hi * hi;
        }
    }
}

void CountGreyBinsPortable(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                           std::size_t end, GreyBinCounts& counts)
{
    for (std::size_t k = begin; k < end; ++k) {
        ++counts.first[kBinOf[first[k]]];
        ++counts.second[kBinOf[second[k]]];
    }
}

}  // namespace detail

}  // namespace vantrel::effects::compare::kernels
