#pragma once

#include <string>
#include <vector>

namespace vantrel::cli::commands {

// "a, b, c": names as a summary line lists them.
inline std::string CommaList(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list;
}

}  // namespace vantrel::cli::commands
