#include "platform/posix/CodePageConversion.h"

#include <cerrno>
#include <iconv.h>

namespace vantrel::platform {

namespace {

bool IsAscii(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string ToUtf8(const std::string& text, text::CodePage codePage)
{
    if (codePage == text::CodePage::Utf8 || IsAscii(text)) return text;
    iconv_t converter = iconv_open("UTF-8", "GBK");
    if (converter == reinterpret_cast<iconv_t>(-1)) return text;
    std::string out;
    std::string input = text;
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Keep a byte that does not convert and go on after it.
            out += *in++;
            --inLeft;
        }
    }
    iconv_close(converter);
    return out;
}

}  // namespace vantrel::platform
