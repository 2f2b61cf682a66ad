#pragma once

#include <optional>
#include <string>

namespace vantrel::platform {

// Turns a path in the system code page, with "\" or "/" as separators, into the file
// system's path of an existing entry, matching each component without regard to case.
// nullopt when some component does not exist or the path exceeds the working limits.
std::optional<std::string> ResolveExistingPath(const std::string& codePagePath);

}  // namespace vantrel::platform
