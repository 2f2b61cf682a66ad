#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vantrel::cli::commands {

// A key checked before anyone is graded: what its file is, and what a teacher should fix.
struct CKeyCheck {
    std::string encoding;   // "UTF-8 with a byte-order mark", "CP936 (GBK)", ...
    std::string lineEnds;   // "CR LF", "LF only", "mixed", ...
    std::vector<std::string> warnings;
};

// Checks the key at path, which reads as key once taken as the grader takes it (a byte-order
// mark dropped), against the key folder: the library's key check with the folder's documents
// opened by the studio, and the key's encoding against the code page it will be read in.
CKeyCheck CheckKeyFile(const std::string& path, const std::string& key, const std::string& keyFolder);

// For commands that grade: prints each warning on stderr. False when strict and there is one.
bool WarnAboutKey(const CKeyCheck& check, bool strict, std::ostream& err);

}  // namespace vantrel::cli::commands
