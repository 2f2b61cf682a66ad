#include "commands/KeyCheck.h"

#include <fstream>
#include <ostream>

#include "grading/AnswerKeyCheck.h"
#include "grading/EditorKeyDocuments.h"
#include "platform/posix/CodePageConversion.h"
#include "text/CodePage.h"
#include "text/EncodingGuess.h"

using vantrel::text::CodePage;
using vantrel::text::EncodingGuess;

namespace vantrel::cli::commands {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string LineEndsOf(const std::string& text)
{
    std::size_t pairs = 0;
    std::size_t lone = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ++pairs, ++p;
        else if (text[p] == '\r' || text[p] == '\n') ++lone;
    }
    if (pairs == 0 && lone == 0) return "none (one line)";
    if (lone == 0) return "CR LF";
    if (pairs == 0) return "LF or CR only";
    return "mixed";
}

// The encoding of the key's bytes, and a warning when the code page it will be read in is
// another; empty when they agree.
std::string EncodingWarning(const std::string& key, bool mark, std::string& encoding)
{
    const EncodingGuess guess = text::GuessEncoding(key);
    const bool readAsUtf8 = text::ActiveCodePage() == CodePage::Utf8;
    switch (guess) {
    case EncodingGuess::Ascii: encoding = mark ? "ASCII with a UTF-8 byte-order mark" : "ASCII"; return {};
    case EncodingGuess::Utf8:
        encoding = mark ? "UTF-8 with a byte-order mark" : "UTF-8";
        return readAsUtf8 ? "" : "the key is UTF-8 but its names are read as CP936: give --codepage utf-8";
    case EncodingGuess::Cp936:
        encoding = "CP936 (GBK), as far as its bytes tell";
        return readAsUtf8 ? "the key is not UTF-8 but is read as UTF-8: leave out --codepage utf-8" : "";
    case EncodingGuess::Unknown: break;
    }
    encoding = "unknown";
    return "the key is neither UTF-8 nor CP936, so its names match no file";
}

// Whether the file begins with a UTF-8 byte-order mark, which the key as read has lost.
bool StartsWithByteOrderMark(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string start(kByteOrderMark.size(), '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    return file && start == kByteOrderMark;
}

}  // namespace

CKeyCheck CheckKeyFile(const std::string& path, const std::string& key, const std::string& keyFolder)
{
    CKeyCheck check;
    check.lineEnds = LineEndsOf(key);
    if (std::string warning = EncodingWarning(key, StartsWithByteOrderMark(path), check.encoding); !warning.empty())
        check.warnings.push_back(std::move(warning));

    grading::CEditorKeyDocuments documents(keyFolder);
    const auto findings = grading::CheckAnswerKey(
        key, [&](const std::string& name, std::string& reason) { return documents.Open(name, reason); });
    // Findings quote the key in its code page; a terminal and a log read UTF-8.
    for (const auto& finding : findings)
        check.warnings.push_back(platform::ToUtf8(grading::DescribeKeyFinding(finding), text::ActiveCodePage()));
    return check;
}

bool WarnAboutKey(const CKeyCheck& check, bool strict, std::ostream& err)
{
    for (const std::string& warning : check.warnings) err << "vantrel: warning: key " << warning << "\n";
    if (!strict || check.warnings.empty()) return true;
    err << "vantrel: the key has " << check.warnings.size() << " warning(s) and --strict is given: nobody was graded\n";
    return false;
}

}  // namespace vantrel::cli::commands
