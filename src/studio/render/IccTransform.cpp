#include "studio/render/IccTransform.h"

#include "studio/render/LittleCms.h"

#include <cstring>

namespace vantrel::studio::render {

#if defined(VANTREL_HAVE_LCMS2)

namespace {

struct CProfileCloser {
    const CLittleCms* cms;
    void operator()(void* profile) const { cms->cmsCloseProfile(profile); }
};
using CProfileHandle = std::unique_ptr<void, CProfileCloser>;

class CLcmsTransform final : public CIccTransform {
public:
    CLcmsTransform(const CLittleCms& cms, cmsHTRANSFORM transform, std::size_t channels)
        : cms_(cms), transform_(transform), channels_(channels)
    {
    }
    ~CLcmsTransform() override { cms_.cmsDeleteTransform(transform_); }

    void Convert(const std::uint8_t* const* planes, std::size_t count, std::uint8_t* rgb) override
    {
        // LittleCMS reads planes at a fixed distance from each other; the rows come from
        // separate buffers, so they are gathered first.
        planar_.resize(channels_ * count);
        for (std::size_t channel = 0; channel < channels_; ++channel)
            std::memcpy(planar_.data() + channel * count, planes[channel], count);
        const auto pixels = static_cast<cmsUInt32Number>(count);
        cms_.cmsDoTransformLineStride(transform_, planar_.data(), rgb, pixels, 1, pixels * static_cast<cmsUInt32Number>(channels_),
                                 pixels * 3, pixels, pixels);
    }

private:
    const CLittleCms& cms_;
    cmsHTRANSFORM transform_;
    std::size_t channels_;
    std::vector<std::uint8_t> planar_;
};

// Damaged profiles are reported through the handler; the studio shows the document without
// the profile instead, so the messages are dropped.
void IgnoreLcmsMessage(cmsContext, cmsUInt32Number, const char*) {}

bool LeavesEveryColourAlone(const CLittleCms& cms, cmsHTRANSFORM transform)
{
    // A grid through the RGB cube, corners and all: a profile that is sRGB maps each point to itself.
    constexpr int kSteps = 18;
    std::vector<std::uint8_t> in(3 * kSteps * kSteps * kSteps);
    std::size_t at = 0;
    for (int r = 0; r < kSteps; ++r)
        for (int g = 0; g < kSteps; ++g)
            for (int b = 0; b < kSteps; ++b) {
                in[at++] = static_cast<std::uint8_t>(r * 15);
                in[at++] = static_cast<std::uint8_t>(g * 15);
                in[at++] = static_cast<std::uint8_t>(b * 15);
            }
    std::vector<std::uint8_t> out(in.size());
    cms.cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(in.size() / 3));
    return in == out;
}

}  // namespace

bool CIccTransform::Available() { return LittleCms() != nullptr; }

std::unique_ptr<CIccTransform> CIccTransform::Create(const std::vector<std::uint8_t>& profile, Input input)
{
    if (profile.empty()) return nullptr;
    const CLittleCms* cms = LittleCms();
    if (cms == nullptr) return nullptr;
    static const bool quiet = [cms] {
        cms->cmsSetLogErrorHandler(IgnoreLcmsMessage);
        return true;
    }();
    (void)quiet;
    CProfileHandle source(cms->cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size())),
                          CProfileCloser{cms});
    if (!source) return nullptr;
    CProfileHandle srgb(cms->cmsCreate_sRGBProfile(), CProfileCloser{cms});
    if (!srgb) return nullptr;

    cmsUInt32Number format = 0;
    std::size_t channels = 0;
    cmsColorSpaceSignature space{};
    switch (input) {
    case Input::Gray:
        format = COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1);
        channels = 1;
        space = cmsSigGrayData;
        break;
    case Input::Rgb:
        format = COLORSPACE_SH(PT_RGB) | CHANNELS_SH(3) | BYTES_SH(1) | PLANAR_SH(1);
        channels = 3;
        space = cmsSigRgbData;
        break;
    case Input::Cmyk:
        // Stored inverted: 255 is no ink.
        format = COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(1) | PLANAR_SH(1) | FLAVOR_SH(1);
        channels = 4;
        space = cmsSigCmykData;
        break;
    case Input::Lab:
        format = COLORSPACE_SH(PT_Lab) | CHANNELS_SH(3) | BYTES_SH(1) | PLANAR_SH(1);
        channels = 3;
        space = cmsSigLabData;
        break;
    }
    if (cms->cmsGetColorSpace(source.get()) != space) return nullptr;
    const cmsUInt32Number flags = cmsFLAGS_BLACKPOINTCOMPENSATION;
    if (input == Input::Rgb) {
        cmsHTRANSFORM probe = cms->cmsCreateTransform(source.get(), TYPE_RGB_8, srgb.get(), TYPE_RGB_8,
                                                 INTENT_RELATIVE_COLORIMETRIC, flags);
        if (!probe) return nullptr;
        const bool identity = LeavesEveryColourAlone(*cms, probe);
        cms->cmsDeleteTransform(probe);
        if (identity) return nullptr;
    }
    cmsHTRANSFORM transform =
        cms->cmsCreateTransform(source.get(), format, srgb.get(), TYPE_RGB_8_PLANAR, INTENT_RELATIVE_COLORIMETRIC, flags);
    if (!transform) return nullptr;
    return std::make_unique<CLcmsTransform>(*cms, transform, channels);
}

#else

bool CIccTransform::Available() { return false; }

std::unique_ptr<CIccTransform> CIccTransform::Create(const std::vector<std::uint8_t>&, Input) { return nullptr; }

#endif

}  // namespace vantrel::studio::render
