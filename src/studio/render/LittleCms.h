#pragma once

#if defined(VANTREL_HAVE_LCMS2)

#include <lcms2.h>

namespace vantrel::studio::render {

// The LittleCMS functions the studio calls, each under its own name.
#define VANTREL_LITTLE_CMS_FUNCTIONS(X) \
    X(cmsCloseProfile)                  \
    X(cmsCreateTransform)               \
    X(cmsCreate_sRGBProfile)            \
    X(cmsDeleteTransform)               \
    X(cmsDoTransform)                   \
    X(cmsDoTransformLineStride)         \
    X(cmsGetColorSpace)                 \
    X(cmsOpenProfileFromMem)            \
    X(cmsSetLogErrorHandler)

struct CLittleCms {
#define VANTREL_LITTLE_CMS_POINTER(name) decltype(&::name) name;
    VANTREL_LITTLE_CMS_FUNCTIONS(VANTREL_LITTLE_CMS_POINTER)
#undef VANTREL_LITTLE_CMS_POINTER
};

// The library, or null when it cannot be loaded. Where the build names its file
// (VANTREL_LCMS2_SONAME), it is loaded by the first document that carries a profile, not at
// start: loading it costs about a millisecond, a tenth of capturing a photograph, and most
// documents carry no profile.
const CLittleCms* LittleCms();

}  // namespace vantrel::studio::render

#endif
