#include "text/CodePage.h"

#include "text/AsciiCase.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace vantrel::text {

namespace {

int CodePageFromEnvironment()
{
    const char* name = std::getenv("VANTREL_CODEPAGE");
    auto parsed = name ? CodePageFromName(name) : std::nullopt;
    return static_cast<int>(parsed.value_or(CodePage::Cp936));
}

std::atomic<int>& TheCodePage()
{
    static std::atomic<int> codePage{CodePageFromEnvironment()};
    return codePage;
}

std::array<bool, 256>& TheOtherLeadBytes()
{
    static std::array<bool, 256> leadBytes{};
    return leadBytes;
}

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// The GBK double-byte characters with an upper-case form, as (lead, first lower trail,
// last lower trail, distance to the upper-case trail).
struct GbkCaseRange {
    unsigned char lead, first, last;
    int shift;
};
constexpr GbkCaseRange kGbkCaseRanges[] = {
    {0xA3, 0xE1, 0xFA, -0x20},  // full-width Latin a-z
    {0xA6, 0xC1, 0xD8, -0x20},  // Greek
    {0xA7, 0xD1, 0xF1, -0x30},  // Cyrillic
    {0xA2, 0xA1, 0xAA, +0x50},  // small Roman numerals i-x
};

void UpperCp936(std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (IsGbkLead(c) && i + 1 < text.size() && IsGbkTrail(static_cast<unsigned char>(text[i + 1]))) {
            auto trail = static_cast<unsigned char>(text[i + 1]);
            for (const auto& range : kGbkCaseRanges)
                if (c == range.lead && trail >= range.first && trail <= range.last)
                    text[i + 1] = static_cast<char>(trail + range.shift);
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            text[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
}

// Length of the UTF-8 sequence starting with c; 1 for a stray byte.
std::size_t Utf8Length(unsigned char c)
{
    if (c >= 0xF0 && c <= 0xF4) return 4;
    if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
    if (c >= 0xC2) return 2;
    return 1;
}

// The UTF-8 forms of the same characters that CP936 upper-cases, so that a name upper-cased
// in either code page matches the other's: full-width a-z, Greek alpha to omega (without the
// final sigma, which GBK lacks), Cyrillic a to ya and yo, small Roman numerals i to x.
void UpperUtf8Character(std::string& text, std::size_t i, std::size_t length)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    auto set = [&](std::size_t k, unsigned value) { text[i + k] = static_cast<char>(value); };
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(k) & 0xC0u) != 0x80u) return;  // not a character: left as it is
    if (length == 2) {
        const unsigned code = ((byte(0) & 0x1Fu) << 6) | (byte(1) & 0x3Fu);
        unsigned upper = code;
        if (code >= 0x3B1 && code <= 0x3C9 && code != 0x3C2) upper = code - 0x20;
        else if (code >= 0x430 && code <= 0x44F) upper = code - 0x20;
        else if (code == 0x451) upper = 0x401;
        if (upper != code) {
            set(0, 0xC0u | (upper >> 6));
            set(1, 0x80u | (upper & 0x3Fu));
        }
    } else if (length == 3) {
        const unsigned code = ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        unsigned upper = code;
        if (code >= 0xFF41 && code <= 0xFF5A) upper = code - 0x20;
        else if (code >= 0x2170 && code <= 0x2179) upper = code - 0x10;
        if (upper != code) {
            set(0, 0xE0u | (upper >> 12));
            set(1, 0x80u | ((upper >> 6) & 0x3Fu));
            set(2, 0x80u | (upper & 0x3Fu));
        }
    }
}

void UpperUtf8(std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = std::min(Utf8Length(c), text.size() - i);
        if (length == 1) {
            if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 'a' + 'A');
        } else {
            UpperUtf8Character(text, i, length);
        }
        i += length;
    }
}

}  // namespace

CodePage ActiveCodePage() { return static_cast<CodePage>(TheCodePage().load()); }

void SetCodePage(CodePage codePage) { TheCodePage().store(static_cast<int>(codePage)); }

std::optional<CodePage> CodePageFromName(std::string_view name)
{
    const std::string lower = AsciiLowered(name);
    if (lower == "cp936" || lower == "gbk") return CodePage::Cp936;
    if (lower == "utf-8" || lower == "utf8") return CodePage::Utf8;
    return std::nullopt;
}

void SetOtherLeadBytes(const std::array<bool, 256>& leadBytes) { TheOtherLeadBytes() = leadBytes; }

void MakeUpper(std::string& text, CodePage codePage)
{
    switch (codePage) {
    case CodePage::Cp936: UpperCp936(text); return;
    case CodePage::Utf8: UpperUtf8(text); return;
    case CodePage::Other:
        for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i, codePage))
            if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
        return;
    }
}

std::size_t CharacterLength(std::string_view text, std::size_t at, CodePage codePage)
{
    if (codePage == CodePage::Utf8 || at + 1 >= text.size()) return 1;
    const auto lead = static_cast<unsigned char>(text[at]);
    const auto trail = static_cast<unsigned char>(text[at + 1]);
    if (codePage == CodePage::Other) return TheOtherLeadBytes()[lead] && trail != 0 ? 2 : 1;
    return IsGbkLead(lead) && IsGbkTrail(trail) ? 2 : 1;
}

std::string LastPathComponent(const std::string& path, CodePage codePage)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); i += CharacterLength(path, i, codePage))
        if (path[i] == '\\' || path[i] == '/') start = i + 1;
    return path.substr(start);
}

}  // namespace vantrel::text
