#include <algorithm>
#include <type_traits>

#include "document/RemoveSpaces.h"
#include "grading/MarkSession.h"
#include "text/CodePage.h"

namespace vantrel {

namespace {

// The working limits of a document line; longer text names no document that can be opened.
constexpr std::size_t kMaxLine = 2047;
constexpr std::size_t kMaxFileName = 1023;
constexpr std::size_t kMaxPath = 2047;

std::uint32_t BigEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

void RemoveSpaces(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

void CMarkSession::OpenDestFile(const std::string& line)
{
    documentHandle = -1;
    documentFileName.clear();
    if (line.size() > kMaxLine) return;

    const std::size_t separator = line.find_first_of("=:");
    std::string name = separator == std::string::npos ? std::string() : line.substr(separator + 1);
    RemoveSpaces(name);
    text::MakeUpper(name);
    if (name.size() > kMaxFileName) return;
    documentFileName = name;

    const std::string path = answerDirectory + name;
    if (path.size() > kMaxPath) return;
    documentHandle = platform::ActivePlatform().Files().OpenReadOnly(path);
    if (documentHandle != -1) ReadPsdHeader();
}

void CMarkSession::ReadPsdHeader()
{
    auto& files = platform::ActivePlatform().Files();
    psdHeader = CPsdHeader{};
    // A field the file ends inside of stays 0.
    auto read = [&](int count, auto& field) {
        unsigned char bytes[4];
        if (files.Read(documentHandle, bytes, static_cast<std::size_t>(count)) != count) return false;
        field = static_cast<std::remove_reference_t<decltype(field)>>(BigEndian(bytes, count));
        return true;
    };
    if (files.Read(documentHandle, psdHeader.signature, 4) != 4) {
        std::fill(std::begin(psdHeader.signature), std::end(psdHeader.signature), '\0');
        return;
    }
    std::uint32_t colorModeDataLength = 0;
    bool complete = read(2, psdHeader.version);
    complete = complete && files.SeekFromCurrent(documentHandle, 6) >= 0;
    complete = complete && read(2, psdHeader.channels) && read(4, psdHeader.height) && read(4, psdHeader.width) &&
               read(2, psdHeader.depth) && read(2, psdHeader.colorMode) && read(4, colorModeDataLength);
    if (complete && colorModeDataLength != 0) files.SeekFromCurrent(documentHandle, 768);
}

}  // namespace vantrel
