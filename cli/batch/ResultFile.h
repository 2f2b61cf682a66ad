#pragma once

#include <set>
#include <string>
#include <vector>

#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

enum class ResultFormat { Csv, JsonLines };

// The format a results file's name asks for: .jsonl for JSON lines, CSV otherwise.
ResultFormat ResultFormatOf(const std::string& path);

// What a results file was written for; a file for another key or key folder is refused.
struct CResultIdentity {
    std::string keyHash;
    std::string keyFolderHash;
};

// A batch's results file. Its first line records the identity; each examinee is one line,
// appended and flushed to the disk before the next is written, so a batch killed at any point
// leaves every result it had written and at worst a torn last line, which reopening drops.
class CResultFile {
public:
    CResultFile() = default;
    ~CResultFile();
    CResultFile(const CResultFile&) = delete;
    CResultFile& operator=(const CResultFile&) = delete;

    // Opens the file to resume it, or creates it. blockLines are the key's scoring blocks by
    // line number, the CSV's columns. False with a one-line reason when the file cannot be
    // used or was written for another identity.
    bool Open(const std::string& path, const CResultIdentity& identity, const std::vector<int>& blockLines,
              std::string& reason);

    // The examinees the file already holds, in file order.
    const std::vector<CExamineeRecord>& Existing() const { return existing_; }

    // Rewrites the file without the rows of these examinees, whole or not at all: the new file
    // replaces the old one only once it is on the disk. False with a reason when it cannot.
    bool Forget(const std::set<std::string>& examinees, std::string& reason);

    // Appends one record and flushes it to the disk. False with a reason when it cannot.
    bool Append(const CExamineeRecord& record, std::string& reason);
    // The same in two steps: the line of a record, then appending that line (which allocates
    // nothing unless it fails, so another thread may do it while this process forks).
    std::string FormatRecord(const CExamineeRecord& record) const;
    bool AppendLine(const std::string& line, std::string& reason);

private:
    bool Adopt(const std::string& contents, const std::string& header, std::string& reason);
    bool WriteAll(const std::string& text, std::string& reason);
    CExamineeRecord ParseRecord(const std::string& line) const;

    std::string path_;
    CResultIdentity identity_;
    ResultFormat format_ = ResultFormat::Csv;
    std::vector<int> blockLines_;
    std::vector<CExamineeRecord> existing_;
    std::vector<std::string> existingLines_;  // existing_'s lines as read
    std::string header_;                      // the first lines, up to the rows
    int fd_ = -1;
};

}  // namespace vantrel::cli::batch
