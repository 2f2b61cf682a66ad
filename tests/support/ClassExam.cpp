#include "ClassExam.h"

#include <cstdio>
#include <filesystem>

#include "ExamFolders.h"
#include "PsdWriter.h"

namespace vantrel::testing {

namespace {

// Gradients, a sun whose centre moves with shift, and a little noise so that RLE does real work.
PsdSpec Scene(const ClassExamSpec& spec, int shift, bool withSun)
{
    std::uint32_t seed = 12345;
    const int radius = spec.height * 3 / 20;
    return RgbDocument(spec.width, spec.height, [&](int x, int y) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 29);
        const int dx = x - spec.width * 5 / 8 - shift, dy = y - spec.height / 3;
        if (withSun && dx * dx + dy * dy < radius * radius) return 0xF8D020u;
        const int r = (x * 200 / spec.width + noise) & 0xFF, g = (120 + y * 100 / spec.height) & 0xFF,
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

void WriteClassExam(const std::string& root, const ClassExamSpec& spec)
{
    std::filesystem::create_directories(root + "/keys");
    const std::string key = AnswerKey({"DESTFILE=A.PSD",
                                       "&&2 IMAGE(WIDTH=" + std::to_string(spec.width) +
                                           " HEIGHT=" + std::to_string(spec.height) + ")",
                                       "&&1 IMAGE(COLORMODE=RGB CHANNEL=3)",
                                       "&&3 EFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)",
                                       "&&2 EFFECT(SOURCEFILE=R.PSD)",
                                       "&&2 PARTEFFECT(SOURCEFILE=R.PSD INIFILE=S.PSD)"});
    WriteFile(root + "/exam.key", std::vector<std::uint8_t>(key.begin(), key.end()));
    WriteFile(root + "/keys/R.PSD", WritePsd(Scene(spec, 0, true)));
    WriteFile(root + "/keys/S.PSD", WritePsd(Scene(spec, 0, false)));
    for (int i = 0; i < spec.examinees; ++i) {
        const std::string folder = root + "/answers/" + ExamineeName(i);
        std::filesystem::create_directories(folder);
        // Every seventh examinee hands in the starting image untouched.
        const int shift = (i * 37) % (spec.width / 3);
        WriteFile(folder + "/A.PSD", WritePsd(Scene(spec, shift, i % 7 != 3)));
    }
}

}  // namespace vantrel::testing
