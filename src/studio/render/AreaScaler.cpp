#include "studio/render/AreaScaler.h"

#include <algorithm>

namespace vantrel::studio::render {

namespace {

constexpr std::size_t kBlock = 16;
// Unweighted sums of 8-bit samples fit 16 bits for this many rows.
constexpr unsigned kRowsPer16BitSum = 0xFFFF / 0xFF;

// The hot loops: every source sample passes through one of them once (a row that straddles two
// preview rows, twice). Fixed blocks of 16 let the compiler vectorise them at any optimisation
// level that vectorises at all; where the compiler and the object format allow (GCC, ELF), each
// is built twice, for AVX2 and for the baseline, and the loader picks one for the processor.
#if defined(__x86_64__) && defined(__ELF__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
#define VANTREL_SCALER_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VANTREL_SCALER_CLONES
#endif

VANTREL_SCALER_CLONES
void AddRowSamples(std::uint16_t* __restrict sums, const std::uint8_t* __restrict row, std::size_t count)
{
    std::size_t x = 0;
    for (; x + kBlock <= count; x += kBlock)
        for (std::size_t k = 0; k < kBlock; ++k) sums[x + k] = static_cast<std::uint16_t>(sums[x + k] + row[x + k]);
    for (; x < count; ++x) sums[x] = static_cast<std::uint16_t>(sums[x] + row[x]);
}

template <typename Sample>
inline void AddWeighted(std::uint32_t* __restrict sums, const Sample* __restrict row, std::size_t count,
                        std::uint32_t weight)
{
    std::size_t x = 0;
    for (; x + kBlock <= count; x += kBlock)
        for (std::size_t k = 0; k < kBlock; ++k) sums[x + k] += weight * row[x + k];
    for (; x < count; ++x) sums[x] += weight * row[x];
}

VANTREL_SCALER_CLONES
void AddWeightedRowSamples(std::uint32_t* __restrict sums, const std::uint8_t* __restrict row, std::size_t count,
                           std::uint32_t weight)
{
    AddWeighted(sums, row, count, weight);
}

// Folds 16-bit sums into the weighted ones and clears them in the same pass.
VANTREL_SCALER_CLONES
void FoldSamples(std::uint32_t* __restrict sums, std::uint16_t* __restrict common, std::size_t count,
                 std::uint32_t weight)
{
    AddWeighted(sums, common, count, weight);
    std::fill(common, common + count, 0);
}

}  // namespace

CAreaScaler::CAreaScaler(int sourceWidth, int sourceHeight, int previewWidth, int previewHeight, int planeCount)
    : sourceWidth_(static_cast<std::uint64_t>(sourceWidth)),
      sourceHeight_(static_cast<std::uint64_t>(sourceHeight)),
      previewWidth_(static_cast<std::uint64_t>(previewWidth)),
      previewHeight_(static_cast<std::uint64_t>(previewHeight)),
      planeCount_(static_cast<std::size_t>(planeCount)),
      commonWeight_(static_cast<std::uint32_t>(std::min(sourceHeight_, previewHeight_))),
      commonSums_(planeCount_ * sourceWidth_, 0),
      otherSums_(planeCount_ * sourceWidth_, 0),
      preview_(planeCount_ * previewWidth_ * previewHeight_, 0)
{
    spans_.reserve(previewWidth_);
    for (std::uint64_t column = 0; column < previewWidth_; ++column) {
        const std::uint64_t start = column * sourceWidth_;
        const std::uint64_t end = start + sourceWidth_;
        const std::uint64_t first = start / previewWidth_;
        const std::uint64_t last = (end - 1) / previewWidth_;
        const std::uint64_t firstWeight = std::min((first + 1) * previewWidth_, end) - start;
        const std::uint64_t lastWeight = end - std::max(last * previewWidth_, start);
        spans_.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last),
                          static_cast<std::uint32_t>(firstWeight), static_cast<std::uint32_t>(lastWeight)});
    }
}

void CAreaScaler::AddRow(const std::uint8_t* const* planes)
{
    const std::uint64_t top = sourceRow_ * previewHeight_;
    const std::uint64_t bottom = top + previewHeight_;
    ++sourceRow_;
    // Earlier rows finished every preview row that ended above this one, so the weight of
    // each preview row met here is positive.
    while (previewRow_ < previewHeight_) {
        const std::uint64_t rowTop = previewRow_ * sourceHeight_;
        const std::uint64_t rowBottom = rowTop + sourceHeight_;
        const auto weight = static_cast<std::uint32_t>(std::min(bottom, rowBottom) - std::max(top, rowTop));
        for (std::size_t plane = 0; plane < planeCount_; ++plane) {
            const std::size_t at = plane * sourceWidth_;
            if (weight == commonWeight_)
                AddRowSamples(commonSums_.data() + at, planes[plane], sourceWidth_);
            else
                AddWeightedRowSamples(otherSums_.data() + at, planes[plane], sourceWidth_, weight);
        }
        if (weight == commonWeight_ && ++commonRows_ == kRowsPer16BitSum) FoldCommonRows();
        if (rowBottom > bottom) break;
        FinishPreviewRow();
        if (rowBottom == bottom) break;
    }
}

void CAreaScaler::FoldCommonRows()
{
    FoldSamples(otherSums_.data(), commonSums_.data(), commonSums_.size(), commonWeight_);
    commonRows_ = 0;
}

void CAreaScaler::FinishPreviewRow()
{
    if (commonRows_ > 0) FoldCommonRows();
    const std::uint64_t total = sourceWidth_ * sourceHeight_;
    // Rounded division by total, without a 64-bit division per sample: a sum is below 2^45, so
    // the quotient through a double is off by at most one, which one comparison puts right.
    const double inverse = 1.0 / static_cast<double>(total);
    const auto divide = [total, inverse](std::uint64_t sum) {
        const std::uint64_t n = sum + total / 2;
        auto quotient = static_cast<std::uint64_t>(static_cast<double>(n) * inverse);
        if (quotient * total > n)
            --quotient;
        else if ((quotient + 1) * total <= n)
            ++quotient;
        return static_cast<std::uint8_t>(quotient);
    };
    std::uint8_t* out = preview_.data() + previewRow_ * previewWidth_ * planeCount_;
    for (std::size_t plane = 0; plane < planeCount_; ++plane) {
        const std::uint32_t* sums = otherSums_.data() + plane * sourceWidth_;
        for (std::size_t column = 0; column < spans_.size(); ++column) {
            const CColumnSpan& span = spans_[column];
            std::uint64_t sum = std::uint64_t{span.firstWeight} * sums[span.first];
            if (span.last > span.first) {
                std::uint64_t whole = 0;
                for (std::uint32_t x = span.first + 1; x < span.last; ++x) whole += sums[x];
                sum += whole * previewWidth_ + std::uint64_t{span.lastWeight} * sums[span.last];
            }
            out[column * planeCount_ + plane] = divide(sum);
        }
    }
    std::fill(otherSums_.begin(), otherSums_.end(), 0);
    ++previewRow_;
}

}  // namespace vantrel::studio::render
