#pragma once

#include <string>

namespace vantrel::testing {

// A generated class for batch grading: ROOT/exam.key, ROOT/keys/ (R.PSD the examiner's result,
// S.PSD the starting image) and ROOT/answers/NNN/A.PSD for each examinee, the sun of each
// examinee's scene a little further from the reference's, so marks differ. The key has two
// property blocks and three effect blocks (whole with a starting image, whole, partial).
struct ClassExamSpec {
    int examinees = 10;
    int width = 800;
    int height = 600;
    int effectBlocks = 3;  // 1: EFFECT with a starting image; 2: and PARTEFFECT; 3: and EFFECT without one
};

void WriteClassExam(const std::string& root, const ClassExamSpec& shape);

// The folder name of examinee i: zero-padded, so that name order is number order.
std::string ExamineeName(int index);

}  // namespace vantrel::testing
