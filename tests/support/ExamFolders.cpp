#include "ExamFolders.h"

#include <filesystem>

#include "vantrel/CQelMarkPhotoShop.h"

namespace vantrel::testing {

ExamFolders::ExamFolders()
    : answers_((root_.Path() / "answers").string()), keys_((root_.Path() / "keys").string())
{
    std::filesystem::create_directories(answers_);
    std::filesystem::create_directories(keys_);
}

void ExamFolders::WriteAnswer(const std::string& name, const PsdSpec& psd) const
{
    WriteFile(answers_ + "/" + name, WritePsd(psd));
}

void ExamFolders::WriteKey(const std::string& name, const PsdSpec& psd) const
{
    WriteFile(keys_ + "/" + name, WritePsd(psd));
}

void ExamFolders::WriteAnswerBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    WriteFile(answers_ + "/" + name, bytes);
}

double ExamFolders::Grade(const std::string& answerKey) const
{
    CQelMarkPhotoShop grader;
    return grader.GetMark(answerKey.c_str(), answers_.c_str(), keys_.c_str());
}

std::string AnswerKey(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace vantrel::testing
