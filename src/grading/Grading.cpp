#include "grading/Grading.h"

#include <mutex>
#include <string>

#include "grading/MarkSession.h"

namespace vantrel::grading {

namespace {

// The automation driver and the window-search state are module-wide, so grading calls from
// several threads take turns.
std::mutex theGradingLock;

std::string WithTrailingBackslash(const char* directory)
{
    std::string text = directory ? directory : "";
    if (text.empty() || text.back() != '\\') text += '\\';
    return text;
}

}  // namespace

double GradeAnswerKey(const char* answerKey, const char* answerDirectory, const char* keyDirectory,
                      IGradingObserver* observer)
{
    std::lock_guard<std::mutex> lock(theGradingLock);
    CMarkSession session(WithTrailingBackslash(answerDirectory), WithTrailingBackslash(keyDirectory));
    session.observer = observer;
    const double sum = session.RunAnswerKey(answerKey ? answerKey : "");
    const double mark = sum * 0.1;
    if (!(mark > 0)) return 0;
    return mark >= 1 ? 1 : mark;
}

}  // namespace vantrel::grading
