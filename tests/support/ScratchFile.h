#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "PsdWriter.h"

namespace vantrel::testing {

// A file in the temporary directory holding the given bytes, removed again when the object
// goes out of scope.
class CScratchFile {
public:
    explicit CScratchFile(const std::vector<std::uint8_t>& bytes)
    {
        static std::atomic<unsigned> counter{0};
        const auto name = "vantrel-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++);
        path_ = (std::filesystem::temp_directory_path() / name).string();
        WriteFile(path_, bytes);
    }
    ~CScratchFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    CScratchFile(const CScratchFile&) = delete;
    CScratchFile& operator=(const CScratchFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace vantrel::testing
