#include <algorithm>
#include <climits>
#include <utility>

#include "grading/AnswerKeyWalk.h"
#include "grading/MarkSession.h"

namespace vantrel::grading {

namespace {

// Scores each block the walk hands on against the document open when it ends.
class CScoringVisitor : public IAnswerKeyVisitor {
public:
    explicit CScoringVisitor(CMarkSession& session) : session_(session) {}

    void OnBlockEnd(CKeyBlockLines& block) override
    {
        if (!session_.observer) {
            session_.runningScore += session_.EvaluateBlock(block.text);
            return;
        }
        CBlockReport report;
        report.lineNumber = block.openerLine + 1;
        session_.currentBlock = &report;
        struct ClearCurrent {
            CBlockReport*& block;
            ~ClearCurrent() { block = nullptr; }
        } clear{session_.currentBlock};
        report.score = session_.EvaluateBlock(block.text);
        session_.runningScore += report.score;
        session_.observer->OnBlockScored(report);
    }

    void OnDocumentLine(int index, const std::string& tested) override
    {
        session_.CloseDocument();
        session_.OpenDestFile(tested);
        if (session_.observer)
            session_.observer->OnDocumentOpened({index + 1, session_.documentFileName, session_.documentAccess});
    }

private:
    CMarkSession& session_;
};

}  // namespace

int CMarkSession::CountLines(const std::string& text) const
{
    return static_cast<int>(std::min<std::size_t>(KeyLineCount(text), INT_MAX));
}

void CMarkSession::GetLine(const std::string& text, int index, std::string& line) const
{
    line.clear();
    if (index < 0) return;
    line = KeyLineAt(text, static_cast<std::size_t>(index));
}

double CMarkSession::RunAnswerKey(std::string text)
{
    answerKeyText = std::move(text);
    runningScore = 0;
    documentHandle = -1;

    CScoringVisitor scoring(*this);
    WalkAnswerKey(answerKeyText, scoring);

    CloseDocument();
    return runningScore;
}

}  // namespace vantrel::grading
