#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "grading/MarkSession.h"
#include "text/CodePage.h"
#include "text/WhiteSpace.h"

namespace vantrel::grading {

namespace {

constexpr int kLastLineIndex = 1000;  // lines beyond index 1000 take no part

struct LineBounds {
    std::size_t start;
    std::size_t end;  // one past the line's last character (its CR, or the text's last)
};

// The key's line count, and the bounds of at most its first maxKept lines: the lines past
// the last that takes part are counted but never kept, so a huge key costs no more memory
// than its own text. Lines end at the CR of a CR LF pair, which stays with the line, or at
// the text's end.
struct KeyLines {
    std::vector<LineBounds> kept;
    std::size_t count = 0;
};

KeyLines FindLines(const std::string& text, std::size_t maxKept)
{
    KeyLines lines;
    auto add = [&](LineBounds bounds) {
        if (lines.count++ < maxKept) lines.kept.push_back(bounds);
    };
    std::size_t start = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') {
            add({start, p + 1});
            start = p + 2;
        } else if (p + 1 == text.size()) {
            add({start, std::max(start, p + 1)});
        }
    }
    return lines;
}

std::string ExtractLine(const std::string& text, LineBounds bounds)
{
    std::string line = text.substr(bounds.start, bounds.end - bounds.start);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    text::TrimLeft(line);
    return line;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

int CMarkSession::CountLines(const std::string& text) const
{
    return static_cast<int>(std::min<std::size_t>(FindLines(text, 0).count, INT_MAX));
}

void CMarkSession::GetLine(const std::string& text, int index, std::string& line) const
{
    line.clear();
    if (index < 0) return;
    const auto lines = FindLines(text, static_cast<std::size_t>(index) + 1);
    if (static_cast<std::size_t>(index) < lines.kept.size()) line = ExtractLine(text, lines.kept[index]);
}

double CMarkSession::RunAnswerKey(std::string text)
{
    answerKeyText = std::move(text);
    runningScore = 0;
    documentHandle = -1;

    const KeyLines keyLines = FindLines(answerKeyText, kLastLineIndex + 1);
    const auto& lines = keyLines.kept;
    const int lineCount = static_cast<int>(std::min<std::size_t>(keyLines.count, INT_MAX));
    if (lineCount < 2) return 0;

    std::string blockText;
    bool blockOpen = false;
    int blockLine = 0;
    auto scoreOpenBlock = [&] {
        if (!blockOpen) return;
        blockOpen = false;
        if (!observer) {
            runningScore += EvaluateBlock(blockText);
            return;
        }
        CBlockReport report;
        report.lineNumber = blockLine + 1;
        currentBlock = &report;
        struct ClearCurrent {
            CBlockReport*& block;
            ~ClearCurrent() { block = nullptr; }
        } clear{currentBlock};
        report.score = EvaluateBlock(blockText);
        runningScore += report.score;
        observer->OnBlockScored(report);
    };

    int index = 0;
    while (index < lineCount && index <= kLastLineIndex) {
        std::string line = ExtractLine(answerKeyText, lines[index]);
        text::MakeUpper(line);
        std::string tested = line;
        text::TrimRight(tested);

        if (tested == "&&D&&") {
            ++index;
            continue;
        }
        if (StartsWith(tested, "DESTFILE")) {
            scoreOpenBlock();
            CloseDocument();
            ++index;
            OpenDestFile(tested);
            continue;
        }
        if (StartsWith(tested, "&&")) {
            scoreOpenBlock();
            blockText = std::move(line);
            blockOpen = true;
            blockLine = index;
        } else if (blockOpen) {
            blockText += line;
        }
        ++index;
        if (index == lineCount) {
            scoreOpenBlock();
            break;
        }
    }
    // Trailing skip lines end the text like any other line: the open block still counts.
    if (index == lineCount) scoreOpenBlock();

    CloseDocument();
    return runningScore;
}

}  // namespace vantrel::grading
