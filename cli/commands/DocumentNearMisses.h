#pragma once

#include <string>
#include <vector>

namespace vantrel::cli::commands {

// What an answer folder holds that an examinee may have meant for a document the key names
// but grading did not find: that name with a further extension ("A.PSD.psd"), with another
// extension or none, a folder of that name (shown with a trailing "/"), and the same one
// folder down ("exam/A.PSD"). Names match without regard to case. Relative to the folder,
// sorted, at most `most`; a folder with very many entries is only partly looked through.
std::vector<std::string> NearMissesOf(const std::string& answerFolder, const std::string& name, std::size_t most = 5);

}  // namespace vantrel::cli::commands
