// Writes the documents of the example exam: the starting image and the examiner's result in
// keys/, and two examinees' answers in answers/alice and answers/bob.

#include <cmath>
#include <filesystem>
#include <iostream>

#include "PsdWriter.h"

namespace {

using vantrel::testing::PsdSpec;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Sun {
    double x, y, radius;
};

// A landscape: sky above a green field, with an optional sun. The task was to add the sun.
PsdSpec Landscape(int width, int height, const Sun* sun)
{
    PsdSpec psd{.width = width, .height = height, .channels = 3, .colorMode = 3, .rle = true};
    vantrel::testing::FillPlanes(psd, [&](int c, int x, int y) {
        const double fy = static_cast<double>(y) / height;
        int rgb[3];
        if (fy < 0.6) {
            rgb[0] = static_cast<int>(90 + 100 * fy);
            rgb[1] = static_cast<int>(150 + 80 * fy);
            rgb[2] = 235;
        } else {
            rgb[0] = 60;
            rgb[1] = static_cast<int>(170 - 60 * (fy - 0.6));
            rgb[2] = 50;
        }
        if (sun) {
            const double dx = x - sun->x * width;
            const double dy = y - sun->y * height;
            if (std::sqrt(dx * dx + dy * dy) < sun->radius * height) {
                rgb[0] = 255;
                rgb[1] = 215;
                rgb[2] = 40;
            }
        }
        return rgb[c];
    });
    return psd;
}

void Write(const std::filesystem::path& path, const PsdSpec& psd)
{
    std::filesystem::create_directories(path.parent_path());
    vantrel::testing::WriteFile(path.string(), vantrel::testing::WritePsd(psd));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_example_exam OUTPUT_DIR\n";
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const Sun examinersSun{0.75, 0.22, 0.12};
    const Sun alicesSun{0.73, 0.24, 0.115};
    try {
        Write(root / "keys" / "start1.psd", Landscape(kWidth, kHeight, nullptr));
        Write(root / "keys" / "result1.psd", Landscape(kWidth, kHeight, &examinersSun));
        Write(root / "answers" / "alice" / "Answer1.psd", Landscape(kWidth, kHeight, &alicesSun));
        // Bob resized the image and added no sun.
        Write(root / "answers" / "bob" / "Answer1.psd", Landscape(600, 480, nullptr));
    } catch (const std::exception& error) {
        std::cerr << "make_example_exam: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
