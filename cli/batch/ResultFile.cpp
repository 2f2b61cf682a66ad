#include "batch/ResultFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "batch/ExamineeNameText.h"

namespace vantrel::cli::batch {

namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

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

std::string IdentityLine(const CResultIdentity& identity)
{
    return nlohmann::json({{"vantrel_batch", {{"key", identity.keyHash}, {"key_folder", identity.keyFolderHash}}}})
        .dump();
}

// Why a first line that is not ours was refused, naming what differs.
std::string RefusalOf(const std::string& found, const CResultIdentity& expected)
{
    std::string key;
    std::string folder;
    const auto json = nlohmann::json::parse(found, nullptr, false);
    if (json.is_object() && json.contains("vantrel_batch") && json["vantrel_batch"].is_object()) {
        const auto& identity = json["vantrel_batch"];
        key = identity.contains("key") && identity["key"].is_string() ? identity["key"].get<std::string>() : "";
        folder = identity.contains("key_folder") && identity["key_folder"].is_string()
                     ? identity["key_folder"].get<std::string>()
                     : "";
    }
    if (key.empty()) return "is not a vantrel batch results record";
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

std::optional<ResultFormat> ResultFormatOf(const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".csv") return ResultFormat::Csv;
    if (extension == ".jsonl") return ResultFormat::JsonLines;
    return std::nullopt;
}

CResultFile::~CResultFile()
{
    if (fd_ != -1) ::close(fd_);
    if (csvFd_ != -1) ::close(csvFd_);
}

bool CResultFile::Open(const std::string& path, const CResultIdentity& identity, const std::vector<CKeyBlock>& blocks,
                       const CCsvLayout& layout, std::string& reason)
{
    const std::optional<ResultFormat> format = ResultFormatOf(path);
    if (!format) {
        reason = path + ": a results file is named .csv or .jsonl";
        return false;
    }
    identity_ = identity;
    path_ = path;
    if (*format == ResultFormat::Csv) {
        csvPath_ = path;
        path_ = CsvRecordPath(path);
        csv_.emplace(blocks, layout);
        // A CSV without its record was not written by a batch: it may be a teacher's own sheet.
        struct stat status {};
        if (::stat(csvPath_.c_str(), &status) == 0 && status.st_size > 0 && ::access(path_.c_str(), F_OK) != 0) {
            reason = csvPath_ + " exists without " + path_ + ", the record a batch keeps beside its CSV; " +
                     "name another --out or move it away";
            return false;
        }
    }
    bool created = false;
    fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd_ == -1 && errno == ENOENT) {
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
        created = fd_ != -1;
    }
    if (fd_ == -1) {
        reason = SystemError("cannot open " + path_);
        return false;
    }
    std::string contents;
    if (!ReadResults(fd_, path_, contents, reason)) return false;
    // A line without its end was being written when the last run stopped; it never counted.
    const std::size_t complete = contents.rfind('\n') == std::string::npos ? 0 : contents.rfind('\n') + 1;
    if (complete < contents.size() && ::ftruncate(fd_, static_cast<off_t>(complete)) != 0) {
        reason = SystemError("cannot drop the torn last line of " + path_);
        return false;
    }
    contents.resize(complete);

    header_ = IdentityLine(identity) + "\n";
    if (!Adopt(contents, reason)) return false;
    // The new file's name must reach the disk as well as its lines.
    if (created) SyncFolderOf(path_);
    return RewriteCsv(reason);
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
    const int fd = ReplaceWhole(path_, text, reason);
    if (fd == -1) return false;
    ::close(fd_);
    fd_ = fd;
    existing_ = std::move(kept);
    existingLines_ = std::move(keptLines);
    return RewriteCsv(reason);
}

int CResultFile::ReplaceWhole(const std::string& path, const std::string& text, std::string& reason)
{
    const std::string part = path + ".part";
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
    if (fd == -1) {
        reason = SystemError("cannot write " + part);
        return -1;
    }
    if (!WriteAndSync(fd, part, text, reason) || ::rename(part.c_str(), path.c_str()) != 0) {
        if (reason.empty()) reason = SystemError("cannot replace " + path);
        ::close(fd);
        ::unlink(part.c_str());
        return -1;
    }
    SyncFolderOf(path);
    return fd;
}

bool CResultFile::RewriteCsv(std::string& reason)
{
    if (!csv_) return true;
    std::string text = csv_->Head();
    for (const CExamineeRecord& record : existing_) text += csv_->Row(record);
    const int fd = ReplaceWhole(csvPath_, text, reason);
    if (fd == -1) return false;
    if (csvFd_ != -1) ::close(csvFd_);
    csvFd_ = fd;
    return true;
}

bool CResultFile::Adopt(const std::string& contents, std::string& reason)
{
    if (contents.empty()) return WriteAndSync(fd_, path_, header_, reason);
    std::istringstream lines(contents);
    std::string line;
    // A record saved again by an editor on Windows ends its lines with CR LF.
    const auto readLine = [&] {
        if (!std::getline(lines, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    };
    readLine();
    const std::string identityLine = header_.substr(0, header_.find('\n'));
    if (line != identityLine) {
        reason = path_ + " " + RefusalOf(line, identity_);
        return false;
    }
    while (readLine()) {
        // Shards' files concatenated repeat their first line.
        if (line == identityLine) continue;
        existing_.push_back(ParseRecord(line));
        existingLines_.push_back(line);
    }
    return true;
}

bool CResultFile::Append(const CExamineeRecord& record, std::string& reason)
{
    return AppendLine(FormatRecord(record), reason);
}

bool CResultFile::AppendLine(const std::string& line, std::string& reason)
{
    // The record's line first: a CSV row is only ever a copy of what the record holds.
    const std::size_t recordEnd = line.find('\n') + 1;
    const off_t before = ::lseek(fd_, 0, SEEK_END);
    if (!WriteAndSync(fd_, path_, line.substr(0, recordEnd), reason)) return false;
    if (csvFd_ == -1 || recordEnd >= line.size()) return true;
    if (WriteAndSync(csvFd_, csvPath_, line.substr(recordEnd), reason)) return true;
    // Unsaved in the CSV is unsaved: the examinee is graded again next time.
    if (before >= 0 && ::ftruncate(fd_, before) != 0) reason += "; " + path_ + " keeps the row";
    return false;
}

std::string CResultFile::FormatRecord(const CExamineeRecord& record) const
{
    const std::string name = ExamineeNameText(record.examinee);
    nlohmann::json json = {{"examinee", name}, {"mark", nullptr}, {"status", record.status},
                           {"blocks", record.blocks}, {"documents", record.documents}};
    if (record.mark) json["mark"] = *record.mark;
    // A folder name that is not UTF-8 is shown converted; its bytes are kept to resume by.
    if (name != record.examinee) json["examinee_bytes"] = Hex(record.examinee);
    std::string line = json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    if (csv_) line += csv_->Row(record);
    return line;
}

CExamineeRecord CResultFile::ParseRecord(const std::string& line) const
{
    CExamineeRecord record;
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

}  // namespace vantrel::cli::batch
