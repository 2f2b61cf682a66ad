#pragma once

#include "grading/GradingObserver.h"

namespace vantrel::grading {

// Grades one answer key and returns the mark, telling the observer (if any) of each block.
// Calls are serialised process-wide. Exceptions from grading pass to the caller.
double GradeAnswerKey(const char* answerKey, const char* answerDirectory, const char* keyDirectory,
                      IGradingObserver* observer);

}  // namespace vantrel::grading
