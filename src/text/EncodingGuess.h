#pragma once

#include <string_view>

namespace vantrel::text {

// What a text's bytes can be: plain ASCII, valid UTF-8 with other characters, else valid
// CP936 (GBK) double-byte text, else neither. UTF-8 is tried first: Chinese in UTF-8 is
// rarely valid GBK as well, and the other way round almost never.
enum class EncodingGuess { Ascii, Utf8, Cp936, Unknown };

EncodingGuess GuessEncoding(std::string_view text);

}  // namespace vantrel::text
