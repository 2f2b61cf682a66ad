#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace vantrel::cli::commands {

// JSON as printed. Keys and file names may hold bytes that are not UTF-8 (a stray byte, or
// CP936 text that does not convert): they show as U+FFFD rather than failing the output.
inline std::string JsonText(const nlohmann::json& json)
{
    return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace vantrel::cli::commands
