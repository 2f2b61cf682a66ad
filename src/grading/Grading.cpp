#include "grading/Grading.h"

#include <mutex>
#include <string>

#include "grading/MarkSession.h"

namespace vantrel::grading {

namespace {

// The automation driver and the window-search state are module-wide, so grading calls from
// several threads take turns.
std::mutex theGradingLock;
// Whether this thread is inside a grading call: a host may call again from a window procedure
// while the first call's message box runs its modal loop.
thread_local bool theThreadIsGrading = false;

// Marks this thread as grading for as long as it lives.
class CGradingOnThisThread {
public:
    CGradingOnThisThread() { theThreadIsGrading = true; }
    CGradingOnThisThread(const CGradingOnThisThread&) = delete;
    CGradingOnThisThread& operator=(const CGradingOnThisThread&) = delete;
    ~CGradingOnThisThread() { theThreadIsGrading = false; }
};

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
    // A call made again on the same thread, from inside the first, gives 0 at once: it cannot
    // wait for the lock, since the first call can go on only once this one returns, and it
    // cannot grade, since the first call is using the module-wide editor session.
    if (theThreadIsGrading) return 0;
    std::lock_guard<std::mutex> lock(theGradingLock);
    CGradingOnThisThread grading;
    CMarkSession session(WithTrailingBackslash(answerDirectory), WithTrailingBackslash(keyDirectory));
    session.observer = observer;
    const double sum = session.RunAnswerKey(answerKey ? answerKey : "");
    const double mark = sum * 0.1;
    if (!(mark > 0)) return 0;
    return mark >= 1 ? 1 : mark;
}

}  // namespace vantrel::grading
