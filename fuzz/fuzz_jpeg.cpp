// Any bytes as a JPEG file: the studio's JPEG decoder renders them or refuses them with a reason.

#include "FuzzFileKind.h"

#if VANTREL_STUDIO_Jpeg
VANTREL_FUZZ_FILE_KIND(true, vantrel::studio::formats::kJpegFileKind)
#else
VANTREL_FUZZ_FILE_KIND(false, vantrel::studio::formats::kPsdFileKind)
#endif
