#include "grading/EditorKeyDocuments.h"

#include <utility>

#include "effects/session/HostControl.h"

namespace vantrel::grading {

CEditorKeyDocuments::CEditorKeyDocuments(std::string keyDirectory) : keyDirectory_(std::move(keyDirectory))
{
    // Paths from the key are joined as grading joins them.
    if (keyDirectory_.empty() || keyDirectory_.back() != '\\') keyDirectory_ += '\\';
}

CEditorKeyDocuments::~CEditorKeyDocuments()
{
    if (!started_) return;
    try {
        editor_.End();
    } catch (const platform::AutomationError&) {
    }
}

bool CEditorKeyDocuments::Started(std::string& reason)
{
    if (!started_ && startFailure_.empty()) {
        try {
            started_ = editor_.Start();
            if (started_) effects::session::FindMainWindow();
        } catch (const platform::AutomationError& error) {
            startFailure_ = std::string("the editor failed: ") + error.what();
        }
        if (!started_ && startFailure_.empty()) startFailure_ = "the editor cannot be started";
        if (started_ && !editor_.HasMainWindow()) startFailure_ = "the editor shows no main window";
    }
    reason = startFailure_;
    return startFailure_.empty();
}

bool CEditorKeyDocuments::Open(const std::string& name, std::string& reason)
{
    if (!Started(reason)) return false;
    return effects::session::CaptureDocument(keyDirectory_, name, capture_, &reason);
}

}  // namespace vantrel::grading
