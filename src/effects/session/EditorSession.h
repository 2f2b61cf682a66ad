#pragma once

namespace vantrel::effects::session {

// One run of the image editor, from launch to end: located through the registry, launched,
// connected through the module-wide application driver. The documents are captured in
// between with the host-control steps. The connection is let go on every path out of the
// scope that holds the session, exceptions included.
class CEditorSession {
public:
    CEditorSession() = default;
    ~CEditorSession();
    CEditorSession(const CEditorSession&) = delete;
    CEditorSession& operator=(const CEditorSession&) = delete;

    // Launches the editor and connects to it. When it cannot be launched, shows the launch
    // failure message and gives false.
    bool Start();
    // Whether the window search found the editor's main window.
    bool HasMainWindow() const;
    // Asks the editor to end and lets go of it.
    void End();
};

}  // namespace vantrel::effects::session
