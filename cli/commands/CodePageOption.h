#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace vantrel::cli::commands {

// --codepage cp936|utf-8: the code page of the answer key and the file names in it.
void AddCodePageOption(CLI::App& app, std::string& codePage);
// Applies a chosen code page process-wide; an empty choice keeps the default.
void ApplyCodePage(const std::string& codePage);

}  // namespace vantrel::cli::commands
