#pragma once

#include <string>

namespace vantrel::document {

// Deletes every space (code 32) in place, keeping all other characters, tabs included.
void RemoveSpaces(std::string& text);

}  // namespace vantrel::document
