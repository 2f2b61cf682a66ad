#include "commands/EffectImageFiles.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include "batch/Fnv1a64.h"
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

// A name that only images with the same pixels share.
std::string ContentName(const CCaptureImage& image)
{
    batch::CFnv1a64 hash;
    hash.Add(std::to_string(image.BitsPerPixel()));
    hash.AddWords(std::string_view(reinterpret_cast<const char*>(image.Pixels()), image.ByteCount()));
    return "capture-" + hash.Hex() + ".png";
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
    // Images named by their pixels are written once: the key's into the shared folder, and an
    // examinee's capture, which each of its effect criteria compares again, into its own.
    auto writeOnce = [&](const CCaptureImage& image, const char* role, const std::string& folder,
                         const std::string& fromExaminee) {
        const std::string name = ContentName(image);
        std::string why;
        if (WriteSharedOnce(image, folder, name, why)) names[role] = fromExaminee + name;
        else if (reason.empty()) reason = why;
    };
    // Only this worker writes the examinee's folder, so a capture goes there directly.
    auto writeOwnOnce = [&](const CCaptureImage& image, const char* role) {
        const std::string name = ContentName(image);
        std::string why;
        std::error_code error;
        if (std::filesystem::exists(folders.examinee + "/" + name, error) ||
            WriteCapturePng(image, folders.examinee + "/" + name, why))
            names[role] = name;
        else if (reason.empty()) reason = why;
    };
    const bool shared = !folders.shared.empty();
    auto writeKeys = [&](const CCaptureImage& image, const char* role, const std::string& suffix) {
        if (shared) writeOnce(image, role, folders.shared, folders.sharedFromExaminee + "/");
        else write(image, role, suffix);
    };
    constexpr std::array<const char*, 3> kRoles = {"examinee", "reference", "initial"};
    for (std::size_t slot = 0; slot < images.captures.size(); ++slot) {
        if (!images.captures[slot]) continue;
        if (slot != 0) writeKeys(*images.captures[slot], kRoles[slot], kRoles[slot]);
        else if (shared) writeOwnOnce(*images.captures[slot], kRoles[slot]);
        else write(*images.captures[slot], kRoles[slot], kRoles[slot]);
    }
    if (auto change = GreyAsCapture(images.examineeChange)) write(*change, "examinee_change", "examinee-change");
    // The reference's change from the starting image is the same for every examinee.
    if (auto change = GreyAsCapture(images.referenceChange)) writeKeys(*change, "reference_change", "reference-change");
    return names;
}

}  // namespace vantrel::cli::commands
