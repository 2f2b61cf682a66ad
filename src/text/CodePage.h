#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::text {

// The multibyte code page that answer keys, file names and window titles are written in.
enum class CodePage { Cp936, Utf8 };

// The process-wide code page: VANTREL_CODEPAGE (cp936 | utf-8) when set, else CP936.
CodePage ActiveCodePage();
void SetCodePage(CodePage codePage);
// "cp936", "gbk", "utf-8", "utf8" (any case); nullopt for anything else.
std::optional<CodePage> CodePageFromName(std::string_view name);

// Upper-cases in place, one character at a time: single-byte a-z, and the double-byte
// characters that have an upper-case form. A trail byte is never touched on its own.
void MakeUpper(std::string& text, CodePage codePage);
inline void MakeUpper(std::string& text) { MakeUpper(text, ActiveCodePage()); }

// Bytes that the character starting at text[at] takes: 2 for a CP936 lead byte followed by
// a trail byte, else 1. A separator byte inside a character is never a separator.
std::size_t CharacterLength(std::string_view text, std::size_t at, CodePage codePage);

// The last component of a path in the code page, after its last "\" or "/" that stands at a
// character boundary; empty when the path ends in a separator.
std::string LastPathComponent(const std::string& path, CodePage codePage);
inline std::string LastPathComponent(const std::string& path) { return LastPathComponent(path, ActiveCodePage()); }

}  // namespace vantrel::text
