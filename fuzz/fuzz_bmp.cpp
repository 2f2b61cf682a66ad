// Any bytes as a BMP file: the studio's own BMP decoder renders them or refuses them with a reason.

#include "FuzzFileKind.h"

#if VANTREL_STUDIO_Bmp
VANTREL_FUZZ_FILE_KIND(true, vantrel::studio::formats::kBmpFileKind)
#else
VANTREL_FUZZ_FILE_KIND(false, vantrel::studio::formats::kPsdFileKind)
#endif
