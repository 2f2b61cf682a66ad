// Any bytes as a PNG file: the studio's PNG decoder renders them or refuses them with a reason.

#include "FuzzFileKind.h"

#if VANTREL_STUDIO_Png
VANTREL_FUZZ_FILE_KIND(true, vantrel::studio::formats::kPngFileKind)
#else
VANTREL_FUZZ_FILE_KIND(false, vantrel::studio::formats::kPsdFileKind)
#endif
