#pragma once

#include <memory>
#include <string>

#include "platform/CaptureImage.h"
#include "platform/Platform.h"

namespace vantrel::effects::session {

// Finds the first top-level window whose title holds PHOTOSHOP, keeps it as the main window
// of the window search, and walks its menu.
void FindMainWindow();

// Triggers once every command of the window's eighth menu that does not offer to show
// something, so that no palette covers the documents.
void RunWindowMenu(platform::WindowHandle window);

// Has the connected editor open directory + name, waits for the document's window (found by
// the name's last component under the main window), captures it into slot and ends the
// document. False when the editor cannot open the document, with its reason when asked for;
// true when it opened, whether or not a window was found to capture. A name that ends in a
// separator names no document.
bool CaptureDocument(const std::string& directory, const std::string& name, std::unique_ptr<platform::CCaptureImage>& slot,
                     std::string* reason = nullptr);

// Captures the window's client area into slot (empty when the capture fails), then
// overpaints the area so that a window showing nothing new is never taken for a document.
void CaptureWindow(platform::WindowHandle window, std::unique_ptr<platform::CCaptureImage>& slot);

}  // namespace vantrel::effects::session
