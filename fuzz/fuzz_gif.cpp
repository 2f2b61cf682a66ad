// Any bytes as a GIF file: the studio's GIF decoder renders them or refuses them with a reason.

#include "FuzzFileKind.h"

#if VANTREL_STUDIO_Gif
VANTREL_FUZZ_FILE_KIND(true, vantrel::studio::formats::kGifFileKind)
#else
VANTREL_FUZZ_FILE_KIND(false, vantrel::studio::formats::kPsdFileKind)
#endif
