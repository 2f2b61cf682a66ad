#include "effects/ComparisonBuffers.h"

#include <new>

namespace vantrel {

const char kComparisonOutOfMemoryMessage[] = "本计算机的内存太小,不能进行图形效果阅卷!";

namespace {
class CHeapComparisonAllocator final : public IComparisonAllocator {
public:
    std::uint8_t* Allocate(std::size_t byteCount) noexcept override
    {
        return new (std::nothrow) std::uint8_t[byteCount];
    }
    void Release(std::uint8_t* buffer) noexcept override { delete[] buffer; }
};
}  // namespace

IComparisonAllocator& DefaultComparisonAllocator()
{
    static CHeapComparisonAllocator theHeapAllocator;
    return theHeapAllocator;
}

}  // namespace vantrel
