#pragma once

#include <string>

#include "platform/Platform.h"

namespace vantrel {

// Triggers once every command of the window's eighth menu that does not offer to show
// something, so that no palette covers the documents.
void RunWindowMenu(platform::WindowHandle window);

// The last component of a name, after its last "\" or "/".
std::string LastPathComponent(const std::string& name);

}  // namespace vantrel
