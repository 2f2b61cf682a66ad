// Any bytes as an action descriptor, with and without its version word. A descriptor read must
// either succeed or give a reason.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "studio/psd/PsdDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vantrel::studio::psd;
    const std::span<const std::uint8_t> bytes(data, size);
    CDescriptorValue value;
    std::string reason;
    if (!ReadVersionedDescriptor(bytes, value, reason) && reason.empty()) std::abort();
    reason.clear();
    if (!ReadDescriptor(bytes, value, reason) && reason.empty()) std::abort();
    return 0;
}
