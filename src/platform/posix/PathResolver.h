#pragma once

#include <optional>
#include <string>

namespace vantrel::platform {

// The path with each "\" read as "/", the guess that names most entries without a look at
// any folder; nullopt when the path ends in a separator or exceeds the working limits.
std::optional<std::string> PlainPath(const std::string& path);

// Turns a path with "\" or "/" separators into the file system's path of an existing entry.
// Folders arrive as the file system's own names and names from the answer key as code-page
// text, often in one path, so each component is taken as given when such an entry exists,
// else converted from the code page, else matched without regard to case. A code-page name
// is split only at separators that start a character. nullopt when some component does not
// exist, when the path ends in a separator, or when it exceeds the working limits.
std::optional<std::string> ResolveExistingPath(const std::string& path);

// Whether the way to the entry a path names, resolved as an open resolves it, passes an entry
// inside the folder that is a link leading out of it. Links elsewhere, the folder's own
// included, and a ".." written in the path are followed as they lead.
bool PassesLinkOutOf(const std::string& folder, const std::string& path);

}  // namespace vantrel::platform
