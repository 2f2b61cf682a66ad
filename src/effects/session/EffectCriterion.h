#pragma once

#include <string>

namespace vantrel::effects::session {

// Reads SOURCEFILE= and INIFILE= from an effect criterion's arguments; with no SOURCEFILE=
// the whole text is the source. Parentheses in the text become blanks.
void ParseEffectArguments(std::string& text, std::string& source, std::string& initial);

}  // namespace vantrel::effects::session
