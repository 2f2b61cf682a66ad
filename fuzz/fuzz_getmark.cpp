// Any bytes as an answer key: grading must end with a mark in [0, 1], and the key check with
// findings of one line each, never a crash or hang.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "PsdWriter.h"
#include "grading/AnswerKeyCheck.h"
#include "grading/EditorKeyDocuments.h"
#include "vantrel/CQelMarkPhotoShop.h"

namespace {
std::string theDirectory;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    theDirectory = (std::filesystem::temp_directory_path() / ("vantrel-fuzz-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(theDirectory);
    vantrel::testing::PsdSpec psd;
    psd.width = 64;
    psd.height = 48;
    psd.rle = true;
    vantrel::testing::FillPlanes(psd, [](int c, int x, int y) { return (x * 4 + y * 2 + c * 50) & 0xFF; });
    for (const char* name : {"A.PSD", "R.PSD", "S.PSD"})
        vantrel::testing::WriteFile(theDirectory + "/" + name, vantrel::testing::WritePsd(psd));
    std::atexit([] { std::filesystem::remove_all(theDirectory); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string key(reinterpret_cast<const char*>(data), size);
    CQelMarkPhotoShop grader;
    const double mark = grader.GetMark(key.c_str(), theDirectory.c_str(), theDirectory.c_str());
    if (!(mark >= 0 && mark <= 1)) std::abort();

    vantrel::grading::CEditorKeyDocuments documents(theDirectory);
    const auto findings = vantrel::grading::CheckAnswerKey(
        key, [&](const std::string& name, std::string& reason) { return documents.Open(name, reason); });
    for (const auto& finding : findings)
        if (vantrel::grading::DescribeKeyFinding(finding).find_first_of("\r\n") != std::string::npos) std::abort();
    return 0;
}
