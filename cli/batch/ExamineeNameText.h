#pragma once

#include <string>

namespace vantrel::cli::batch {

// An examinee's folder name as UTF-8 text for the results and the report. A name that is
// UTF-8 already is kept; other names are read as GBK (a zip made on Chinese Windows), the one
// legacy code page the keys use; a byte that still makes no character becomes U+FFFD. The
// folder's own bytes stay what the batch finds examinees by.
std::string ExamineeNameText(const std::string& folderName);

}  // namespace vantrel::cli::batch
