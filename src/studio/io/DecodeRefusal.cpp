#include "studio/io/DecodeRefusal.h"

namespace vantrel::studio::io {

std::string FillMessage(std::string_view pattern, const std::vector<std::string>& details)
{
    std::string text;
    std::size_t next = 0;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern.compare(at, 2, "{}") == 0) {
            if (next < details.size()) text += details[next];
            ++next;
            ++at;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

}  // namespace vantrel::studio::io
