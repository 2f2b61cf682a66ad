#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace vantrel::cli::commands {

// --codepage cp936|utf-8: the code page of the answer key and the file names in it.
void AddCodePageOption(CLI::App& app, std::string& codePage);
// Applies a chosen code page process-wide. Without a choice, a key that begins with a UTF-8
// byte-order mark is UTF-8, as it says; any other keeps the default.
void ApplyCodePage(const std::string& codePage, bool keyMarkedUtf8 = false);

}  // namespace vantrel::cli::commands
