#include "vantrel/CQelMarkPhotoShop.h"

#include "grading/Grading.h"

CQelMarkPhotoShop::CQelMarkPhotoShop() {}

CQelMarkPhotoShop::~CQelMarkPhotoShop() {}

CQelMarkPhotoShop& CQelMarkPhotoShop::operator=(const CQelMarkPhotoShop& other)
{
    mark = other.mark;
    return *this;
}

void CQelMarkPhotoShop::MarkPS(const char* answerKey, const char* answerDirectory, const char* keyDirectory)
{
    mark = 0;
    mark = vantrel::grading::GradeAnswerKey(answerKey, answerDirectory, keyDirectory, nullptr);
}

double CQelMarkPhotoShop::GetMark(const char* answerKey, const char* answerDirectory, const char* keyDirectory)
{
    mark = 0;
    try {
        MarkPS(answerKey, answerDirectory, keyDirectory);
    } catch (...) {
    }
    return mark;
}
