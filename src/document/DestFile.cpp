#include <algorithm>
#include <optional>

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
    // The fixed header in one read: signature, version, 6 reserved bytes, channels, height,
    // width, depth, colour mode, all big-endian. A field the file ends inside of stays 0.
    unsigned char bytes[26];
    const long got = platform::ActivePlatform().Files().Read(documentHandle, bytes, sizeof bytes);
    psdHeader = CPsdHeader{};
    auto field = [&](int offset, int count) -> std::optional<std::uint32_t> {
        if (got < offset + count) return std::nullopt;
        return BigEndian(bytes + offset, count);
    };
    if (got >= 4) std::copy(bytes, bytes + 4, psdHeader.signature);
    psdHeader.version = static_cast<std::uint16_t>(field(4, 2).value_or(0));
    psdHeader.channels = static_cast<std::int16_t>(field(12, 2).value_or(0));
    psdHeader.height = static_cast<std::int32_t>(field(14, 4).value_or(0));
    psdHeader.width = static_cast<std::int32_t>(field(18, 4).value_or(0));
    psdHeader.depth = static_cast<std::uint16_t>(field(22, 2).value_or(0));
    psdHeader.colorMode = static_cast<std::int16_t>(field(24, 2).value_or(0));
}

}  // namespace vantrel
