#pragma once

#include <string>

namespace vantrel::cli::commands {

// Reads an answer key as the library should see it: a UTF-8 byte-order mark dropped (markedUtf8
// says whether there was one), a UTF-16 key or one holding a NUL refused, a warning on stderr
// for a key with LF but no CR LF. False after one line on stderr saying why the key cannot be used.
bool ReadAnswerKeyFile(const std::string& path, std::string& key, bool& markedUtf8);

}  // namespace vantrel::cli::commands
