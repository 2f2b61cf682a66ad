#pragma once

#include <string>
#include <vector>

#include "PsdWriter.h"
#include "TempDirectory.h"

namespace vantrel::testing {

// An answer folder and a key folder under a fresh temporary directory.
class ExamFolders {
public:
    ExamFolders();

    std::string AnswerDirectory() const { return answers_; }
    std::string KeyDirectory() const { return keys_; }

    // Writes an RGB document of the given size whose pixels come from a function of (x, y).
    void WriteAnswer(const std::string& name, const PsdSpec& psd) const;
    void WriteKey(const std::string& name, const PsdSpec& psd) const;
    void WriteAnswerBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

    double Grade(const std::string& answerKey) const;

private:
    TempDirectory root_;
    std::string answers_;
    std::string keys_;
};

// Joins lines with CR LF, as answer keys are written.
std::string AnswerKey(const std::vector<std::string>& lines);

// An 8-bit RGB document of width x height; pixel (x, y) has colour rgb(x, y) packed 0xRRGGBB.
template <typename F>
PsdSpec RgbDocument(int width, int height, F rgb, bool rle = true)
{
    PsdSpec psd;
    psd.width = width;
    psd.height = height;
    psd.channels = 3;
    psd.colorMode = 3;
    psd.rle = rle;
    FillPlanes(psd, [&](int c, int x, int y) { return (rgb(x, y) >> (16 - 8 * c)) & 0xFF; });
    return psd;
}

inline PsdSpec HeaderOnly(int width, int height, int channels, int colorMode)
{
    PsdSpec psd;
    psd.width = width;
    psd.height = height;
    psd.channels = channels;
    psd.colorMode = colorMode;
    return psd;
}

}  // namespace vantrel::testing
