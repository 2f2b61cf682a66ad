#pragma once

#include <string>

#include "effects/compare/CaptureSlots.h"
#include "effects/session/EditorSession.h"

namespace vantrel::cli::commands {

// Captures documents exactly as an effect criterion does: the build's own platform, with the
// built-in studio as the editor, driven by the same editor session that grading uses.
class CDocumentCaptures {
public:
    // Sets the display depth and starts the editor.
    explicit CDocumentCaptures(int bitsPerPixel);
    ~CDocumentCaptures();
    CDocumentCaptures(const CDocumentCaptures&) = delete;
    CDocumentCaptures& operator=(const CDocumentCaptures&) = delete;

    // Shows the document at a file-system path and captures it into a slot. False with a
    // one-line reason when it cannot be opened or shows no window.
    bool Capture(const std::string& path, effects::compare::CaptureSlot slot, std::string& reason);

    const effects::compare::CCaptureSlots& Slots() const { return slots_; }

private:
    effects::session::CEditorSession editor_;
    effects::compare::CCaptureSlots slots_;
};

}  // namespace vantrel::cli::commands
