// The 256-bit loops, compiled for AVX2 function by function, so that the rest of the build
// still runs on processors without it; ComparisonKernels.cpp calls them only where it is there.

#include "effects/compare/kernels/ComparisonKernelPaths.h"

#ifdef VANTREL_KERNELS_AVX2

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "effects/compare/PixelUnpacking.h"

using vantrel::platform::DisplayFormat;


#define VANTREL_AVX2_FUNCTION __attribute__((target("avx2")))

namespace vantrel::effects::compare::kernels::detail {

namespace {

struct PixelTerms256 {
    __m256i first;
    __m256i second;
    __m256i apart;
};

VANTREL_AVX2_FUNCTION inline __m256i Load256(const std::uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VANTREL_AVX2_FUNCTION inline PixelTerms256 TermsOf256(__m256i a, __m256i b)
{
    const __m256i hi = _mm256_max_epu8(a, b);
    const __m256i d = _mm256_sub_epi8(hi, _mm256_min_epu8(a, b));
    const __m256i within = _mm256_cmpeq_epi8(_mm256_subs_epu8(d, _mm256_set1_epi8(10)), _mm256_setzero_si256());
    const __m256i credited = _mm256_and_si256(within, hi);
    return PixelTerms256{_mm256_max_epu8(a, credited), _mm256_max_epu8(b, credited), _mm256_andnot_si256(within, d)};
}

// As SquaresByLane, within each 128-bit half: a lane's positions still leave the same remainder
// modulo 4, since the halves start at multiples of 16.
VANTREL_AVX2_FUNCTION inline __m256i SquaresByLane256(__m256i x1, __m256i x2)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = _mm256_unpacklo_epi8(x1, x2);
    const __m256i hi = _mm256_unpackhi_epi8(x1, x2);
    const __m256i l0 = _mm256_unpacklo_epi8(lo, zero);
    const __m256i l1 = _mm256_unpackhi_epi8(lo, zero);
    const __m256i h0 = _mm256_unpacklo_epi8(hi, zero);
    const __m256i h1 = _mm256_unpackhi_epi8(hi, zero);
    return _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(l0, l0), _mm256_madd_epi16(l1, l1)),
                            _mm256_add_epi32(_mm256_madd_epi16(h0, h0), _mm256_madd_epi16(h1, h1)));
}

VANTREL_AVX2_FUNCTION inline __m128i FoldHalves(__m256i v)
{
    return _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

VANTREL_AVX2_FUNCTION std::size_t SumBytePairsByLaneAvx2(const std::uint8_t* first, const std::uint8_t* second,
                                                         std::size_t byteCount, ByteLaneSums& sums)
{
    // A step adds at most 8 squares of 255 to a 32-bit lane, and the two halves are folded
    // together before they are added to the sums, so 2048 steps cannot overflow one.
    constexpr std::size_t kStepsPerFlush = 2048;
    const std::size_t steps = byteCount / 64;
    std::size_t step = 0;
    while (step < steps) {
        const std::size_t end = std::min(steps, step + kStepsPerFlush);
        __m256i accFirst = _mm256_setzero_si256();
        __m256i accSecond = _mm256_setzero_si256();
        __m256i accApart = _mm256_setzero_si256();
        for (; step < end; ++step) {
            const std::uint8_t* a = first + 64 * step;
            const std::uint8_t* b = second + 64 * step;
            const PixelTerms256 t1 = TermsOf256(Load256(a), Load256(b));
            const PixelTerms256 t2 = TermsOf256(Load256(a + 32), Load256(b + 32));
            accFirst = _mm256_add_epi32(accFirst, SquaresByLane256(t1.first, t2.first));
            accSecond = _mm256_add_epi32(accSecond, SquaresByLane256(t1.second, t2.second));
            accApart = _mm256_add_epi32(accApart, SquaresByLane256(t1.apart, t2.apart));
        }
        AddLanes(FoldHalves(accFirst), sums.first);
        AddLanes(FoldHalves(accSecond), sums.second);
        AddLanes(FoldHalves(accApart), sums.apart);
    }
    return steps * 64;
}

// The joint cells of eight pixels (32 bytes), in the order the 128-bit halves leave them.
VANTREL_AVX2_FUNCTION inline __m256i JointCellsOf8(__m256i pixels)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i tenth = _mm256_set1_epi16(6554);
    const __m256i weights = _mm256_setr_epi16(kBinCount * kJointRow, kJointRow, 1, 0, kBinCount * kJointRow,
                                              kJointRow, 1, 0, kBinCount * kJointRow, kJointRow, 1, 0,
                                              kBinCount * kJointRow, kJointRow, 1, 0);
    const __m256i lo = _mm256_mulhi_epu16(_mm256_unpacklo_epi8(pixels, zero), tenth);
    const __m256i hi = _mm256_mulhi_epu16(_mm256_unpackhi_epi8(pixels, zero), tenth);
    const __m256i halves = _mm256_packs_epi32(_mm256_madd_epi16(lo, weights), _mm256_madd_epi16(hi, weights));
    return _mm256_madd_epi16(halves, _mm256_set1_epi16(1));
}

VANTREL_AVX2_FUNCTION inline void CountJoint16Avx2(std::uint32_t* cells, const std::uint8_t* pixels)
{
    // The order of the cells does not matter for counting.
    const __m256i joint = _mm256_packs_epi32(JointCellsOf8(Load256(pixels)), JointCellsOf8(Load256(pixels + 32)));
    const __m128i low = _mm256_castsi256_si128(joint);
    const __m128i high = _mm256_extracti128_si256(joint, 1);
    const std::uint64_t q0 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(low));
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi16(joint, _mm256_broadcastw_epi16(low))) == -1) {
        cells[q0 & 0xFFFF] += 16;
        return;
    }
    const std::uint64_t q1 = static_cast<std::uint64_t>(_mm_extract_epi64(low, 1));
    const std::uint64_t q2 = static_cast<std::uint64_t>(_mm_cvtsi128_si64(high));
    const std::uint64_t q3 = static_cast<std::uint64_t>(_mm_extract_epi64(high, 1));
    for (std::uint64_t q : {q0, q1, q2, q3}) {
        ++cells[q & 0xFFFF];
        ++cells[(q >> 16) & 0xFFFF];
        ++cells[(q >> 32) & 0xFFFF];
        ++cells[q >> 48];
    }
}

VANTREL_AVX2_FUNCTION std::size_t CountChannelBins32Avx2(const std::uint8_t* pixels, std::size_t pixelCount,
                                                         std::array<BinCounts, 3>& bins)
{
    const std::size_t whole = pixelCount - pixelCount % 16;
    if (whole == 0)
        return 0;
    JointBinTable table;
    std::memset(&table, 0, sizeof table);
    for (std::size_t k = 0; k < whole; k += 16)
        CountJoint16Avx2(table.cells, pixels + 4 * k);
    AddJointMarginals(table, bins);
    return whole;
}

VANTREL_AVX2_FUNCTION std::size_t ConvertToGrey32Avx2(std::uint8_t* bytes, std::size_t pixelCount)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_setr_epi16(11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0, 11, 59, 30, 0);
    const __m256i ones = _mm256_set1_epi16(1);
    const std::size_t whole = pixelCount - pixelCount % 16;
    for (std::size_t k = 0; k < whole; k += 16) {
        const std::uint8_t* source = bytes + 4 * k;
        __m256i hundredths[2];
        for (int half = 0; half < 2; ++half) {
            const __m256i v = Load256(source + 32 * half);
            const __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi8(v, zero), weights);
            const __m256i hi = _mm256_madd_epi16(_mm256_unpackhi_epi8(v, zero), weights);
            // pixels 0-3 in the low half, 4-7 in the high half
            hundredths[half] = _mm256_madd_epi16(_mm256_packs_epi32(lo, hi), ones);
        }
        // Packing interleaves the halves; the permutation puts the 16 pixels back in order.
        const __m256i n = _mm256_permute4x64_epi64(_mm256_packs_epi32(hundredths[0], hundredths[1]), 0xD8);
        const __m256i whole100 = _mm256_srli_epi16(_mm256_mulhi_epu16(n, _mm256_set1_epi16(5243)), 3);
        const __m256i exact = _mm256_andnot_si256(
            _mm256_cmpeq_epi16(n, zero), _mm256_cmpeq_epi16(_mm256_mullo_epi16(whole100, _mm256_set1_epi16(100)), n));
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(whole100, whole100), 0x08);
        alignas(16) std::uint8_t grey[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(grey), _mm256_castsi256_si128(packed));
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(exact));
        if (mask != 0) {
            for (int lane = 0; lane < 16; ++lane) {
                if ((mask >> (2 * lane)) & 1u) {
                    const std::uint8_t* p = source + 4 * lane;
                    grey[lane] = GreyOf(p[0], p[1], p[2]);
                }
            }
        }
        std::memcpy(bytes + k, grey, 16);
    }
    return whole;
}

}  // namespace

// Plain functions, as declared: only the loops they call need AVX2.
std::size_t SumPixelPairsAvx2(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                              std::size_t pixelCount, PixelPairSums& sums)
{
    if (format != DisplayFormat::Bits8 && format != DisplayFormat::Bits32)
        return 0;
    ByteLaneSums lanes;
    const std::size_t bytes = SumBytePairsByLaneAvx2(first, second, pixelCount * BytesPerPixel(format), lanes);
    AddByteLaneSums(lanes, format, sums);
    return bytes / BytesPerPixel(format);
}

std::size_t CountChannelBinsAvx2(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                                 std::size_t pixelCount, ChannelBinCounts& counts)
{
    if (format != DisplayFormat::Bits32)
        return 0;
    const std::size_t done = CountChannelBins32Avx2(first, pixelCount, counts.first);
    CountChannelBins32Avx2(second, pixelCount, counts.second);
    return done;
}

std::size_t ConvertPixelsToGreyAvx2(std::uint8_t* bytes, DisplayFormat format, std::size_t pixelCount)
{
    if (format != DisplayFormat::Bits32)
        return 0;
    return ConvertToGrey32Avx2(bytes, pixelCount);
}

}  // namespace vantrel::effects::compare::kernels::detail

#endif  // VANTREL_KERNELS_AVX2
