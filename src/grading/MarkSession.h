#pragma once

#include <array>
#include <memory>
#include <string>

#include "document/DestFile.h"
#include "document/PropertyCriteria.h"
#include "document/PsdHeader.h"
#include "effects/compare/CaptureSlots.h"
#include "effects/compare/ComparisonBuffers.h"
#include "effects/compare/EffectReport.h"
#include "grading/GradingObserver.h"
#include "platform/Platform.h"

namespace vantrel::grading {

// The grading object of one call: it runs one answer key against one answer directory and
// one key directory, and owns everything that run acquires. Its operations compose the
// document and effects layers; each is a short call into them. Its operations compose the
// document and effects layers; each is a short call into them.
class CMarkSession {
public:
    CMarkSession(std::string answerDirectory, std::string keyDirectory);
    ~CMarkSession();
    CMarkSession(const CMarkSession&) = delete;
    CMarkSession& operator=(const CMarkSession&) = delete;

    // answer-key interpreter
    double RunAnswerKey(std::string text);
    int CountLines(const std::string& text) const;
    void GetLine(const std::string& text, int index, std::string& line) const;

    // scoring blocks
    double EvaluateBlock(std::string& blockText);
    void NormalizeBlanks(std::string& text) const;
    bool NextCriterion(std::string& list, std::string& criterion) const;

    // the examinee's document
    void OpenDestFile(const std::string& line);
    void ReadPsdHeader();
    void CloseDocument();

    // property criteria
    bool EvaluatePropertyCriterion(const std::string& name, std::string& arguments);
    bool EvaluateComparison(const std::string& name, const std::string& token);
    bool CheckImageProperty(const std::string& key, const std::string& value, document::CompareOp op);
    bool CheckLayerProperty(const std::string& key, const std::string& value, document::CompareOp op);

    // effect criteria
    double EvaluateEffect(std::string& arguments, effects::compare::EffectMode mode);
    void ParseEffectArguments(std::string& text, std::string& source, std::string& initial);
    void FindMainWindow();
    // The examinee's document is looked for in the answer directory, the others in the key
    // directory. With reason, the editor's reason when it cannot open the document.
    bool CaptureDocument(const std::string& name, effects::compare::CaptureSlot slot, std::string* reason = nullptr);
    void CaptureWindow(platform::WindowHandle window, effects::compare::CaptureSlot slot);

    // comparisons of the capture slots (0 examinee, 1 reference, 2 initial); a number that
    // names no slot compares as an empty one
    double CompareCaptures(int first, int second) const;
    double ComparePartialCaptures() const;

    // Fields, in this order.
    std::string answerKeyText;
    double runningScore = 0;
    int documentHandle = -1;
    document::CPsdHeader psdHeader;
    std::string documentFileName;
    document::DocumentAccess documentAccess = document::DocumentAccess::NotOpened;  // how the last opening went
    std::string answerDirectory;
    std::string keyDirectory;
    effects::compare::CCaptureSlots captureSlots;
    // The comparisons' working buffers, kept from one comparison to the next of this run.
    mutable effects::compare::CComparisonBufferPool comparisonBuffers;

    // Off unless a caller asks to see each block; see GradingObserver.h.
    IGradingObserver* observer = nullptr;
    CBlockReport* currentBlock = nullptr;  // the block being evaluated, while observed
};

}  // namespace vantrel::grading
