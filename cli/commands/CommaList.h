#pragma once

#include <string>
#include <vector>

#include "batch/ExamineeNameText.h"

namespace vantrel::cli::commands {

// "a, b, c": examinees' folder names as a summary line lists them, as text.
inline std::string CommaList(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + batch::ExamineeNameText(name);
    return list;
}

}  // namespace vantrel::cli::commands
