#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace vantrel::document {

// The fixed header of a Photoshop document, in file order. Fields a truncated file does
// not supply stay 0.
struct CPsdHeader {
    char signature[5] = {0, 0, 0, 0, 0};
    std::uint16_t version = 0;
    std::int16_t channels = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::uint16_t depth = 0;
    std::int16_t colorMode = 0;
};


// Reads the header from the current position of an open document.
CPsdHeader ReadPsdHeader(platform::IFiles& files, int handle);

}  // namespace vantrel::document
