#pragma once

// Helpers for the image comparison tests: captures with chosen content, a message box that
// records, an allocator that fails on demand, and the measures written out plainly, one double
// addition at a time, to check the library's loops against.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "platform/CaptureImage.h"
#include "platform/DisplayFormat.h"
#include "effects/compare/ComparisonBuffers.h"
#include "platform/Platform.h"

namespace vantrel::testing {

using effects::compare::IComparisonAllocator;

class CEventRecordingMessageBox final : public platform::IMessageBox {
public:
    void Show(const std::string& utf8Text) override
    {
        shown.push_back(utf8Text);
        if (events != nullptr)
            events->push_back("message");
    }
    std::vector<std::string> shown;
    std::vector<std::string>* events = nullptr;
};

// Hands out heap buffers and refuses the allocation with the given number (1 for the first),
// or none when it is 0. Records every allocation and release.
class CFailingAllocator final : public IComparisonAllocator {
public:
    explicit CFailingAllocator(int failingAllocation = 0) : failingAllocation_(failingAllocation) {}
    ~CFailingAllocator() override
    {
        for (std::uint8_t* p : live_)
            delete[] p;
    }

    std::uint8_t* Allocate(std::size_t byteCount) noexcept override
    {
        ++allocations;
        if (allocations == failingAllocation_) {
            if (events != nullptr)
                events->push_back("refuse");
            return nullptr;
        }
        std::uint8_t* p = new (std::nothrow) std::uint8_t[byteCount];
        if (p != nullptr) {
            live_.push_back(p);
            if (events != nullptr)
                events->push_back("allocate");
        }
        return p;
    }
    void Release(std::uint8_t* buffer) noexcept override
    {
        ++releases;
        if (events != nullptr)
            events->push_back("release");
        live_.erase(std::remove(live_.begin(), live_.end(), buffer), live_.end());
        delete[] buffer;
    }
    std::size_t Outstanding() const { return live_.size(); }

    int allocations = 0;
    int releases = 0;
    std::vector<std::string>* events = nullptr;

private:
    int failingAllocation_;
    std::vector<std::uint8_t*> live_;
};

inline const int kAllDepths[] = {8, 16, 24, 32};
inline const platform::DisplayFormat kAllFormats[] = {platform::DisplayFormat::Bits8, platform::DisplayFormat::Bits16, platform::DisplayFormat::Bits24,
                                            platform::DisplayFormat::Bits32};

inline std::size_t PixelsOfCapture() { return static_cast<std::size_t>(platform::CCaptureImage::kWidth) * platform::CCaptureImage::kHeight; }

// A capture with every byte set to value.
inline std::unique_ptr<platform::CCaptureImage> UniformCapture(int bitsPerPixel, std::uint8_t value)
{
    auto image = std::make_unique<platform::CCaptureImage>(bitsPerPixel);
    std::memset(image->Pixels(), value, image->ByteCount());
    return image;
}

// A capture whose pixels are all the same bytes, given low byte first.
inline std::unique_ptr<platform::CCaptureImage> FilledCapture(int bitsPerPixel, std::vector<std::uint8_t> pixel)
{
    auto image = std::make_unique<platform::CCaptureImage>(bitsPerPixel);
    const std::size_t bytesPerPixel = pixel.size();
    for (std::size_t i = 0; i < image->ByteCount(); ++i)
        image->Pixels()[i] = pixel[i % bytesPerPixel];
    return image;
}

inline std::unique_ptr<platform::CCaptureImage> CopyCapture(const platform::CCaptureImage& from)
{
    auto image = std::make_unique<platform::CCaptureImage>(from.BitsPerPixel());
    std::memcpy(image->Pixels(), from.Pixels(), from.ByteCount());
    return image;
}

// Random bytes with structure: runs of equal values, small and large differences.
inline std::vector<std::uint8_t> VariedBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(count);
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        switch (random() % 6) {
        case 0: value = static_cast<std::uint8_t>(random()); break;                   // anything
        case 1: value = static_cast<std::uint8_t>(value + random() % 21 - 10); break;  // near
        case 2: value = static_cast<std::uint8_t>(random() % 12); break;              // dark
        case 3: value = static_cast<std::uint8_t>(245 + random() % 11); break;        // bright
        default: break;                                                              // same
        }
        bytes[i] = value;
    }
    return bytes;
}

// A second image that shares much with the first: equal, slightly changed or replaced bytes.
inline std::vector<std::uint8_t> RelatedBytes(const std::vector<std::uint8_t>& from, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(from);
    for (auto& b : bytes) {
        switch (random() % 5) {
        case 0: b = static_cast<std::uint8_t>(random()); break;
        case 1: b = static_cast<std::uint8_t>(b + random() % 25 - 12); break;
        case 2: b = static_cast<std::uint8_t>(b + random() % 5 - 2); break;
        default: break;
        }
    }
    return bytes;
}

inline std::unique_ptr<platform::CCaptureImage> CaptureOf(int bitsPerPixel, const std::vector<std::uint8_t>& bytes)
{
    auto image = std::make_unique<platform::CCaptureImage>(bitsPerPixel);
    std::memcpy(image->Pixels(), bytes.data(), image->ByteCount());
    return image;
}

// ---- the measures, written out plainly --------------------------------------------------

namespace plain {

constexpr double kThird = 0.3333333333333333;

inline std::array<int, 3> Channels(const std::uint8_t* bytes, platform::DisplayFormat format, std::size_t k)
{
    switch (format) {
    case platform::DisplayFormat::Bits8: return {bytes[k], bytes[k], bytes[k]};
    case platform::DisplayFormat::Bits16: {
        const unsigned w = bytes[2 * k] | (bytes[2 * k + 1] << 8);
        return {static_cast<int>((w & 0x1F) << 3), static_cast<int>(((w >> 5) & 0x3F) << 2),
                static_cast<int>(((w >> 11) & 0x1F) << 3)};
    }
    case platform::DisplayFormat::Bits24: return {bytes[3 * k], bytes[3 * k + 1], bytes[3 * k + 2]};
    default: return {bytes[4 * k], bytes[4 * k + 1], bytes[4 * k + 2]};
    }
}

inline std::size_t Pixels(platform::DisplayFormat format, std::size_t byteCount)
{
    return byteCount / (static_cast<std::size_t>(format) + 1);
}

inline std::array<std::uint32_t, 26> Reduce(const std::uint32_t (&h)[256])
{
    std::array<std::uint32_t, 26> bins{};
    for (int j = 0; j < 25; ++j)
        for (int v = 10 * j; v <= 10 * j + 9; ++v)
            bins[j] += h[v];
    for (int v = 250; v <= 255; ++v)
        bins[25] += h[v];
    return bins;
}

inline double Cosine(const std::array<std::uint32_t, 26>& a, const std::array<std::uint32_t, 26>& b, int fromBin)
{
    double sab = 0, saa = 0, sbb = 0;
    for (int j = fromBin; j < 26; ++j) {
        sab += static_cast<double>(static_cast<std::uint64_t>(a[j]) * b[j]);
        saa += static_cast<double>(static_cast<std::uint64_t>(a[j]) * a[j]);
        sbb += static_cast<double>(static_cast<std::uint64_t>(b[j]) * b[j]);
    }
    const double r = std::sqrt(saa * sbb);
    if (r == 0)
        return 0;
    return std::min(sab / r, 1.0);
}

inline double HistogramSimilarity(const std::uint8_t* a, const std::uint8_t* b, platform::DisplayFormat format,
                                   std::size_t byteCount)
{
    std::uint32_t ha[3][256] = {};
    std::uint32_t hb[3][256] = {};
    for (std::size_t k = 0; k < Pixels(format, byteCount); ++k) {
        const auto ca = Channels(a, format, k);
        const auto cb = Channels(b, format, k);
        for (int c = 0; c < 3; ++c) {
            ++ha[c][ca[c]];
            ++hb[c][cb[c]];
        }
    }
    double cosine[3];
    for (int c = 0; c < 3; ++c)
        cosine[c] = Cosine(Reduce(ha[c]), Reduce(hb[c]), 0);
    return (cosine[2] + cosine[1] + cosine[0]) * kThird;
}

inline double PixelSimilarity(const std::uint8_t* a, const std::uint8_t* b, platform::DisplayFormat format,
                               std::size_t byteCount)
{
    double sa[3] = {}, sb[3] = {}, sd[3] = {};
    const int channels = format == platform::DisplayFormat::Bits8 ? 1 : 3;
    for (std::size_t k = 0; k < Pixels(format, byteCount); ++k) {
        const auto ca = Channels(a, format, k);
        const auto cb = Channels(b, format, k);
        for (int c = 0; c < channels; ++c) {
            const int x = ca[c], y = cb[c], d = std::abs(x - y);
            if (d >= 11) {
                sd[c] += d * d;
                sa[c] += x * x;
                sb[c] += y * y;
            } else {
                const int m = std::max(x, y);
                sa[c] += m * m;
                sb[c] += m * m;
            }
        }
    }
    if (format == platform::DisplayFormat::Bits8) {
        sa[1] = sa[2] = sa[0];
        sb[1] = sb[2] = sb[0];
        sd[1] = sd[2] = sd[0];
    }
    double na[3], nb[3], nd[3];
    for (int c = 0; c < 3; ++c) {
        na[c] = std::sqrt(sa[c]);
        nb[c] = std::sqrt(sb[c]);
        nd[c] = std::sqrt(sd[c]);
    }
    const double ma = (na[2] + na[1] + na[0]) * kThird;
    const double mb = (nb[2] + nb[1] + nb[0]) * kThird;
    const double md = (nd[2] + nd[1] + nd[0]) * kThird;
    if (md + std::max(ma, mb) == 0)
        return 1;
    return std::min(ma, mb) / (md + std::max(ma, mb));
}

inline void MakeDifferenceImage(std::uint8_t* x, const std::uint8_t* initial, std::size_t byteCount)
{
    for (std::size_t k = 0; k < byteCount; ++k) {
        const int d = std::abs(x[k] - initial[k]);
        x[k] = static_cast<std::uint8_t>(d >= 3 ? d : 0);
    }
}

inline std::uint8_t Grey(int c0, int c1, int c2)
{
    const double grey = c0 * 0.11 + c1 * 0.59 + c2 * 0.3;
    return static_cast<std::uint8_t>(static_cast<int>(grey));
}

inline void ConvertToGrey(std::uint8_t* bytes, platform::DisplayFormat format, std::size_t byteCount)
{
    if (format == platform::DisplayFormat::Bits8)
        return;
    for (std::size_t k = 0; k < Pixels(format, byteCount); ++k) {
        const auto c = Channels(bytes, format, k);
        bytes[k] = Grey(c[0], c[1], c[2]);
    }
}

inline double GreyPixelSimilarity(const std::uint8_t* a, const std::uint8_t* b, std::size_t n)
{
    double p = 0, q = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const int x = a[k], y = b[k], d = std::abs(x - y);
        if (d >= 11) {
            q += x * x;
            p += y * y;
        } else if (x >= 10 && y >= 10) {
            const int m = std::max(x, y);
            p += m * m;
            q += m * m;
        }
    }
    const double rp = std::sqrt(p), rq = std::sqrt(q);
    if (std::max(rp, rq) == 0)
        return 1;
    return std::min(rp, rq) / std::max(rp, rq);
}

inline double GreyHistogramSimilarity(const std::uint8_t* a, const std::uint8_t* b, std::size_t n)
{
    std::uint32_t ha[256] = {}, hb[256] = {};
    for (std::size_t k = 0; k < n; ++k) {
        ++ha[a[k]];
        ++hb[b[k]];
    }
    return Cosine(Reduce(ha), Reduce(hb), 1);
}

inline double Combine(double s1, double s2)
{
    const double m = (s2 + s1) * 0.5;
    if (m >= 0.85)
        return std::pow(m, 1.1);
    return 0.7 * std::min(s1, s2) + 0.3 * std::max(s1, s2);
}

inline double ComparePartial(const platform::CCaptureImage& e, const platform::CCaptureImage& r, const platform::CCaptureImage& i)
{
    const auto format = static_cast<platform::DisplayFormat>(e.BitsPerPixel() / 8 - 1);
    const std::size_t bytes = e.ByteCount();
    std::vector<std::uint8_t> eb(e.Pixels(), e.Pixels() + bytes), rb(r.Pixels(), r.Pixels() + bytes),
        ib(i.Pixels(), i.Pixels() + bytes);
    MakeDifferenceImage(eb.data(), ib.data(), bytes);
    MakeDifferenceImage(rb.data(), ib.data(), bytes);
    // Qualified: the format would also bring in the library's ConvertToGrey.
    plain::ConvertToGrey(eb.data(), format, bytes);
    plain::ConvertToGrey(rb.data(), format, bytes);
    const std::size_t n = Pixels(format, bytes);
    return Combine(GreyPixelSimilarity(eb.data(), rb.data(), n), GreyHistogramSimilarity(eb.data(), rb.data(), n));
}

}  // namespace plain

}  // namespace vantrel::testing
