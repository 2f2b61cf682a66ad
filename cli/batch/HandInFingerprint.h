#pragma once

#include <string>

namespace vantrel::cli::batch {

// What an examinee's folder held at one moment, enough to tell later whether any document in
// it changed. Three hashes over every entry, in name order: the names, kinds, sizes and
// modification times; the inode numbers and change times, which move whenever a file is
// written, even one whose modification time was set back; and the bytes. Only when the second
// differs and the first does not are the bytes read again, so resuming a class costs a
// directory walk, while a class copied elsewhere with its times kept is not graded again.
struct CHandInFingerprint {
    std::string stamps;
    std::string identities;
    std::string content;  // empty when not taken
};

// Walks the folder without following links. With content, reads every file's bytes too.
CHandInFingerprint TakeHandInFingerprint(const std::string& folder, bool withContent);

// "stamps.identities.content", as a results file keeps it.
std::string FingerprintText(const CHandInFingerprint& fingerprint);

// Whether what the folder holds now differs from a fingerprint's text. An empty or unreadable
// text (a row from a worker that never answered) knows nothing to differ from: false.
bool HandInChangedSince(const std::string& recorded, const std::string& folder);

}  // namespace vantrel::cli::batch
