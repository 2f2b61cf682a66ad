#include "batch/ResultFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/ExamineeGrading.h"

using vantrel::cli::commands::ShortestDecimal;

namespace vantrel::cli::batch {

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::vector<std::string> SplitCsvLine(const std::string& line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
        else if (c == '"') quoted = !quoted;
        else if (c == ',' && !quoted) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

bool IsUtf8(const std::string& text)
{
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) hex += digits[c >> 4], hex += digits[c & 15];
    return hex;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        unsigned byte = 0;
        // Digits that are not hex leave a name no folder has, never an exception.
        std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

// A string field of a row, or empty: a row edited by hand must not stop the batch.
std::string TextField(const nlohmann::json& row, const char* name)
{
    const auto field = row.find(name);
    return field != row.end() && field->is_string() ? field->get<std::string>() : std::string();
}

std::string IdentityLine(ResultFormat format, const CResultIdentity& identity)
{
    if (format == ResultFormat::JsonLines)
        return nlohmann::json({{"vantrel_batch", {{"key", identity.keyHash}, {"key_folder", identity.keyFolderHash}}}})
            .dump();
    return "# vantrel batch results; key " + identity.keyHash + "; key folder " + identity.keyFolderHash;
}

std::string ColumnLine(const std::vector<int>& blockLines)
{
    std::string line = "examinee,mark,status";
    for (int block : blockLines) line += ",line " + std::to_string(block);
    return line + ",documents";
}

// Why a first line that is not ours was refused, naming what differs.
std::string RefusalOf(ResultFormat format, const std::string& found, const CResultIdentity& expected)
{
    std::string key;
    std::string folder;
    if (format == ResultFormat::JsonLines) {
        const auto json = nlohmann::json::parse(found, nullptr, false);
        if (json.is_object() && json.contains("vantrel_batch") && json["vantrel_batch"].is_object()) {
            key = json["vantrel_batch"].value("key", "");
            folder = json["vantrel_batch"].value("key_folder", "");
        }
    } else if (found.starts_with("# vantrel batch results; key ")) {
        const std::size_t keyStart = found.find("key ") + 4;
        const std::size_t folderMark = found.find("; key folder ");
        if (folderMark != std::string::npos) {
            key = found.substr(keyStart, folderMark - keyStart);
            folder = found.substr(folderMark + 13);
        }
    }
    if (key.empty()) return "is not a vantrel batch results file in this format";
    if (key != expected.keyHash)
        return "was written for another answer key (" + key + ", this key is " + expected.keyHash + ")";
    return "was written for another key folder (" + folder + ", this one is " + expected.keyFolderHash + ")";
}

// Writes all of text and flushes it to the disk.
bool WriteAndSync(int fd, const std::string& path, const std::string& text, std::string& reason)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            reason = SystemError("cannot write " + path);
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        reason = SystemError("cannot flush " + path + " to the disk");
        return false;
    }
    return true;
}

// The whole of a results file. Anything else at its name (a folder, a device that never ends)
// is refused before a byte is read.
bool ReadResults(int fd, const std::string& path, std::string& contents, std::string& reason)
{
    // Thousands of examinees take a few megabytes; far more is not a results file.
    constexpr off_t kLargestResults = off_t{1} << 30;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        reason = path + " is not a regular file";
        return false;
    }
    if (status.st_size > kLargestResults) {
        reason = path + " is larger than any results file (" + std::to_string(status.st_size >> 20) + " MiB)";
        return false;
    }
    contents.resize(static_cast<std::size_t>(status.st_size));
    std::size_t got = 0;
    while (got < contents.size()) {
        const ssize_t n = ::pread(fd, contents.data() + got, contents.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            reason = SystemError("cannot read " + path);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    contents.resize(got);
    return true;
}

void SyncFolderOf(const std::string& path)
{
    const std::string folder = std::filesystem::absolute(path).parent_path().string();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir != -1) ::fsync(dir), ::close(dir);
}

}  // namespace

ResultFormat ResultFormatOf(const std::string& path)
{
    return std::filesystem::path(path).extension() == ".jsonl" ? ResultFormat::JsonLines : ResultFormat::Csv;
}

CResultFile::~CResultFile()
{
    if (fd_ != -1) ::close(fd_);
}

bool CResultFile::Open(const std::string& path, const CResultIdentity& identity, const std::vector<int>& blockLines,
                       std::string& reason)
{
    path_ = path;
    identity_ = identity;
    format_ = ResultFormatOf(path);
    blockLines_ = blockLines;
    bool created = false;
    fd_ = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd_ == -1 && errno == ENOENT) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        created = fd_ != -1;
    }
    if (fd_ == -1) {
        reason = SystemError("cannot open " + path);
        return false;
    }
    std::string contents;
    if (!ReadResults(fd_, path, contents, reason)) return false;
    // A line without its end was being written when the last run stopped; it never counted.
    const std::size_t complete = contents.rfind('\n') == std::string::npos ? 0 : contents.rfind('\n') + 1;
    if (complete < contents.size() && ::ftruncate(fd_, static_cast<off_t>(complete)) != 0) {
        reason = SystemError("cannot drop the torn last line of " + path);
        return false;
    }
    contents.resize(complete);

    header_ = IdentityLine(format_, identity) + "\n";
    if (format_ == ResultFormat::Csv) header_ += ColumnLine(blockLines_) + "\n";
    if (!Adopt(contents, header_, reason)) return false;
    // The new file's name must reach the disk as well as its lines.
    if (created) SyncFolderOf(path);
    return true;
}

bool CResultFile::Forget(const std::set<std::string>& examinees, std::string& reason)
{
    if (examinees.empty()) return true;
    std::string text = header_;
    std::vector<CExamineeRecord> kept;
    std::vector<std::string> keptLines;
    for (std::size_t i = 0; i < existing_.size(); ++i) {
        if (examinees.contains(existing_[i].examinee)) continue;
        text += existingLines_[i] + "\n";
        kept.push_back(existing_[i]);
        keptLines.push_back(existingLines_[i]);
    }
    const std::string part = path_ + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd == -1) {
        reason = SystemError("cannot write " + part);
        return false;
    }
    if (!WriteAndSync(fd, part, text, reason) || ::rename(part.c_str(), path_.c_str()) != 0) {
        if (reason.empty()) reason = SystemError("cannot replace " + path_);
        ::close(fd);
        ::unlink(part.c_str());
        return false;
    }
    SyncFolderOf(path_);
    ::close(fd_);
    fd_ = fd;
    existing_ = std::move(kept);
    existingLines_ = std::move(keptLines);
    return true;
}

bool CResultFile::Adopt(const std::string& contents, const std::string& header, std::string& reason)
{
    if (contents.empty()) return WriteAll(header, reason);
    std::istringstream lines(contents);
    std::string line;
    std::getline(lines, line);
    const std::string identityLine = header.substr(0, header.find('\n'));
    if (line != identityLine) {
        reason = path_ + " " + RefusalOf(format_, line, identity_);
        return false;
    }
    const std::string columnLine = format_ == ResultFormat::Csv ? ColumnLine(blockLines_) : identityLine;
    bool columnsSeen = format_ != ResultFormat::Csv;
    while (std::getline(lines, line)) {
        // Shards' files concatenated repeat their first lines.
        if (line == identityLine || line == columnLine) {
            columnsSeen = true;
            continue;
        }
        if (!columnsSeen) {
            reason = path_ + " has columns for other scoring blocks";
            return false;
        }
        existing_.push_back(ParseRecord(line));
        existingLines_.push_back(line);
    }
    if (!columnsSeen) return WriteAll(columnLine + "\n", reason);
    return true;
}

bool CResultFile::Append(const CExamineeRecord& record, std::string& reason)
{
    return AppendLine(FormatRecord(record) + "\n", reason);
}

bool CResultFile::AppendLine(const std::string& line, std::string& reason)
{
    return WriteAll(line, reason);
}

bool CResultFile::WriteAll(const std::string& text, std::string& reason)
{
    return WriteAndSync(fd_, path_, text, reason);
}

std::string CResultFile::FormatRecord(const CExamineeRecord& record) const
{
    if (format_ == ResultFormat::JsonLines) {
        nlohmann::json json = {{"examinee", record.examinee}, {"mark", nullptr}, {"status", record.status},
                               {"blocks", record.blocks}, {"documents", record.documents}};
        if (record.mark) json["mark"] = *record.mark;
        // A folder name that is not UTF-8 shows with U+FFFD; its bytes are kept to resume by.
        if (!IsUtf8(record.examinee)) json["examinee_bytes"] = Hex(record.examinee);
        return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    std::string line = CsvField(record.examinee) + "," + (record.mark ? ShortestDecimal(*record.mark) : "") + "," +
                       CsvField(record.status);
    for (int blockLine : blockLines_) {
        line += ",";
        for (const auto& block : record.blocks)
            if (block.value("line", 0) == blockLine) line += ShortestDecimal(block.value("score", 0.0));
    }
    return line + "," + CsvField(record.documents);
}

CExamineeRecord CResultFile::ParseRecord(const std::string& line) const
{
    CExamineeRecord record;
    if (format_ == ResultFormat::JsonLines) {
        const auto json = nlohmann::json::parse(line, nullptr, false);
        if (!json.is_object()) return record;
        record.examinee = json.contains("examinee_bytes") ? FromHex(TextField(json, "examinee_bytes"))
                                                          : TextField(json, "examinee");
        record.status = TextField(json, "status");
        if (json.contains("mark") && json["mark"].is_number()) record.mark = json["mark"].get<double>();
        if (json.contains("blocks") && json["blocks"].is_array()) record.blocks = json["blocks"];
        record.documents = TextField(json, "documents");
        return record;
    }
    const std::vector<std::string> fields = SplitCsvLine(line);
    record.examinee = fields[0];
    if (fields.size() > 1 && !fields[1].empty()) record.mark = std::strtod(fields[1].c_str(), nullptr);
    if (fields.size() > 2) record.status = fields[2];
    for (std::size_t i = 0; i < blockLines_.size() && i + 3 < fields.size(); ++i)
        if (!fields[i + 3].empty())
            record.blocks.push_back({{"line", blockLines_[i]}, {"score", std::strtod(fields[i + 3].c_str(), nullptr)}});
    if (fields.size() > blockLines_.size() + 3) record.documents = fields[blockLines_.size() + 3];
    return record;
}

}  // namespace vantrel::cli::batch
