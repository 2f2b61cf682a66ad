#pragma once

#include <string>

#include "text/CodePage.h"

namespace vantrel::platform {

// Converts text in the code page to UTF-8, the file system's names on POSIX; bytes that do
// not convert are kept as they are.
std::string ToUtf8(const std::string& text, text::CodePage codePage);

}  // namespace vantrel::platform
