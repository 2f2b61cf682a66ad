#pragma once

namespace vantrel::cli::batch {

// The class report's stylesheet, for the screen and for print, and its one script. Both go
// inline, so that the page opens offline from any folder.
extern const char* const kReportStyle;
extern const char* const kReportScript;

}  // namespace vantrel::cli::batch
