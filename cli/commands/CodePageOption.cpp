#include "commands/CodePageOption.h"

#include "text/CodePage.h"

namespace vantrel::cli::commands {

void AddCodePageOption(CLI::App& app, std::string& codePage)
{
    app.add_option("--codepage", codePage, "code page of the answer key and file names (cp936 or utf-8)")
        ->check(CLI::IsMember({"cp936", "utf-8"}, CLI::ignore_case));
}

void ApplyCodePage(const std::string& codePage, bool keyMarkedUtf8)
{
    if (auto chosen = text::CodePageFromName(codePage)) text::SetCodePage(*chosen);
    else if (codePage.empty() && keyMarkedUtf8) text::SetCodePage(text::CodePage::Utf8);
}

}  // namespace vantrel::cli::commands
