#include "document/RemoveSpaces.h"

#include <algorithm>

namespace vantrel::document {

void RemoveSpaces(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
}

}  // namespace vantrel::document
