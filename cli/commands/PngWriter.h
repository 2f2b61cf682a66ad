#pragma once

#include <string>

namespace vantrel::platform {
class CCaptureImage;
}

namespace vantrel::cli::commands {

// Writes a capture as an 8-bit RGB PNG with the channel values the comparisons read.
// False with a reason when the file cannot be written.
bool WriteCapturePng(const platform::CCaptureImage& capture, const std::string& path, std::string& reason);

}  // namespace vantrel::cli::commands
