#include "grading/AnswerKeyWalk.h"

#include <algorithm>

#include "text/CodePage.h"
#include "text/WhiteSpace.h"

namespace vantrel::grading {

namespace {

constexpr std::size_t kLastLineIndex = 1000;  // lines beyond index 1000 take no part

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

std::size_t KeyLineCount(const std::string& text)
{
    return FindLines(text, 0).count;
}

std::string KeyLineAt(const std::string& text, std::size_t index)
{
    const auto lines = FindLines(text, index + 1);
    return index < lines.kept.size() ? ExtractLine(text, lines.kept[index]) : std::string();
}

CKeyWalk WalkAnswerKey(const std::string& text, IAnswerKeyVisitor& visitor)
{
    const KeyLines keyLines = FindLines(text, kLastLineIndex + 1);
    const auto& lines = keyLines.kept;
    CKeyWalk walk;
    walk.lineCount = keyLines.count;
    if (keyLines.count < 2) return walk;

    CKeyBlockLines block;
    bool blockOpen = false;
    auto endOpenBlock = [&] {
        if (!blockOpen) return;
        blockOpen = false;
        visitor.OnBlockEnd(block);
    };

    std::size_t index = 0;
    while (index < keyLines.count && index <= kLastLineIndex) {
        const int lineIndex = static_cast<int>(index);
        std::string line = ExtractLine(text, lines[index]);
        text::MakeUpper(line);
        std::string tested = line;
        text::TrimRight(tested);

        if (tested == "&&D&&") {
            visitor.OnLine(lineIndex, KeyLineKind::Skip, tested, blockOpen);
            ++index;
            continue;
        }
        if (StartsWith(tested, "DESTFILE")) {
            visitor.OnLine(lineIndex, KeyLineKind::Document, tested, blockOpen);
            endOpenBlock();
            ++index;
            visitor.OnDocumentLine(lineIndex, tested);
            continue;
        }
        if (StartsWith(tested, "&&")) {
            visitor.OnLine(lineIndex, KeyLineKind::BlockOpener, tested, blockOpen);
            endOpenBlock();
            block.openerLine = lineIndex;
            block.text = std::move(line);
            block.lineStarts.assign(1, {lineIndex, 0});
            blockOpen = true;
        } else {
            visitor.OnLine(lineIndex, KeyLineKind::Content, tested, blockOpen);
            if (blockOpen) {
                block.lineStarts.emplace_back(lineIndex, block.text.size());
                block.text += line;
            }
        }
        ++index;
        if (index == keyLines.count) {
            endOpenBlock();
            break;
        }
    }
    // Trailing skip lines end the text like any other line: the open block still counts.
    if (index == keyLines.count) endOpenBlock();
    walk.linesRead = static_cast<int>(index);
    if (blockOpen) walk.blockLeftOpenLine = block.openerLine;
    return walk;
}

}  // namespace vantrel::grading
