#include "text/EncodingGuess.h"

namespace vantrel::text {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned minimum = 0;
        unsigned code = c;
        if (c < 0x80) {
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2, minimum = 0x80, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3, minimum = 0x800, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4, minimum = 0x10000, code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(next)) return false;
            code = code << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (code < minimum || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += length;
    }
    return true;
}

bool IsCp936(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) continue;
        if (c == 0x80 || c == 0xFF || i + 1 == text.size()) return false;
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    }
    return true;
}

}  // namespace

EncodingGuess GuessEncoding(std::string_view text)
{
    bool ascii = true;
    for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return EncodingGuess::Ascii;
    if (IsUtf8(text)) return EncodingGuess::Utf8;
    if (IsCp936(text)) return EncodingGuess::Cp936;
    return EncodingGuess::Unknown;
}

}  // namespace vantrel::text
