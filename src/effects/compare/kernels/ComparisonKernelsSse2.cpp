// The 128-bit loops, wherever the build has SSE2: every x86-64 build, and 32-bit ones built with it.

#include "effects/compare/kernels/ComparisonKernelPaths.h"

#ifdef VANTREL_KERNELS_SSE2

#include <algorithm>
#include <cstring>

#include "effects/compare/PixelUnpacking.h"

using vantrel::platform::DisplayFormat;


namespace vantrel::effects::compare::kernels::detail {

namespace {

inline __m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// The three terms of 16 channel-value pairs: what each image adds to its own norm and what the
// pair adds to the difference norm.
struct PixelTerms {
    __m128i first;
    __m128i second;
    __m128i apart;
};

inline PixelTerms TermsOf(__m128i a, __m128i b)
{
    const __m128i hi = _mm_max_epu8(a, b);
    const __m128i d = _mm_sub_epi8(hi, _mm_min_epu8(a, b));
    const __m128i within = _mm_cmpeq_epi8(_mm_subs_epu8(d, _mm_set1_epi8(10)), _mm_setzero_si128());
    const __m128i credited = _mm_and_si128(within, hi);
    // Within the tolerance the brighter value is at least each image's own, so max picks it.
    return PixelTerms{_mm_max_epu8(a, credited), _mm_max_epu8(b, credited), _mm_andnot_si128(within, d)};
}

// x1[p]^2 + x2[p]^2 summed over the positions p of the 16 bytes, so that 32-bit lane i holds the
// positions that leave i modulo 4: in a four-byte format, the channels.
inline __m128i SquaresByLane(__m128i x1, __m128i x2)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(x1, x2);
    const __m128i hi = _mm_unpackhi_epi8(x1, x2);
    const __m128i l0 = _mm_unpacklo_epi8(lo, zero);
    const __m128i l1 = _mm_unpackhi_epi8(lo, zero);
    const __m128i h0 = _mm_unpacklo_epi8(hi, zero);
    const __m128i h1 = _mm_unpackhi_epi8(hi, zero);
    return _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(l0, l0), _mm_madd_epi16(l1, l1)),
                         _mm_add_epi32(_mm_madd_epi16(h0, h0), _mm_madd_epi16(h1, h1)));
}

// The pixel-pair sums of whole 32-byte steps, by byte position modulo 4. Returns the number of
// bytes consumed.
std::size_t SumBytePairsByLane(const std::uint8_t* first, const std::uint8_t* second, std::size_t byteCount,
                               ByteLaneSums& sums)
{
    // A step adds at most 8 squares of 255 to a 32-bit lane, so 4096 steps cannot overflow one.
    constexpr std::size_t kStepsPerFlush = 4096;
    const std::size_t steps = byteCount / 32;
    std::size_t step = 0;
    while (step < steps) {
        const std::size_t end = std::min(steps, step + kStepsPerFlush);
        __m128i accFirst = _mm_setzero_si128();
        __m128i accSecond = _mm_setzero_si128();
        __m128i accApart = _mm_setzero_si128();
        for (; step < end; ++step) {
            const std::uint8_t* a = first + 32 * step;
            const std::uint8_t* b = second + 32 * step;
            const PixelTerms t1 = TermsOf(Load(a), Load(b));
            const PixelTerms t2 = TermsOf(Load(a + 16), Load(b + 16));
            accFirst = _mm_add_epi32(accFirst, SquaresByLane(t1.first, t2.first));
            accSecond = _mm_add_epi32(accSecond, SquaresByLane(t1.second, t2.second));
            accApart = _mm_add_epi32(accApart, SquaresByLane(t1.apart, t2.apart));
        }
        AddLanes(accFirst, sums.first);
        AddLanes(accSecond, sums.second);
        AddLanes(accApart, sums.apart);
    }
    return steps * 32;
}

// The joint cells of four pixels (16 bytes): c0's bin * 832 + c1's bin * 32 + c2's bin.
inline __m128i JointCellsOf4(__m128i pixels)
{
    const __m128i zero = _mm_setzero_si128();
    // (v * 6554) >> 16 is v / 10 for every byte value.
    const __m128i tenth = _mm_set1_epi16(6554);
    const __m128i weights = _mm_setr_epi16(kBinCount * kJointRow, kJointRow, 1, 0, kBinCount * kJointRow,
                                           kJointRow, 1, 0);
    const __m128i lo = _mm_mulhi_epu16(_mm_unpacklo_epi8(pixels, zero), tenth);
    const __m128i hi = _mm_mulhi_epu16(_mm_unpackhi_epi8(pixels, zero), tenth);
    const __m128i halves = _mm_packs_epi32(_mm_madd_epi16(lo, weights), _mm_madd_epi16(hi, weights));
    return _mm_madd_epi16(halves, _mm_set1_epi16(1));
}

inline void CountJoint8(std::uint32_t* cells, const std::uint8_t* pixels)
{
    const __m128i joint = _mm_packs_epi32(JointCellsOf4(Load(pixels)), JointCellsOf4(Load(pixels + 16)));
    // Flat areas give eight equal cells, counted with one addition.
    const __m128i firstCell = _mm_shufflelo_epi16(joint, 0);
    const bool allEqual =
        _mm_movemask_epi8(_mm_cmpeq_epi16(joint, _mm_unpacklo_epi64(firstCell, firstCell))) == 0xFFFF;
#if defined(__x86_64__) || defined(_M_X64)
    // Moving the cells out 64 bits at a time is cheaper than through memory.
    const std::uint64_t lo = static_cast<std::uint64_t>(_mm_cvtsi128_si64(joint));
    if (allEqual) {
        cells[lo & 0xFFFF] += 8;
        return;
    }
    const std::uint64_t hi = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(joint, joint)));
    ++cells[lo & 0xFFFF];
    ++cells[(lo >> 16) & 0xFFFF];
    ++cells[(lo >> 32) & 0xFFFF];
    ++cells[lo >> 48];
    ++cells[hi & 0xFFFF];
    ++cells[(hi >> 16) & 0xFFFF];
    ++cells[(hi >> 32) & 0xFFFF];
    ++cells[hi >> 48];
#else
    alignas(16) std::uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), joint);
    if (allEqual) {
        cells[index[0]] += 8;
        return;
    }
    for (int j = 0; j < 8; ++j)
        ++cells[index[j]];
#endif
}

inline std::uint32_t SumOfLanes32(__m128i v)
{
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
}

}  // namespace

// Adds the three single-channel counts that the joint table holds: c2's by adding the rows as
// vectors, c0's and c1's from the totals of the rows.
void AddJointMarginals(const JointBinTable& table, std::array<BinCounts, 3>& bins)
{
    constexpr int kVectorsPerRow = kJointRow / 4;
    static_assert(kVectorsPerRow == 7, "the row loop below is written out for seven vectors");
    __m128i c2[kVectorsPerRow];
    for (__m128i& v : c2)
        v = _mm_setzero_si128();
    std::uint32_t rowTotals[kBinCount * kBinCount];
    const __m128i* row = reinterpret_cast<const __m128i*>(table.cells);
    for (int r = 0; r < kBinCount * kBinCount; ++r, row += kVectorsPerRow) {
        const __m128i v0 = _mm_load_si128(row);
        const __m128i v1 = _mm_load_si128(row + 1);
        const __m128i v2 = _mm_load_si128(row + 2);
        const __m128i v3 = _mm_load_si128(row + 3);
        const __m128i v4 = _mm_load_si128(row + 4);
        const __m128i v5 = _mm_load_si128(row + 5);
        const __m128i v6 = _mm_load_si128(row + 6);
        c2[0] = _mm_add_epi32(c2[0], v0);
        c2[1] = _mm_add_epi32(c2[1], v1);
        c2[2] = _mm_add_epi32(c2[2], v2);
        c2[3] = _mm_add_epi32(c2[3], v3);
        c2[4] = _mm_add_epi32(c2[4], v4);
        c2[5] = _mm_add_epi32(c2[5], v5);
        c2[6] = _mm_add_epi32(c2[6], v6);
        const __m128i total = _mm_add_epi32(_mm_add_epi32(_mm_add_epi32(v0, v1), _mm_add_epi32(v2, v3)),
                                            _mm_add_epi32(_mm_add_epi32(v4, v5), v6));
        rowTotals[r] = SumOfLanes32(total);
    }
    for (int i = 0; i < kBinCount; ++i) {
        for (int j = 0; j < kBinCount; ++j) {
            bins[0][i] += rowTotals[i * kBinCount + j];
            bins[1][j] += rowTotals[i * kBinCount + j];
        }
    }
    alignas(16) std::uint32_t byC2[kJointRow];
    for (int q = 0; q < kVectorsPerRow; ++q)
        _mm_store_si128(reinterpret_cast<__m128i*>(&byC2[4 * q]), c2[q]);
    for (int k = 0; k < kBinCount; ++k)
        bins[2][k] += byC2[k];
}

namespace {

// The 32-bit format's channel bins of whole groups of 8 pixels. Returns the pixels consumed.
std::size_t CountChannelBins32(const std::uint8_t* pixels, std::size_t pixelCount, std::array<BinCounts, 3>& bins)
{
    const std::size_t whole = pixelCount - pixelCount % 8;
    if (whole == 0)
        return 0;
    JointBinTable table;
    std::memset(&table, 0, sizeof table);
    for (std::size_t k = 0; k < whole; k += 8)
        CountJoint8(table.cells, pixels + 4 * k);
    AddJointMarginals(table, bins);
    return whole;
}

// Whole groups of 8 pixels of the 32-bit format to grey, from pixel begin on. Returns the
// pixel where it stopped.
std::size_t ConvertToGrey32(std::uint8_t* bytes, std::size_t begin, std::size_t pixelCount)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_setr_epi16(11, 59, 30, 0, 11, 59, 30, 0);
    const __m128i ones = _mm_set1_epi16(1);
    std::size_t k = begin;
    for (; k + 8 <= pixelCount; k += 8) {
        const std::uint8_t* source = bytes + 4 * k;
        __m128i hundredths[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i v = Load(source + 16 * half);
            const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights);
            const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights);
            hundredths[half] = _mm_madd_epi16(_mm_packs_epi32(lo, hi), ones);
        }
        // 11 c0 + 59 c1 + 30 c2 for 8 pixels, at most 25,500.
        const __m128i n = _mm_packs_epi32(hundredths[0], hundredths[1]);
        // (n * 5243) >> 19 is n / 100 for every n below 43,699.
        const __m128i whole100 = _mm_srli_epi16(_mm_mulhi_epu16(n, _mm_set1_epi16(5243)), 3);
        const __m128i exact = _mm_andnot_si128(_mm_cmpeq_epi16(n, zero),
                                               _mm_cmpeq_epi16(_mm_mullo_epi16(whole100, _mm_set1_epi16(100)), n));
        alignas(16) std::uint8_t grey[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(grey), _mm_packus_epi16(whole100, whole100));
        // A whole quotient is where the rounding of the weights can fall either way; the
        // formula decides, read from pixels that are not yet overwritten.
        const int mask = _mm_movemask_epi8(exact);
        if (mask != 0) {
            for (int lane = 0; lane < 8; ++lane) {
                if ((mask >> (2 * lane)) & 1) {
                    const std::uint8_t* p = source + 4 * lane;
                    grey[lane] = GreyOf(p[0], p[1], p[2]);
                }
            }
        }
        std::memcpy(bytes + k, grey, 8);
    }
    return k;
}

inline __m128i SquaresOf16(__m128i x)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(x, zero);
    const __m128i hi = _mm_unpackhi_epi8(x, zero);
    return _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi));
}

inline std::uint64_t WideSumOfLanes32(__m128i v)
{
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    return static_cast<std::uint64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}

// Counts pairs of grey values by the bins of both at once (bin of first * 26 + bin of second).
// Groups where both images stay below 10 (nothing changed) are only counted.
std::size_t CountGreyPairsVector(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                                 std::uint32_t (&pairs)[2 * kBinCount * kBinCount])
{
    const std::size_t whole = pixelCount - pixelCount % 16;
    const __m128i zero = _mm_setzero_si128();
    const __m128i tenth = _mm_set1_epi16(6554);
    const __m128i rowLength = _mm_set1_epi16(kBinCount);
    std::uint32_t unchanged = 0;
    for (std::size_t k = 0; k < whole; k += 16) {
        const __m128i a = Load(first + k);
        const __m128i b = Load(second + k);
        const __m128i dim = _mm_cmpeq_epi8(_mm_subs_epu8(_mm_max_epu8(a, b), _mm_set1_epi8(9)), zero);
        if (_mm_movemask_epi8(dim) == 0xFFFF) {
            unchanged += 16;
            continue;
        }
        const __m128i lo = _mm_add_epi16(
            _mm_mullo_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(a, zero), tenth), rowLength),
            _mm_mulhi_epu16(_mm_unpacklo_epi8(b, zero), tenth));
        const __m128i hi = _mm_add_epi16(
            _mm_mullo_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(a, zero), tenth), rowLength),
            _mm_mulhi_epu16(_mm_unpackhi_epi8(b, zero), tenth));
        // Neighbouring pixels often fall into the same cell; alternating between two tables
        // lets their increments proceed side by side.
        std::uint32_t* even = pairs;
        std::uint32_t* odd = pairs + kBinCount * kBinCount;
#if defined(__x86_64__) || defined(_M_X64)
        // Moving the cells out 64 bits at a time is cheaper than storing and reloading them.
        for (const __m128i cells : {lo, hi}) {
            for (const std::uint64_t q : {static_cast<std::uint64_t>(_mm_cvtsi128_si64(cells)),
                                          static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(cells, cells)))}) {
                ++even[q & 0xFFFF];
                ++odd[(q >> 16) & 0xFFFF];
                ++even[(q >> 32) & 0xFFFF];
                ++odd[q >> 48];
            }
        }
#else
        alignas(16) std::uint16_t index[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(index), lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(index + 8), hi);
        for (int j = 0; j < 16; j += 2) {
            ++even[index[j]];
            ++odd[index[j + 1]];
        }
#endif
    }
    pairs[0] += unchanged;
    return whole;
}

}  // namespace

void AddByteLaneSums(const ByteLaneSums& lanes, DisplayFormat format, PixelPairSums& sums)
{
    if (format == DisplayFormat::Bits32) {
        for (int c = 0; c < 3; ++c) {
            sums.first[c] += lanes.first[c];
            sums.second[c] += lanes.second[c];
            sums.apart[c] += lanes.apart[c];
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            sums.first[0] += lanes.first[i];
            sums.second[0] += lanes.second[i];
            sums.apart[0] += lanes.apart[i];
        }
    }
}

std::size_t SumPixelPairsSse2(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                              std::size_t begin, std::size_t pixelCount, PixelPairSums& sums)
{
    // Byte positions modulo 4 are channels only where a pixel is one byte or four.
    if (format != DisplayFormat::Bits8 && format != DisplayFormat::Bits32)
        return begin;
    const std::size_t bytesPerPixel = BytesPerPixel(format);
    // The wider loops stop at a multiple of 64 bytes, so the lanes keep their positions.
    const std::size_t from = begin * bytesPerPixel;
    ByteLaneSums lanes;
    const std::size_t bytes =
        SumBytePairsByLane(first + from, second + from, pixelCount * bytesPerPixel - from, lanes);
    AddByteLaneSums(lanes, format, sums);
    return begin + bytes / bytesPerPixel;
}

std::size_t CountChannelBinsSse2(const std::uint8_t* first, const std::uint8_t* second, DisplayFormat format,
                                 std::size_t begin, std::size_t pixelCount, ChannelBinCounts& counts)
{
    if (format != DisplayFormat::Bits32)
        return begin;
    const std::size_t more = CountChannelBins32(first + 4 * begin, pixelCount - begin, counts.first);
    CountChannelBins32(second + 4 * begin, pixelCount - begin, counts.second);
    return begin + more;
}

std::size_t SubtractInitialSse2(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount)
{
    const std::size_t whole = byteCount - byteCount % 16;
    const __m128i two = _mm_set1_epi8(2);
    for (std::size_t k = 0; k < whole; k += 16) {
        const __m128i x = Load(changed + k);
        const __m128i i = Load(initial + k);
        const __m128i d = _mm_or_si128(_mm_subs_epu8(x, i), _mm_subs_epu8(i, x));
        const __m128i small = _mm_cmpeq_epi8(_mm_subs_epu8(d, two), _mm_setzero_si128());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(changed + k), _mm_andnot_si128(small, d));
    }
    return whole;
}

std::size_t ConvertPixelsToGreySse2(std::uint8_t* bytes, DisplayFormat format, std::size_t begin,
                                    std::size_t pixelCount)
{
    if (format != DisplayFormat::Bits32)
        return begin;
    return ConvertToGrey32(bytes, begin, pixelCount);
}

std::size_t SumGreyPairsSse2(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                             GreyPairSums& sums)
{
    // A step adds at most 4 squares of 255 to a 32-bit lane.
    constexpr std::size_t kStepsPerFlush = 16384;
    const std::size_t steps = pixelCount / 16;
    const __m128i zero = _mm_setzero_si128();
    std::size_t step = 0;
    while (step < steps) {
        const std::size_t end = std::min(steps, step + kStepsPerFlush);
        __m128i accFirst = zero;
        __m128i accSecond = zero;
        for (; step < end; ++step) {
            const __m128i a = Load(first + 16 * step);
            const __m128i b = Load(second + 16 * step);
            const __m128i hi = _mm_max_epu8(a, b);
            const __m128i lo = _mm_min_epu8(a, b);
            const __m128i d = _mm_sub_epi8(hi, lo);
            const __m128i within = _mm_cmpeq_epi8(_mm_subs_epu8(d, _mm_set1_epi8(10)), zero);
            const __m128i dim = _mm_cmpeq_epi8(_mm_subs_epu8(lo, _mm_set1_epi8(9)), zero);
            const __m128i bothBright = _mm_andnot_si128(dim, within);
            const __m128i credited = _mm_and_si128(bothBright, hi);
            accFirst = _mm_add_epi32(accFirst, SquaresOf16(_mm_max_epu8(_mm_andnot_si128(within, a), credited)));
            accSecond = _mm_add_epi32(accSecond, SquaresOf16(_mm_max_epu8(_mm_andnot_si128(within, b), credited)));
        }
        sums.firstSum += WideSumOfLanes32(accFirst);
        sums.secondSum += WideSumOfLanes32(accSecond);
    }
    return steps * 16;
}

std::size_t CountGreyBinsSse2(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                              GreyBinCounts& counts)
{
    std::uint32_t pairs[2 * kBinCount * kBinCount] = {};
    const std::size_t done = CountGreyPairsVector(first, second, pixelCount, pairs);
    for (int i = 0; i < kBinCount; ++i) {
        for (int j = 0; j < kBinCount; ++j) {
            const std::uint32_t both = pairs[i * kBinCount + j] + pairs[kBinCount * kBinCount + i * kBinCount + j];
            counts.first[i] += both;
            counts.second[j] += both;
        }
    }
    return done;
}

}  // namespace vantrel::effects::compare::kernels::detail

#endif  // VANTREL_KERNELS_SSE2
