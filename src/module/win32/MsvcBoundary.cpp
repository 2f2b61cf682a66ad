// On 32-bit x86 the members are thiscall in Microsoft's ABI as in GCC's, but the constructor
// returns this there; on x64 both compilers share one calling convention. A GCC exception
// cannot unwind through the host's frames, so nothing leaves here by an exception.

#include "module/win32/MsvcBoundary.h"

#include <new>

// The host allocates the object itself: its size is part of the interface.
static_assert(sizeof(CQelMarkPhotoShop) == 8, "CQelMarkPhotoShop holds exactly one double");

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

VANTREL_MEMBER_CALL void vantrel_msvc_mark_ps(CQelMarkPhotoShop* self, const char* answerKey,
                                              const char* answerDirectory, const char* keyDirectory) noexcept
{
    try {
        self->MarkPS(answerKey, answerDirectory, keyDirectory);
    } catch (...) {
        // MarkPS set the mark to 0 before grading and stores it only at the end.
        self->mark = 0;
    }
}

}  // extern "C"
