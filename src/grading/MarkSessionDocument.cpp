// The session's examinee document and its property criteria.

#include "document/DestFile.h"
#include "grading/MarkSession.h"

using vantrel::document::CompareOp;

namespace vantrel::grading {

void CMarkSession::OpenDestFile(const std::string& line)
{
    documentHandle = -1;
    documentFileName.clear();
    documentAccess = document::DocumentAccess::NameTooLong;
    const std::optional<std::string> name = document::DocumentNameOf(line);
    if (!name) return;
    documentFileName = *name;
    documentHandle =
        document::OpenAnswerDocument(platform::ActivePlatform().Files(), answerDirectory, *name, &documentAccess);
    if (documentHandle != -1) ReadPsdHeader();
}

void CMarkSession::ReadPsdHeader()
{
    psdHeader = document::ReadPsdHeader(platform::ActivePlatform().Files(), documentHandle);
}

void CMarkSession::CloseDocument()
{
    if (documentHandle != -1) platform::ActivePlatform().Files().Close(documentHandle);
    documentHandle = -1;
}

bool CMarkSession::EvaluatePropertyCriterion(const std::string& name, std::string& arguments)
{
    // An observed block keeps what each comparison saw in the criterion being evaluated.
    std::vector<document::CComparisonOutcome>* seen =
        currentBlock && !currentBlock->outcomes.empty() ? &currentBlock->outcomes.back().comparisons : nullptr;
    return document::EvaluatePropertyCriterion(psdHeader, name, arguments, seen);
}

bool CMarkSession::EvaluateComparison(const std::string& name, const std::string& token)
{
    return document::EvaluateComparison(psdHeader, name, token);
}

bool CMarkSession::CheckImageProperty(const std::string& key, const std::string& value, CompareOp op)
{
    return document::CheckImageProperty(psdHeader, key, value, op);
}

bool CMarkSession::CheckLayerProperty(const std::string& key, const std::string& value, CompareOp op)
{
    return document::CheckLayerProperty(key, value, op);
}

}  // namespace vantrel::grading
