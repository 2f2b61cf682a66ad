// CQelMarkPhotoShop as a host built with Microsoft's compiler calls it. The .def file exports
// these functions under the members' decorated names. On 32-bit x86 the members are thiscall
// there as here, but the constructor returns this; on x64 both compilers share one calling
// convention. A GCC exception cannot unwind through the host's frames, so nothing leaves
// here by an exception.

#include "vantrel/CQelMarkPhotoShop.h"

#include <new>

#if defined(__i386__)
#define VANTREL_MEMBER_CALL __attribute__((thiscall))
#else
#define VANTREL_MEMBER_CALL
#endif

extern "C" {

VANTREL_MEMBER_CALL CQelMarkPhotoShop* vantrel_msvc_construct(CQelMarkPhotoShop* self) noexcept
{
    return ::new (static_cast<void*>(self)) CQelMarkPhotoShop;
}

VANTREL_MEMBER_CALL void vantrel_msvc_destroy(CQelMarkPhotoShop* self) noexcept { self->~CQelMarkPhotoShop(); }

VANTREL_MEMBER_CALL CQelMarkPhotoShop* vantrel_msvc_assign(CQelMarkPhotoShop* self,
                                                          const CQelMarkPhotoShop* other) noexcept
{
    return &(*self = *other);
}

VANTREL_MEMBER_CALL double vantrel_msvc_get_mark(CQelMarkPhotoShop* self, const char* answerKey,
                                                 const char* answerDirectory, const char* keyDirectory) noexcept
{
    return self->GetMark(answerKey, answerDirectory, keyDirectory);
}

// What grading throws stays here; the mark is left at 0, as GetMark would return it.
VANTREL_MEMBER_CALL void vantrel_msvc_mark_ps(CQelMarkPhotoShop* self, const char* answerKey,
                                              const char* answerDirectory, const char* keyDirectory) noexcept
{
    try {
        self->MarkPS(answerKey, answerDirectory, keyDirectory);
    } catch (...) {
        self->mark = 0;
    }
}

}  // extern "C"
