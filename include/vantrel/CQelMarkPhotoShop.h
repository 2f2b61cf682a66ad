#pragma once

// The grader: give it an answer key, the examinee's folder and the examiner's folder, and it
// returns a mark between 0 and 1.

#include "vantrel/Export.h"

class VANTREL_API CQelMarkPhotoShop {
public:
    CQelMarkPhotoShop();
    ~CQelMarkPhotoShop();
    CQelMarkPhotoShop& operator=(const CQelMarkPhotoShop& other);

    // Grades and returns the mark; never lets an exception out (a failure gives 0).
    double GetMark(const char* answerKey, const char* answerDirectory, const char* keyDirectory);
    // Grades and stores the mark; exceptions from grading pass to the caller.
    void MarkPS(const char* answerKey, const char* answerDirectory, const char* keyDirectory);

    // The mark of the last call; undefined before the first one.
    double mark;
};
