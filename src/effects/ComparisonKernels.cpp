#include "effects/ComparisonKernels.h"

#include <algorithm>
#include <cstring>

#include "effects/PixelUnpacking.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VANTREL_KERNELS_SSE2 1
#include <emmintrin.h>
#endif

namespace vantrel::kernels {

namespace {

// Bin of a channel value: ten values to a bin, and the six values 250-255 in the last.
constexpr std::array<std::uint8_t, 256> kBinOf = [] {
    std::array<std::uint8_t, 256> bins{};
    for (int v = 0; v < 256; ++v)
        bins[v] = static_cast<std::uint8_t>(v / 10);
    return bins;
}();

// ---- portable loops -------------------------------------------------------------------

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

template <int Code>
void SumPixelPairsFrom(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
                       std::size_t end, PixelPairSums& sums)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels a = ReadPixel(first, Code, k);
        const PixelChannels b = ReadPixel(second, Code, k);
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

template <int Code>
void CountChannelBinsFrom(const std::uint8_t* pixels, std::size_t begin, std::size_t end,
                          std::array<BinCounts, 3>& bins)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels p = ReadPixel(pixels, Code, k);
        ++bins[0][kBinOf[p.c0]];
        ++bins[1][kBinOf[p.c1]];
        ++bins[2][kBinOf[p.c2]];
    }
}

void CountChannelBinsPortable(const std::uint8_t* pixels, int formatCode, std::size_t begin,
                              std::size_t end, std::array<BinCounts, 3>& bins)
{
    switch (formatCode) {
    case kFormat8:
        for (std::size_t k = begin; k < end; ++k)
            ++bins[0][kBinOf[pixels[k]]];
        break;
    case kFormat16: CountChannelBinsFrom<kFormat16>(pixels, begin, end, bins); break;
    case kFormat24: CountChannelBinsFrom<kFormat24>(pixels, begin, end, bins); break;
    case kFormat32: CountChannelBinsFrom<kFormat32>(pixels, begin, end, bins); break;
    default: break;
    }
}

void SubtractInitialFrom(std::uint8_t* changed, const std::uint8_t* initial, std::size_t begin,
                         std::size_t end)
{
    for (std::size_t k = begin; k < end; ++k) {
        const unsigned x = changed[k];
        const unsigned i = initial[k];
        const unsigned d = x > i ? x - i : i - x;
        changed[k] = static_cast<std::uint8_t>(d >= 3 ? d : 0);
    }
}

template <int Code>
void ConvertToGreyFrom(std::uint8_t* bytes, std::size_t begin, std::size_t end)
{
    for (std::size_t k = begin; k < end; ++k) {
        const PixelChannels p = ReadPixel(bytes, Code, k);
        bytes[k] = GreyOf(p.c0, p.c1, p.c2);
    }
}

void ConvertToGreyPortable(std::uint8_t* bytes, int formatCode, std::size_t begin, std::size_t end)
{
    switch (formatCode) {
    case kFormat16: ConvertToGreyFrom<kFormat16>(bytes, begin, end); break;
    case kFormat24: ConvertToGreyFrom<kFormat24>(bytes, begin, end); break;
    case kFormat32: ConvertToGreyFrom<kFormat32>(bytes, begin, end); break;
    default: break;  // a one-byte pixel is its own grey value
    }
}

void SumGreyPairsFrom(const std::uint8_t* first, const std::uint8_t* second, std::size_t begin,
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

// ---- vector loops ---------------------------------------------------------------------

#ifdef VANTREL_KERNELS_SSE2

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

inline void AddLanes(__m128i v, std::uint64_t (&sums)[4])
{
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    for (int i = 0; i < 4; ++i)
        sums[i] += lanes[i];
}

// The pixel-pair sums of whole 32-byte steps, by byte position modulo 4. Returns the number of
// bytes consumed.
std::size_t SumBytePairsByLane(const std::uint8_t* first, const std::uint8_t* second, std::size_t byteCount,
                               std::uint64_t (&sumFirst)[4], std::uint64_t (&sumSecond)[4],
                               std::uint64_t (&sumApart)[4])
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
        AddLanes(accFirst, sumFirst);
        AddLanes(accSecond, sumSecond);
        AddLanes(accApart, sumApart);
    }
    return steps * 32;
}

// Counts of the 32-bit format's pixels by the bins of all three channels at once: one counter
// for each combination of bins, so that a pixel costs one increment. Rows of the innermost
// channel are padded to 32 counters for aligned loads.
constexpr int kJointRow = 32;
constexpr std::size_t kJointCells = static_cast<std::size_t>(kBinCount) * kBinCount * kJointRow;
// 16-bit counters: a chunk of pixels never exceeds what one can hold.
constexpr std::size_t kJointChunkPixels = 65528;

struct alignas(16) JointBinTable {
    std::uint16_t cells[kJointCells];
};

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

inline void CountJoint8(std::uint16_t* cells, const std::uint8_t* pixels)
{
    const __m128i joint = _mm_packs_epi32(JointCellsOf4(Load(pixels)), JointCellsOf4(Load(pixels + 16)));
    alignas(16) std::uint16_t index[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(index), joint);
    // Flat areas give eight equal cells; one addition then spares a chain of eight increments
    // of the same counter.
    const __m128i firstCell = _mm_shufflelo_epi16(joint, 0);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(joint, _mm_unpacklo_epi64(firstCell, firstCell))) == 0xFFFF) {
        cells[index[0]] = static_cast<std::uint16_t>(cells[index[0]] + 8);
        return;
    }
    for (int j = 0; j < 8; ++j)
        ++cells[index[j]];
}

inline std::uint32_t SumOfLanes16(__m128i v)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i s = _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(s));
}

// Adds the three single-channel counts that the joint table holds. Every sum stays within the
// chunk's pixel count, so 16-bit lanes hold them.
void AddJointMarginals(const JointBinTable& table, std::array<BinCounts, 3>& bins)
{
    __m128i byC2[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    __m128i byC1[kBinCount];
    for (__m128i& v : byC1)
        v = _mm_setzero_si128();
    for (int i = 0; i < kBinCount; ++i) {
        __m128i byC0 = _mm_setzero_si128();
        for (int j = 0; j < kBinCount; ++j) {
            const __m128i* row =
                reinterpret_cast<const __m128i*>(&table.cells[(static_cast<std::size_t>(i) * kBinCount + j) * kJointRow]);
            const __m128i r0 = _mm_load_si128(row);
            const __m128i r1 = _mm_load_si128(row + 1);
            const __m128i r2 = _mm_load_si128(row + 2);
            const __m128i r3 = _mm_load_si128(row + 3);
            byC2[0] = _mm_add_epi16(byC2[0], r0);
            byC2[1] = _mm_add_epi16(byC2[1], r1);
            byC2[2] = _mm_add_epi16(byC2[2], r2);
            byC2[3] = _mm_add_epi16(byC2[3], r3);
            const __m128i rowSum = _mm_add_epi16(_mm_add_epi16(r0, r1), _mm_add_epi16(r2, r3));
            byC0 = _mm_add_epi16(byC0, rowSum);
            byC1[j] = _mm_add_epi16(byC1[j], rowSum);
        }
        bins[0][i] += SumOfLanes16(byC0);
    }
    for (int j = 0; j < kBinCount; ++j)
        bins[1][j] += SumOfLanes16(byC1[j]);
    alignas(16) std::uint16_t c2[kJointRow];
    for (int q = 0; q < 4; ++q)
        _mm_store_si128(reinterpret_cast<__m128i*>(&c2[8 * q]), byC2[q]);
    for (int k = 0; k < kBinCount; ++k)
        bins[2][k] += c2[k];
}

// The 32-bit format's channel bins of whole groups of 8 pixels. Returns the pixels consumed.
std::size_t CountChannelBins32(const std::uint8_t* pixels, std::size_t pixelCount, std::array<BinCounts, 3>& bins)
{
    const std::size_t whole = pixelCount - pixelCount % 8;
    JointBinTable table;
    std::size_t k = 0;
    while (k < whole) {
        const std::size_t end = std::min(whole, k + kJointChunkPixels);
        std::memset(&table, 0, sizeof table);
        for (; k < end; k += 8)
            CountJoint8(table.cells, pixels + 4 * k);
        AddJointMarginals(table, bins);
    }
    return whole;
}

// Whole groups of 8 pixels of the 32-bit format to grey. Returns the pixels converted.
std::size_t ConvertToGrey32(std::uint8_t* bytes, std::size_t pixelCount)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_setr_epi16(11, 59, 30, 0, 11, 59, 30, 0);
    const __m128i ones = _mm_set1_epi16(1);
    const std::size_t whole = pixelCount - pixelCount % 8;
    for (std::size_t k = 0; k < whole; k += 8) {
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
    return whole;
}

std::size_t SubtractInitialVector(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount)
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

inline __m128i SquaresOf16(__m128i x)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_unpacklo_epi8(x, zero);
    const __m128i hi = _mm_unpackhi_epi8(x, zero);
    return _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi));
}

inline std::uint64_t SumOfLanes32(__m128i v)
{
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), v);
    return static_cast<std::uint64_t>(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}

std::size_t SumGreyPairsVector(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
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
        sums.firstSum += SumOfLanes32(accFirst);
        sums.secondSum += SumOfLanes32(accSecond);
    }
    return steps * 16;
}

// Counts pairs of grey values by the bins of both at once (bin of first * 26 + bin of second).
// Groups where both images stay below 10 (nothing changed) are only counted.
std::size_t CountGreyPairsVector(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                                 std::uint32_t (&pairs)[kBinCount * kBinCount])
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
        alignas(16) std::uint16_t index[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(index), lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(index + 8), hi);
        for (int j = 0; j < 16; ++j)
            ++pairs[index[j]];
    }
    pairs[0] += unchanged;
    return whole;
}

#endif  // VANTREL_KERNELS_SSE2

}  // namespace

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

PixelPairSums SumPixelPairs(const std::uint8_t* first, const std::uint8_t* second, int formatCode,
                            std::size_t pixelCount, KernelPath path)
{
    PixelPairSums sums;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest && (formatCode == kFormat8 || formatCode == kFormat32)) {
        std::uint64_t byLaneFirst[4] = {};
        std::uint64_t byLaneSecond[4] = {};
        std::uint64_t byLaneApart[4] = {};
        const std::size_t bytes = SumBytePairsByLane(first, second, pixelCount * BytesPerPixel(formatCode),
                                                     byLaneFirst, byLaneSecond, byLaneApart);
        done = bytes / BytesPerPixel(formatCode);
        if (formatCode == kFormat32) {
            // Lane i is channel i; lane 3 holds the ignored top bytes.
            for (int c = 0; c < 3; ++c) {
                sums.first[c] = byLaneFirst[c];
                sums.second[c] = byLaneSecond[c];
                sums.apart[c] = byLaneApart[c];
            }
        } else {
            for (int i = 0; i < 4; ++i) {
                sums.first[0] += byLaneFirst[i];
                sums.second[0] += byLaneSecond[i];
                sums.apart[0] += byLaneApart[i];
            }
        }
    }
#else
    (void)path;
#endif
    switch (formatCode) {
    case kFormat8:
        SumBytePairsFrom(first, second, done, pixelCount, sums);
        // The one byte stands for all three channels.
        sums.first[1] = sums.first[2] = sums.first[0];
        sums.second[1] = sums.second[2] = sums.second[0];
        sums.apart[1] = sums.apart[2] = sums.apart[0];
        break;
    case kFormat16: SumPixelPairsFrom<kFormat16>(first, second, done, pixelCount, sums); break;
    case kFormat24: SumPixelPairsFrom<kFormat24>(first, second, done, pixelCount, sums); break;
    case kFormat32: SumPixelPairsFrom<kFormat32>(first, second, done, pixelCount, sums); break;
    default: break;
    }
    return sums;
}

ChannelBinCounts CountChannelBins(const std::uint8_t* first, const std::uint8_t* second, int formatCode,
                                  std::size_t pixelCount, KernelPath path)
{
    ChannelBinCounts counts;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest && formatCode == kFormat32) {
        done = CountChannelBins32(first, pixelCount, counts.first);
        CountChannelBins32(second, pixelCount, counts.second);
    }
#else
    (void)path;
#endif
    CountChannelBinsPortable(first, formatCode, done, pixelCount, counts.first);
    CountChannelBinsPortable(second, formatCode, done, pixelCount, counts.second);
    if (formatCode == kFormat8) {
        // The one byte is counted for all three channels.
        counts.first[1] = counts.first[2] = counts.first[0];
        counts.second[1] = counts.second[2] = counts.second[0];
    }
    return counts;
}

void SubtractInitial(std::uint8_t* changed, const std::uint8_t* initial, std::size_t byteCount, KernelPath path)
{
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest)
        done = SubtractInitialVector(changed, initial, byteCount);
#else
    (void)path;
#endif
    SubtractInitialFrom(changed, initial, done, byteCount);
}

void ConvertPixelsToGrey(std::uint8_t* bytes, int formatCode, std::size_t pixelCount, KernelPath path)
{
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest && formatCode == kFormat32)
        done = ConvertToGrey32(bytes, pixelCount);
#else
    (void)path;
#endif
    ConvertToGreyPortable(bytes, formatCode, done, pixelCount);
}

GreyPairSums SumGreyPairs(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                          KernelPath path)
{
    GreyPairSums sums;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest)
        done = SumGreyPairsVector(first, second, pixelCount, sums);
#else
    (void)path;
#endif
    SumGreyPairsFrom(first, second, done, pixelCount, sums);
    return sums;
}

GreyBinCounts CountGreyBins(const std::uint8_t* first, const std::uint8_t* second, std::size_t pixelCount,
                            KernelPath path)
{
    GreyBinCounts counts;
    std::size_t done = 0;
#ifdef VANTREL_KERNELS_SSE2
    if (path == KernelPath::Fastest) {
        std::uint32_t pairs[kBinCount * kBinCount] = {};
        done = CountGreyPairsVector(first, second, pixelCount, pairs);
        for (int i = 0; i < kBinCount; ++i) {
            for (int j = 0; j < kBinCount; ++j) {
                counts.first[i] += pairs[i * kBinCount + j];
                counts.second[j] += pairs[i * kBinCount + j];
            }
        }
    }
#else
    (void)path;
#endif
    for (std::size_t k = done; k < pixelCount; ++k) {
        ++counts.first[kBinOf[first[k]]];
        ++counts.second[kBinOf[second[k]]];
    }
    return counts;
}

}  // namespace vantrel::kernels
