#pragma once

// Working memory of the image comparisons: where their buffers come from, and the message a
// person sees when there is not enough of it.

#include <cstddef>
#include <cstdint>

namespace vantrel::effects::compare {

// Shown, OK button only, when a comparison cannot get its working buffers.
extern const char kComparisonOutOfMemoryMessage[];

// Hands out the comparisons' working buffers. The default takes them from the heap; tests put in
// one that fails on demand.
class IComparisonAllocator {
public:
    virtual ~IComparisonAllocator() = default;
    // A buffer of byteCount bytes, or null when there is no memory for it.
    virtual std::uint8_t* Allocate(std::size_t byteCount) noexcept = 0;
    virtual void Release(std::uint8_t* buffer) noexcept = 0;
};

// The heap, through a non-throwing new.
IComparisonAllocator& DefaultComparisonAllocator();

// Keeps the buffers given back to it for the next comparison, so that the comparisons of one
// grading run take their memory from the heap once; everything goes back to the heap with the
// pool. A buffer it cannot find or make is refused as the heap would refuse it.
class CComparisonBufferPool final : public IComparisonAllocator {
public:
    explicit CComparisonBufferPool(IComparisonAllocator& source = DefaultComparisonAllocator()) : source_(source) {}
    ~CComparisonBufferPool() override;
    CComparisonBufferPool(const CComparisonBufferPool&) = delete;
    CComparisonBufferPool& operator=(const CComparisonBufferPool&) = delete;

    std::uint8_t* Allocate(std::size_t byteCount) noexcept override;
    void Release(std::uint8_t* buffer) noexcept override;

private:
    struct Buffer {
        std::uint8_t* bytes;
        std::size_t size;
        bool inUse;
    };
    IComparisonAllocator& source_;
    Buffer buffers_[3] = {};
};

// One working buffer, given back to its allocator when the holder goes.
class CComparisonBuffer {
public:
    explicit CComparisonBuffer(IComparisonAllocator& allocator) : allocator_(allocator) {}
    ~CComparisonBuffer() { Release(); }
    CComparisonBuffer(const CComparisonBuffer&) = delete;
    CComparisonBuffer& operator=(const CComparisonBuffer&) = delete;

    // False when the allocator has no memory.
    bool Acquire(std::size_t byteCount)
    {
        Release();
        bytes_ = allocator_.Allocate(byteCount);
        return bytes_ != nullptr;
    }
    void Release() noexcept
    {
        if (bytes_ != nullptr) {
            allocator_.Release(bytes_);
            bytes_ = nullptr;
        }
    }
    std::uint8_t* Bytes() const { return bytes_; }

private:
    IComparisonAllocator& allocator_;
    std::uint8_t* bytes_ = nullptr;
};

}  // namespace vantrel::effects::compare
