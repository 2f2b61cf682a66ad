// Writes a generated class for `vantrel batch`:
// make_class_exam ROOT [EXAMINEES [WIDTH HEIGHT [EFFECT_BLOCKS]]].

#include <cstdlib>
#include <exception>
#include <iostream>

#include "ClassExam.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 6) {
        std::cerr << "usage: make_class_exam ROOT [EXAMINEES [WIDTH HEIGHT [EFFECT_BLOCKS]]]\n";
        return 2;
    }
    vantrel::testing::ClassExamSpec shape;
    if (argc >= 3) shape.examinees = std::atoi(argv[2]);
    if (argc >= 5) shape.width = std::atoi(argv[3]), shape.height = std::atoi(argv[4]);
    if (argc >= 6) shape.effectBlocks = std::atoi(argv[5]);
    if (shape.examinees < 1 || shape.width < 8 || shape.height < 8 || shape.effectBlocks < 1 ||
        shape.effectBlocks > 3) {
        std::cerr << "make_class_exam: the class needs at least one examinee, 8 x 8 documents and 1 to 3 effect "
                     "blocks\n";
        return 2;
    }
    try {
        vantrel::testing::WriteClassExam(argv[1], shape);
    } catch (const std::exception& error) {
        std::cerr << "make_class_exam: " << error.what() << "\n";
        return 1;
    }
    std::cout << argv[1] << ": " << shape.examinees << " examinees, " << shape.width << " x " << shape.height << "\n";
    return 0;
}
