#include "ClassExam.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ExamFolders.h"
#include "PsdWriter.h"

namespace vantrel::testing {

namespace {

// Gradients, a sun whose centre moves with shift, and a little noise so that RLE does real work.
PsdSpec Scene(const ClassExamSpec& shape, int shift, bool withSun)
{
    std::uint32_t seed = 12345;
    const int radius = shape.height * 3 / 20;
    return RgbDocument(shape.width, shape.height, [&](int x, int y) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 29);
        const int dx = x - shape.width * 5 / 8 - shift, dy = y - shape.height / 3;
        if (withSun && dx * dx + dy * dy < radius * radius) return 0xF8D020u;
        const int r = (x * 200 / shape.width + noise) & 0xFF, g = (120 + y * 100 / shape.height) & 0xFF,
                  b = (230 - noise) & 0xFF;
        return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    });
}

}  // namespace

std::string ExamineeName(int index)
{
    char name[16];
    std::snprintf(name, sizeof name, "%03d", index);
    return name;
}

void WriteClassExam(const std::string& root, const ClassExamSpec& shape)
{
    std::filesystem::create_directories(root + "/keys");
    std::vector<std::string> lines = {"DESTFILE=A.PSD",
                                      "&&2 IMAGE(WIDTH=" + std::to_string(shape.width) +
                                          " HEIGHT=" + std::to_string(shape.height) + ")",
                                      "&&1 IMAGE(COLORMODE=RGB CHANNEL=3)",
                                      "&&3 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"};
    if (shape.effectBlocks >= 3) lines.push_back("&&2 EFFECT(SOURCEFILE=R.PSD)");
    if (shape.effectBlocks >= 2) lines.push_back("&&2 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)");
    const std::string key = AnswerKey(lines);
    WriteFile(root + "/exam.key", std::vector<std::uint8_t>(key.begin(), key.end()));
    WriteFile(root + "/keys/R.PSD", WritePsd(Scene(shape, 0, true)));
    WriteFile(root + "/keys/S.PSD", WritePsd(Scene(shape, 0, false)));
    for (int i = 0; i < shape.examinees; ++i) {
        const std::string folder = root + "/answers/" + ExamineeName(i);
        std::filesystem::create_directories(folder);
        // Every seventh examinee hands in the starting image untouched.
        const int shift = (i * 37) % (shape.width / 3);
        WriteFile(folder + "/A.PSD", WritePsd(Scene(shape, shift, i % 7 != 3)));
    }
}

}  // namespace vantrel::testing
