#include "effects/ComparisonKernels.h"

#include <algorithm>
#include <cstring>

#include "effects/PixelUnpacking.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VANTREL_KERNELS_SSE2 1
#include <emmintrin.h>
// 256-bit loops for processors that have them, chosen when the program runs; the build itself
// assumes no more than SSE2.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VANTREL_KERNELS_AVX2 1
#include <immintrin.h>
#define VANTREL_AVX2_FUNCTION __attribute__((target("avx2")))
#endif
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
// channel are padded to 28 counters for aligned loads. The counters are 32 bits wide: a flat
// area increments one counter again and again, and narrower ones make each increment wait for
// the one before.
constexpr int kJointRow = 28;
constexpr std::size_t kJointCells = static_cast<std::size_t>(kBinCount) * kBinCount * kJointRow;

struct alignas(16) JointBinTable {
    std::uint32_t cells[kJointCells];
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

inline std::uint64_t WideSumOfLanes32(__m128i v)
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
        sums.firstSum += WideSumOfLanes32(accFirst);
        sums.secondSum += WideSumOfLanes32(accSecond);
    }
    return steps * 16;
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

#endif  // VANTREL_KERNELS_SSE2

#ifdef VANTREL_KERNELS_AVX2

bool ProcessorHasAvx2()
{
    static const bool has = [] {
        __builtin_cpu_init();  // in case this runs before the compiler's own start-up code
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

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
                                                         std::size_t byteCount, std::uint64_t (&sumFirst)[4],
                                                         std::uint64_t (&sumSecond)[4],
                                                         std::uint64_t (&sumApart)[4])
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
        AddLanes(FoldHalves(accFirst), sumFirst);
        AddLanes(FoldHalves(accSecond), sumSecond);
        AddLanes(FoldHalves(accApart), sumApart);
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

#endif  // VANTREL_KERNELS_AVX2

bool UseAvx2(KernelPath path)
{
#ifdef VANTREL_KERNELS_AVX2
    return path == KernelPath::Fastest && ProcessorHasAvx2();
#else
    (void)path;
    return false;
#endif
}

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
    if (path != KernelPath::Portable && (formatCode == kFormat8 || formatCode == kFormat32)) {
        std::uint64_t byLaneFirst[4] = {};
        std::uint64_t byLaneSecond[4] = {};
        std::uint64_t byLaneApart[4] = {};
        const std::size_t byteCount = pixelCount * BytesPerPixel(formatCode);
        std::size_t bytes = 0;
#ifdef VANTREL_KERNELS_AVX2
        if (UseAvx2(path))
            bytes = SumBytePairsByLaneAvx2(first, second, byteCount, byLaneFirst, byLaneSecond, byLaneApart);
#endif
        // The wide loop stops at a multiple of 64 bytes, so the lanes keep their positions.
        bytes += SumBytePairsByLane(first + bytes, second + bytes, byteCount - bytes, byLaneFirst, byLaneSecond,
                                    byLaneApart);
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
    if (path != KernelPath::Portable && formatCode == kFormat32) {
#ifdef VANTREL_KERNELS_AVX2
        if (UseAvx2(path)) {
            done = CountChannelBins32Avx2(first, pixelCount, counts.first);
            CountChannelBins32Avx2(second, pixelCount, counts.second);
        }
#endif
        const std::size_t more = CountChannelBins32(first + 4 * done, pixelCount - done, counts.first);
        CountChannelBins32(second + 4 * done, pixelCount - done, counts.second);
        done += more;
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
    if (path != KernelPath::Portable)
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
    if (path != KernelPath::Portable && formatCode == kFormat32) {
#ifdef VANTREL_KERNELS_AVX2
        if (UseAvx2(path))
            done = ConvertToGrey32Avx2(bytes, pixelCount);
#endif
        done = ConvertToGrey32(bytes, done, pixelCount);
    }
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
    if (path != KernelPath::Portable)
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
    if (path != KernelPath::Portable) {
        std::uint32_t pairs[2 * kBinCount * kBinCount] = {};
        done = CountGreyPairsVector(first, second, pixelCount, pairs);
        for (int i = 0; i < kBinCount; ++i) {
            for (int j = 0; j < kBinCount; ++j) {
                const std::uint32_t both = pairs[i * kBinCount + j] + pairs[kBinCount * kBinCount + i * kBinCount + j];
                counts.first[i] += both;
                counts.second[j] += both;
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
