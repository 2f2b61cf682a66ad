#include "grading/MarkSession.h"

#include <utility>

namespace vantrel::grading {

CMarkSession::CMarkSession(std::string answerDirectory, std::string keyDirectory)
    : answerDirectory(std::move(answerDirectory)), keyDirectory(std::move(keyDirectory))
{
}

CMarkSession::~CMarkSession()
{
    // The document is closed here too, so that no path out of a grading call leaks it.
    CloseDocument();
    for (auto& slot : captureSlots) slot.reset();
}

}  // namespace vantrel::grading
