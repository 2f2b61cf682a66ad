#pragma once

#include <array>
#include <cstring>
#include <memory>

#include "platform/CaptureImage.h"

namespace vantrel::effects::compare {

// Where each document of an effect criterion is captured.
enum class CaptureSlot { Examinee = 0, Reference = 1, Initial = 2 };

using CCaptureSlots = std::array<std::unique_ptr<platform::CCaptureImage>, 3>;

inline std::unique_ptr<platform::CCaptureImage>& SlotOf(CCaptureSlots& slots, CaptureSlot slot)
{
    return slots[static_cast<std::size_t>(slot)];
}

inline const platform::CCaptureImage* ImageIn(const CCaptureSlots& slots, CaptureSlot slot)
{
    return slots[static_cast<std::size_t>(slot)].get();
}

// A copy of a capture, for keeping after the slot is reused.
inline std::shared_ptr<const platform::CCaptureImage> CopyOfCapture(const platform::CCaptureImage& capture)
{
    auto copy = std::make_shared<platform::CCaptureImage>(capture.BitsPerPixel());
    std::memcpy(copy->Pixels(), capture.Pixels(), capture.ByteCount());
    return copy;
}

}  // namespace vantrel::effects::compare
