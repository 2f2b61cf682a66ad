#include "commands/EffectImageFiles.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "commands/PngWriter.h"

using vantrel::platform::CCaptureImage;

using vantrel::effects::compare::CEffectImages;

namespace vantrel::cli::commands {

namespace {

// A grey change image as a 32-bit capture, so that the PNG writer shows it as it is.
std::unique_ptr<CCaptureImage> GreyAsCapture(const std::vector<std::uint8_t>& grey)
{
    auto image = std::make_unique<CCaptureImage>(32);
    const std::size_t pixels = static_cast<std::size_t>(image->Width()) * image->Height();
    if (grey.size() != pixels) return nullptr;
    std::uint8_t* out = image->Pixels();
    for (std::size_t i = 0; i < pixels; ++i) std::memset(out + 4 * i, grey[i], 3);
    return image;
}

// A name that only images with the same pixels share: FNV-1a over the pixels eight bytes at a
// time (a capture's rows are whole words), which is eight times quicker than byte by byte.
std::string ContentName(const CCaptureImage& image)
{
    std::uint64_t hash = 0xcbf29ce484222325ull ^ static_cast<std::uint64_t>(image.BitsPerPixel());
    std::size_t i = 0;
    for (std::uint64_t word; i + sizeof word <= image.ByteCount(); i += sizeof word) {
        std::memcpy(&word, image.Pixels() + i, sizeof word);
        hash = (hash ^ word) * 0x100000001b3ull;
        hash ^= hash >> 29;
    }
    for (; i < image.ByteCount(); ++i) hash = (hash ^ image.Pixels()[i]) * 0x100000001b3ull;
    char name[40];
    std::snprintf(name, sizeof name, "capture-%016llx.png", static_cast<unsigned long long>(hash));
    return name;
}

// Writes an image into the shared folder unless it is there already. Workers may write the same
// image at once, so each writes a file of its own and renames it: a reader never sees half.
bool WriteSharedOnce(const CCaptureImage& image, const std::string& folder, const std::string& name,
                     std::string& reason)
{
    const std::string path = folder + "/" + name;
    std::error_code error;
    if (std::filesystem::exists(path, error)) return true;
    const std::string part = path + "." + std::to_string(::getpid()) + ".part";
    if (WriteCapturePng(image, part, reason) && std::rename(part.c_str(), path.c_str()) == 0) return true;
    if (reason.empty()) reason = "cannot write " + path + ": " + std::strerror(errno);
    std::filesystem::remove(part, error);
    return false;
}

}  // namespace

nlohmann::json WriteEffectImageFiles(const CEffectImages& images, const CImageFolders& folders,
                                     const std::string& stem, std::string& reason)
{
    nlohmann::json names = nlohmann::json::object();
    auto write = [&](const CCaptureImage& image, const char* role, const std::string& suffix) {
        const std::string name = stem + "-" + suffix + ".png";
        std::string why;
        if (WriteCapturePng(image, folders.examinee + "/" + name, why)) names[role] = name;
        else if (reason.empty()) reason = why;
    };
    auto writeShared = [&](const CCaptureImage& image, const char* role) {
        const std::string name = ContentName(image);
        std::string why;
        if (WriteSharedOnce(image, folders.shared, name, why)) names[role] = folders.sharedFromExaminee + "/" + name;
        else if (reason.empty()) reason = why;
    };
    constexpr std::array<const char*, 3> kRoles = {"examinee", "reference", "initial"};
    for (std::size_t slot = 0; slot < images.captures.size(); ++slot) {
        if (!images.captures[slot]) continue;
        if (slot == 0 || folders.shared.empty()) write(*images.captures[slot], kRoles[slot], kRoles[slot]);
        else writeShared(*images.captures[slot], kRoles[slot]);
    }
    if (auto change = GreyAsCapture(images.examineeChange)) write(*change, "examinee_change", "examinee-change");
    if (auto change = GreyAsCapture(images.referenceChange)) write(*change, "reference_change", "reference-change");
    return names;
}

}  // namespace vantrel::cli::commands
