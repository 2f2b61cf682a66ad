#include "batch/CsvResultView.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "batch/ExamineeNameText.h"

namespace vantrel::cli::batch {

namespace {

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string ColumnName(const CKeyBlock& block)
{
    std::string name = "line " + std::to_string(block.line);
    const std::string& what = block.criteria.empty() ? block.keyLine : block.criteria;
    return what.empty() ? name : name + ": " + what;
}

}  // namespace

CCsvResultView::CCsvResultView(std::vector<CKeyBlock> blocks, CCsvLayout layout)
    : blocks_(std::move(blocks)), layout_(layout)
{
}

std::string CCsvResultView::Number(double value) const
{
    // Fixed notation whatever the locale: a spreadsheet set to a decimal comma still reads
    // the column, since the field separator stays a comma.
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                            std::clamp(layout_.decimals, 0, 17));
    if (error != std::errc()) return {};
    return std::string(buffer, end);
}

std::string CCsvResultView::Head() const
{
    std::string head = std::string(kByteOrderMark) + "examinee,mark,status";
    for (const CKeyBlock& block : blocks_) head += "," + CsvField(ColumnName(block));
    head += "\r\n";
    if (!layout_.maximumRow) return head;
    double points = 0;
    std::string weights;
    for (const CKeyBlock& block : blocks_) {
        points += block.weight;
        weights += "," + Number(block.weight);
    }
    // Ten points make a full mark, and no mark is above one.
    return head + "maximum," + Number(std::min(1.0, points * 0.1)) + "," + weights + "\r\n";
}

std::string CCsvResultView::Row(const CExamineeRecord& record) const
{
    std::string row = CsvField(ExamineeNameText(record.examinee)) + "," + (record.mark ? Number(*record.mark) : "") +
                      "," + CsvField(record.status);
    for (const CKeyBlock& block : blocks_) {
        row += ",";
        if (!record.mark) continue;
        for (const auto& scored : record.blocks)
            if (scored.is_object() && scored.value("line", 0) == block.line && scored.contains("score") &&
                scored["score"].is_number())
                row += Number(scored["score"].get<double>());
    }
    return row + "\r\n";
}

std::string CsvRecordPath(const std::string& csvPath) { return csvPath + ".jsonl"; }

}  // namespace vantrel::cli::batch
