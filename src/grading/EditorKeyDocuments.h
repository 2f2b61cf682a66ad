#pragma once

#include <memory>
#include <string>

#include "effects/session/EditorSession.h"
#include "platform/CaptureImage.h"

namespace vantrel::grading {

// Opens documents of the key folder in the platform's editor as an effect criterion opens its
// reference and starting image, so that what it cannot open is what grading cannot open. One
// editor session serves every document; it starts with the first.
class CEditorKeyDocuments {
public:
    explicit CEditorKeyDocuments(std::string keyDirectory);
    ~CEditorKeyDocuments();
    CEditorKeyDocuments(const CEditorKeyDocuments&) = delete;
    CEditorKeyDocuments& operator=(const CEditorKeyDocuments&) = delete;

    // False with the editor's reason when the named document cannot be opened.
    bool Open(const std::string& name, std::string& reason);

private:
    bool Started(std::string& reason);

    std::string keyDirectory_;
    effects::session::CEditorSession editor_;
    bool started_ = false;
    std::string startFailure_;
    std::unique_ptr<platform::CCaptureImage> capture_;
};

}  // namespace vantrel::grading
