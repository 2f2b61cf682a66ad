#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::grading {

// The kinds of answer-key line, tested in this order.
enum class KeyLineKind { Skip, Document, BlockOpener, Content };

// A scoring block as the interpreter hands it on: its lines joined, upper-cased, each with the
// trailing blank that its CR left, and where each of those lines begins in the joined text.
struct CKeyBlockLines {
    int openerLine = 0;  // 0-based line index
    std::string text;
    std::vector<std::pair<int, std::size_t>> lineStarts;  // (line index, offset in text)
};

// Told of the key's lines as the interpreter reads them: grading scores each block it is
// handed, the key check looks at everything. Order: a block ends before the document line
// that ends it.
class IAnswerKeyVisitor {
public:
    virtual ~IAnswerKeyVisitor() = default;
    // Every line read: its kind, its upper-cased text without white space at either end, and
    // whether a block was open when it came.
    virtual void OnLine(int /*index*/, KeyLineKind /*kind*/, const std::string& /*tested*/, bool /*inBlock*/) {}
    virtual void OnBlockEnd(CKeyBlockLines& block) = 0;
    virtual void OnDocumentLine(int index, const std::string& tested) = 0;
};

// How far a walk read the key.
struct CKeyWalk {
    std::size_t lineCount = 0;    // lines of the key, CR LF pairs ending them
    int linesRead = 0;            // of those, the lines that took part
    int blockLeftOpenLine = -1;   // the opener of a block the line limit left unscored, or -1
};

// Reads the key as grading does: CR LF lines, at most the first 1001, and nothing when the
// key has fewer than two lines.
CKeyWalk WalkAnswerKey(const std::string& text, IAnswerKeyVisitor& visitor);

// The number of CR LF lines of a text, and one line as the interpreter takes it: CR and LF
// made blanks, leading white space removed; empty past the last line.
std::size_t KeyLineCount(const std::string& text);
std::string KeyLineAt(const std::string& text, std::size_t index);

}  // namespace vantrel::grading
