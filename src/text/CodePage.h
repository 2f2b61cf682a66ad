#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::text {

// The multibyte code page that answer keys, file names and window titles are written in.
// Cp936 and Utf8 are known in full. Other is a code page only the operating system knows
// (Windows' 1252 or 932): its double-byte lead bytes come from SetOtherLeadBytes, and only
// a-z are upper-cased in it, so that no character of it is taken by GBK's rules.
enum class CodePage { Cp936, Utf8, Other };

// The process-wide code page: VANTREL_CODEPAGE (cp936 | utf-8) when set, else CP936.
CodePage ActiveCodePage();
void SetCodePage(CodePage codePage);
// The lead bytes of CodePage::Other: bytes that begin a double-byte character.
void SetOtherLeadBytes(const std::array<bool, 256>& leadBytes);
// "cp936", "gbk", "utf-8", "utf8" (any case); nullopt for anything else.
std::optional<CodePage> CodePageFromName(std::string_view name);

// Upper-cases in place, one character at a time: single-byte a-z, and the double-byte
// characters that have an upper-case form. A trail byte is never touched on its own.
void MakeUpper(std::string& text, CodePage codePage);
inline void MakeUpper(std::string& text) { MakeUpper(text, ActiveCodePage()); }

// Bytes that the character starting at text[at] takes: 2 for a lead byte followed by a trail
// byte (CP936, Other), else 1. A separator byte inside a character is never a separator.
std::size_t CharacterLength(std::string_view text, std::size_t at, CodePage codePage);

// The last component of a path in the code page, after its last "\" or "/" that stands at a
// character boundary; empty when the path ends in a separator.
std::string LastPathComponent(const std::string& path, CodePage codePage);
inline std::string LastPathComponent(const std::string& path) { return LastPathComponent(path, ActiveCodePage()); }

}  // namespace vantrel::text
