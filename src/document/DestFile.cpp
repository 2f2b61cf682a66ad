#include "document/DestFile.h"

#include "document/RemoveSpaces.h"
#include "text/CodePage.h"

namespace vantrel::document {

namespace {

// The working limits of a document line; longer text names no document that can be opened.
constexpr std::size_t kMaxLine = 2047;
constexpr std::size_t kMaxFileName = 1023;
constexpr std::size_t kMaxPath = 2047;

}  // namespace

std::optional<std::string> DocumentNameOf(const std::string& line)
{
    if (line.size() > kMaxLine) return std::nullopt;
    const std::size_t separator = line.find_first_of("=:");
    std::string name = separator == std::string::npos ? std::string() : line.substr(separator + 1);
    RemoveSpaces(name);
    text::MakeUpper(name);
    if (name.size() > kMaxFileName) return std::nullopt;
    return name;
}

int OpenAnswerDocument(platform::IFiles& files, const std::string& answerDirectory, const std::string& name,
                       DocumentAccess* access)
{
    DocumentAccess ignored = DocumentAccess::Opened;
    DocumentAccess& how = access ? *access : ignored;
    const std::string path = answerDirectory + name;
    how = DocumentAccess::NameTooLong;
    if (path.size() > kMaxPath) return -1;
    // A link the examinee planted in the answer folder would grade another document, such as
    // the reference; a ".." the examiner wrote leads where it was meant to.
    how = DocumentAccess::LinkOutOfFolder;
    if (files.PassesLinkOutOf(answerDirectory, path)) return -1;
    const int handle = files.OpenReadOnly(path);
    how = handle == -1 ? DocumentAccess::NotOpened : DocumentAccess::Opened;
    return handle;
}

}  // namespace vantrel::document
