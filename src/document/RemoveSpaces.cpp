#include "document/RemoveSpaces.h"

#include <algorithm>

namespace vantrel {

void RemoveSpaces(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

}  // namespace vantrel
