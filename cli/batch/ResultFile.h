#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "batch/CsvResultView.h"
#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

enum class ResultFormat { Csv, JsonLines };

// The format a results file's name asks for: .csv or .jsonl, and nothing else.
std::optional<ResultFormat> ResultFormatOf(const std::string& path);

// What a results file was written for; a file for another key or key folder is refused.
struct CResultIdentity {
    std::string keyHash;
    std::string keyFolderHash;
};

// A batch's results. The record is JSON lines: the identity first, then one line per
// examinee with the mark in full precision, appended and flushed to the disk before the next
// is written, so a batch killed at any point leaves every result it had written and at worst
// a torn last line, which reopening drops. A .jsonl results file is the record itself; a .csv
// one is a view of the record kept beside it (see CsvResultView.h), written again on opening.
class CResultFile {
public:
    CResultFile() = default;
    ~CResultFile();
    CResultFile(const CResultFile&) = delete;
    CResultFile& operator=(const CResultFile&) = delete;

    // Opens the file to resume it, or creates it. blocks are the key's scoring blocks, the
    // CSV's columns. False with a one-line reason when the file cannot be used or was written
    // for another identity.
    bool Open(const std::string& path, const CResultIdentity& identity, const std::vector<CKeyBlock>& blocks,
              const CCsvLayout& layout, std::string& reason);

    // The examinees the file already holds, in file order.
    const std::vector<CExamineeRecord>& Existing() const { return existing_; }

    // Rewrites the file without the rows of these examinees, whole or not at all: the new file
    // replaces the old one only once it is on the disk. False with a reason when it cannot.
    bool Forget(const std::set<std::string>& examinees, std::string& reason);

    // Appends one record and flushes it to the disk. False with a reason when it cannot.
    bool Append(const CExamineeRecord& record, std::string& reason);
    // The same in two steps: the lines of a record (the record's, then the CSV's), then
    // appending them (which allocates nothing unless it fails, so another thread may do it
    // while this process forks).
    std::string FormatRecord(const CExamineeRecord& record) const;
    bool AppendLine(const std::string& line, std::string& reason);

private:
    bool Adopt(const std::string& contents, std::string& reason);
    bool RewriteCsv(std::string& reason);
    // Writes text to path through a file beside it; the open descriptor of the new file, or -1.
    static int ReplaceWhole(const std::string& path, const std::string& text, std::string& reason);
    CExamineeRecord ParseRecord(const std::string& line) const;

    std::string path_;  // the record
    CResultIdentity identity_;
    std::vector<CExamineeRecord> existing_;
    std::vector<std::string> existingLines_;  // existing_'s lines as read
    std::string header_;                      // the identity line
    int fd_ = -1;
    std::optional<CCsvResultView> csv_;
    std::string csvPath_;
    int csvFd_ = -1;
};

}  // namespace vantrel::cli::batch
