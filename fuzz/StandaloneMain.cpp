// Replays a fuzz target's inputs without libFuzzer: every file named on the command line, and
// every file directly in each folder named, goes once through LLVMFuzzerTestOneInput. A
// target refuses bad input by returning; a crash aborts the process, and so fails the replay.
// A path that does not exist fails too, so that a misspelt folder cannot pass by replaying
// nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Only some targets prepare anything once.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// Files directly in a folder, sorted so that every run replays in the same order; names
// starting with a dot (a placeholder that keeps an empty folder in git) are not inputs.
bool CollectInputs(const std::filesystem::path& path, std::vector<std::filesystem::path>& inputs)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!std::filesystem::is_directory(path, error)) return false;
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file() && entry.path().filename().string().front() != '.') found.push_back(entry.path());
    if (error) return false;
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

// Into a buffer of exactly the file's size, as libFuzzer hands inputs over, so that the
// sanitizers catch a read one byte past the end.
bool ReadWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::ifstream in(path, std::ios::binary);
    if (error || !in) return false;
    bytes = std::vector<std::uint8_t>(static_cast<std::size_t>(size));
    return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)));
}

}  // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!CollectInputs(argv[i], inputs)) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
    }
    std::vector<std::uint8_t> bytes;
    for (const auto& input : inputs) {
        if (!ReadWhole(input, bytes)) {
            std::fprintf(stderr, "%s: cannot be read\n", input.string().c_str());
            return 2;
        }
        // Named before it runs: a crash's report then says which input it was.
        std::fprintf(stderr, "replaying %s\n", input.string().c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
