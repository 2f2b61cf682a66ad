// Any bytes as a TIFF file: the studio's TIFF decoder renders them or refuses them with a reason.

#include "FuzzFileKind.h"

#if VANTREL_STUDIO_Tiff
VANTREL_FUZZ_FILE_KIND(true, vantrel::studio::formats::kTiffFileKind)
#else
VANTREL_FUZZ_FILE_KIND(false, vantrel::studio::formats::kPsdFileKind)
#endif
