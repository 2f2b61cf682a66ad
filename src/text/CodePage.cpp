#include "text/CodePage.h"

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

void UpperUtf8(std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = std::min(Utf8Length(c), text.size() - i);
        if (length == 1) {
            if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 'a' + 'A');
        } else if (length == 3 && c == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBD) {
            // U+FF41..FF5A (full-width a-z) become U+FF21..FF3A.
            auto last = static_cast<unsigned char>(text[i + 2]);
            if (last >= 0x81 && last <= 0x9A) {
                text[i + 1] = static_cast<char>(0xBC);
                text[i + 2] = static_cast<char>(last + 0x20);
            }
        }
        i += length;
    }
}

}  // namespace

CodePage ActiveCodePage() { return static_cast<CodePage>(TheCodePage().load()); }

void SetCodePage(CodePage codePage) { TheCodePage().store(static_cast<int>(codePage)); }

std::optional<CodePage> CodePageFromName(std::string_view name)
{
    std::string lower;
    for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "cp936" || lower == "gbk") return CodePage::Cp936;
    if (lower == "utf-8" || lower == "utf8") return CodePage::Utf8;
    return std::nullopt;
}

void MakeUpper(std::string& text, CodePage codePage)
{
    if (codePage == CodePage::Cp936)
        UpperCp936(text);
    else
        UpperUtf8(text);
}

}  // namespace vantrel::text
