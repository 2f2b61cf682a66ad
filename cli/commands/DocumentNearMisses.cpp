#include "commands/DocumentNearMisses.h"

#include "text/AsciiCase.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace vantrel::cli::commands {

namespace {

// A hand-in folder is hostile: its listing is looked through only this far.
constexpr std::size_t kEntriesLooked = 4096;
constexpr std::size_t kFoldersDescended = 64;

std::string Folded(const std::string& text) { return text::AsciiLowered(text); }

std::string StemOf(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Whether an entry's (folded) name is a likely slip for the wanted (folded) name.
bool IsNearMiss(const std::string& entry, const std::string& wanted)
{
    if (entry == wanted) return true;
    if (entry.size() > wanted.size() + 1 && entry.compare(0, wanted.size(), wanted) == 0 && entry[wanted.size()] == '.')
        return true;
    const std::string stem = StemOf(wanted);
    return stem != wanted && StemOf(entry) == stem;
}

// The near misses directly inside folder, named as seen from the answer folder, and the
// sub-folders to look in next.
void LookIn(const fs::path& folder, const std::string& prefix, const std::string& wanted, std::set<std::string>& seen,
            std::vector<fs::path>* subFolders)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    std::size_t looked = 0;
    for (; !error && entries != fs::directory_iterator() && looked < kEntriesLooked;
         entries.increment(error), ++looked) {
        const fs::path& path = entries->path();
        const std::string name = path.filename().string();
        // Links are not followed: one could lead anywhere, and grading refuses those leading out.
        const bool folder = entries->symlink_status(error).type() == fs::file_type::directory;
        if (IsNearMiss(Folded(name), wanted)) seen.insert(prefix + name + (folder ? "/" : ""));
        if (folder && subFolders && subFolders->size() < kFoldersDescended) subFolders->push_back(path);
    }
}

}  // namespace

std::vector<std::string> NearMissesOf(const std::string& answerFolder, const std::string& name, std::size_t most)
{
    const std::size_t cut = name.find_last_of("/\\");
    const std::string wanted = Folded(cut == std::string::npos ? name : name.substr(cut + 1));
    if (wanted.empty()) return {};
    std::set<std::string> seen;
    std::vector<fs::path> subFolders;
    LookIn(answerFolder, "", wanted, seen, &subFolders);
    for (const fs::path& folder : subFolders) LookIn(folder, folder.filename().string() + "/", wanted, seen, nullptr);
    std::vector<std::string> misses(seen.begin(), seen.end());
    if (misses.size() > most) misses.resize(most);
    return misses;
}

}  // namespace vantrel::cli::commands
