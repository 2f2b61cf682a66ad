#pragma once

#if defined(VANTREL_HAVE_LCMS2)

#include <cstdint>
#include <vector>

#include <lcms2.h>

namespace vantrel::testing {

// A profile's bytes as a document embeds them; the profile is closed.
inline std::vector<std::uint8_t> SavedProfile(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// A grey profile with a linear response: stored 128 is half the light, sRGB 188.
inline std::vector<std::uint8_t> LinearGreyProfile()
{
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    auto bytes = SavedProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

}  // namespace vantrel::testing

#endif
