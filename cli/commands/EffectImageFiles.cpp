#include "commands/EffectImageFiles.h"

#include <array>
#include <cstring>

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

}  // namespace

nlohmann::json WriteEffectImageFiles(const CEffectImages& images, const std::string& directory,
                                     const std::string& stem, std::string& reason)
{
    nlohmann::json names = nlohmann::json::object();
    auto write = [&](const CCaptureImage& image, const char* role, const std::string& suffix) {
        const std::string name = stem + "-" + suffix + ".png";
        std::string why;
        if (WriteCapturePng(image, directory + "/" + name, why)) names[role] = name;
        else if (reason.empty()) reason = why;
    };
    constexpr std::array<const char*, 3> kRoles = {"examinee", "reference", "initial"};
    for (std::size_t slot = 0; slot < images.captures.size(); ++slot)
        if (images.captures[slot]) write(*images.captures[slot], kRoles[slot], kRoles[slot]);
    if (auto change = GreyAsCapture(images.examineeChange)) write(*change, "examinee_change", "examinee-change");
    if (auto change = GreyAsCapture(images.referenceChange)) write(*change, "reference_change", "reference-change");
    return names;
}

}  // namespace vantrel::cli::commands
