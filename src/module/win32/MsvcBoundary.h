#pragma once

// CQelMarkPhotoShop's members as a host built with Microsoft's compiler calls them; the .def
// file exports these under the members' decorated names.

#include "vantrel/CQelMarkPhotoShop.h"

#if defined(__i386__)
#define VANTREL_MEMBER_CALL __attribute__((thiscall))
#else
#define VANTREL_MEMBER_CALL
#endif

extern "C" {
// The constructor returns this, as Microsoft's constructors do.
VANTREL_MEMBER_CALL CQelMarkPhotoShop* vantrel_msvc_construct(CQelMarkPhotoShop* self) noexcept;
VANTREL_MEMBER_CALL void vantrel_msvc_destroy(CQelMarkPhotoShop* self) noexcept;
VANTREL_MEMBER_CALL CQelMarkPhotoShop* vantrel_msvc_assign(CQelMarkPhotoShop* self,
                                                          const CQelMarkPhotoShop* other) noexcept;
VANTREL_MEMBER_CALL double vantrel_msvc_get_mark(CQelMarkPhotoShop* self, const char* answerKey,
                                                 const char* answerDirectory, const char* keyDirectory) noexcept;
// Grading's exceptions cannot cross into the host: they end here with the mark at 0.
VANTREL_MEMBER_CALL void vantrel_msvc_mark_ps(CQelMarkPhotoShop* self, const char* answerKey,
                                              const char* answerDirectory, const char* keyDirectory) noexcept;
}
