#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel::cli::batch {

// One examinee of a class: a subfolder of the answers root, named by its folder.
struct CExaminee {
    std::string name;
    std::string folder;
};

// Every subfolder of root, in byte order of the names, but for those no examinee hands in:
// hidden folders (a leading dot) and the __MACOSX folder a Mac's zip carries, which go to
// passedOver by name. False with a reason when root cannot be listed.
bool ListExaminees(const std::string& root, std::vector<CExaminee>& examinees, std::vector<std::string>& passedOver,
                   std::string& reason);

// --shard K/N: the examinees whose position in name order is K modulo N.
struct CShard {
    std::size_t index = 0;
    std::size_t count = 1;
};
bool ParseShard(const std::string& text, CShard& shard);
std::vector<CExaminee> TakeShard(const std::vector<CExaminee>& examinees, CShard shard);

// Identities a results file is bound to: the key's bytes, and the key folder's listing (names
// and sizes, in name order), each as "fnv1a64:" and 16 hex digits.
std::string HashOfKey(const std::string& key);
bool HashOfKeyFolder(const std::string& folder, std::string& hash, std::string& reason);

// A name that is safe as a file name and in a URL, unique for each examinee name.
std::string SafeFileStem(const std::string& name);

}  // namespace vantrel::cli::batch
