#include "batch/ExamineeNameText.h"

#include "platform/posix/CodePageConversion.h"
#include "text/CodePage.h"
#include "text/EncodingGuess.h"

namespace vantrel::cli::batch {

namespace {

// The length of the UTF-8 sequence starting at text[i], or 0 when none starts there.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and code points past U+10FFFF are not characters.
    const unsigned char second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

std::string WithReplacementCharacters(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = Utf8SequenceAt(text, i)) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string ExamineeNameText(const std::string& folderName)
{
    const text::EncodingGuess guess = text::GuessEncoding(folderName);
    if (guess == text::EncodingGuess::Ascii || guess == text::EncodingGuess::Utf8) return folderName;
    return WithReplacementCharacters(platform::ToUtf8(folderName, text::CodePage::Cp936));
}

}  // namespace vantrel::cli::batch
