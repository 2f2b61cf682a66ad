#include "batch/ClassRoster.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "batch/Fnv1a64.h"

namespace vantrel::cli::batch {

namespace {

namespace fs = std::filesystem;

bool ParseCount(std::string_view text, std::size_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

bool ListExaminees(const std::string& root, std::vector<CExaminee>& examinees, std::vector<std::string>& passedOver,
                   std::string& reason)
{
    std::error_code error;
    fs::directory_iterator entries(root, error);
    if (error) {
        reason = "cannot list " + root + ": " + error.message();
        return false;
    }
    examinees.clear();
    passedOver.clear();
    for (const fs::directory_entry& entry : entries) {
        std::error_code statError;
        if (!entry.is_directory(statError)) continue;
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") || name == "__MACOSX") passedOver.push_back(name);
        else examinees.push_back({name, entry.path().string()});
    }
    std::sort(examinees.begin(), examinees.end(), [](const CExaminee& a, const CExaminee& b) { return a.name < b.name; });
    std::sort(passedOver.begin(), passedOver.end());
    return true;
}

bool ParseShard(const std::string& text, CShard& shard)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    return ParseCount(std::string_view(text).substr(0, slash), shard.index) &&
           ParseCount(std::string_view(text).substr(slash + 1), shard.count) && shard.count > 0 &&
           shard.index < shard.count;
}

std::vector<CExaminee> TakeShard(const std::vector<CExaminee>& examinees, CShard shard)
{
    std::vector<CExaminee> taken;
    for (std::size_t i = shard.index; i < examinees.size(); i += shard.count) taken.push_back(examinees[i]);
    return taken;
}

std::string HashOfKey(const std::string& key)
{
    CFnv1a64 hash;
    hash.Add(key);
    return "fnv1a64:" + hash.Hex();
}

bool HashOfKeyFolder(const std::string& folder, std::string& hash, std::string& reason)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) {
        reason = "cannot list " + folder + ": " + error.message();
        return false;
    }
    std::vector<std::string> listing;
    for (const fs::directory_entry& entry : entries) {
        std::error_code sizeError;
        const auto size = entry.is_regular_file(sizeError) ? entry.file_size(sizeError) : 0;
        listing.push_back(entry.path().filename().string() + '\0' + std::to_string(sizeError ? 0 : size));
    }
    std::sort(listing.begin(), listing.end());
    CFnv1a64 fnv;
    for (const std::string& line : listing) fnv.Add(line), fnv.Add("\n");
    hash = "fnv1a64:" + fnv.Hex();
    return true;
}

std::string SafeFileStem(const std::string& name)
{
    std::string stem;
    for (unsigned char c : name.substr(0, 40))
        stem += std::isalnum(c) || c == '-' || c == '_' || c == '.' ? static_cast<char>(c) : '_';
    if (stem.empty() || stem[0] == '.') stem.insert(0, "_");
    CFnv1a64 hash;
    hash.Add(name);
    return stem + "-" + hash.Hex().substr(0, 8);
}

}  // namespace vantrel::cli::batch
