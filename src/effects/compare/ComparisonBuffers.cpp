#include "effects/compare/ComparisonBuffers.h"

#include <new>

namespace vantrel::effects::compare {

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

CComparisonBufferPool::~CComparisonBufferPool()
{
    for (Buffer& buffer : buffers_)
        if (buffer.bytes != nullptr) source_.Release(buffer.bytes);
}

std::uint8_t* CComparisonBufferPool::Allocate(std::size_t byteCount) noexcept
{
    for (Buffer& buffer : buffers_) {
        if (buffer.bytes != nullptr && !buffer.inUse && buffer.size == byteCount) {
            buffer.inUse = true;
            return buffer.bytes;
        }
    }
    for (Buffer& buffer : buffers_) {
        if (buffer.inUse) continue;
        // Replace a kept buffer of another size, or fill an empty place.
        if (buffer.bytes != nullptr) source_.Release(buffer.bytes);
        buffer = Buffer{source_.Allocate(byteCount), byteCount, false};
        if (buffer.bytes == nullptr) return nullptr;
        buffer.inUse = true;
        return buffer.bytes;
    }
    // More buffers at once than any comparison needs: not kept.
    return source_.Allocate(byteCount);
}

void CComparisonBufferPool::Release(std::uint8_t* buffer) noexcept
{
    for (Buffer& kept : buffers_) {
        if (kept.bytes == buffer) {
            kept.inUse = false;
            return;
        }
    }
    source_.Release(buffer);
}

}  // namespace vantrel::effects::compare
