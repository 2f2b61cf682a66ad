#pragma once

#include "platform/Platform.h"

namespace vantrel::platform {

// A modal box with an OK button, shown in UTF-16 so that the text reads the same whatever
// the system's code page.
class CWin32MessageBox : public IMessageBox {
public:
    void Show(const std::string& utf8Text) override;
};

}  // namespace vantrel::platform
