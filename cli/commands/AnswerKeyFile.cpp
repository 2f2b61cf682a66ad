#include "commands/AnswerKeyFile.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>

namespace vantrel::cli::commands {

namespace {

// Keys come from ordinary editors. A UTF-8 byte-order mark is dropped; a key that the library
// would cut short at its first NUL, as it would any UTF-16 key, is refused. False with a reason.
bool TakeKeyAsWritten(std::string& key, bool& markedUtf8, std::string& reason)
{
    const std::string_view text = key;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        reason = "is UTF-16";
        return false;
    }
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        reason = "holds a NUL byte at offset " + std::to_string(nul) + " (UTF-16?)";
        return false;
    }
    markedUtf8 = text.starts_with("\xEF\xBB\xBF");
    if (markedUtf8) key.erase(0, 3);
    return true;
}

}  // namespace

bool ReadAnswerKeyFile(const std::string& path, std::string& key, bool& markedUtf8)
{
    std::ifstream file(path, std::ios::binary);
    if (!file || std::filesystem::is_directory(path)) {
        std::cerr << "vantrel: cannot read the answer key " << path << "\n";
        return false;
    }
    key.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (std::string reason; !TakeKeyAsWritten(key, markedUtf8, reason)) {
        std::cerr << "vantrel: the answer key " << path << " " << reason << "; save it as CP936 or UTF-8 text\n";
        return false;
    }
    // The library breaks lines only at CR LF; a key saved with LF alone is one long line.
    if (key.find('\n') != std::string::npos && key.find("\r\n") == std::string::npos) {
        std::cerr << "vantrel: warning: " << path << " has LF line breaks but no CR LF, so it is read as a "
                  << "single line and scores 0; convert it with unix2dos '" << path << "' or sed -i 's/$/\\r/' '"
                  << path << "'\n";
    }
    return true;
}

}  // namespace vantrel::cli::commands
