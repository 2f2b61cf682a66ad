#include "batch/ReportWriter.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/ClassRoster.h"
#include "batch/OutcomeText.h"
#include "commands/ExamineeGrading.h"

using vantrel::cli::commands::ShortestDecimal;

namespace vantrel::cli::batch {

namespace {

constexpr int kHistogramBins = 10;

std::string Html(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string Fixed(double value, int digits = 4)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

std::string PageId(std::size_t index) { return "examinee-" + std::to_string(index + 1); }

const nlohmann::json* BlockAt(const nlohmann::json& blocks, int line)
{
    for (const auto& block : blocks)
        if (block.value("line", 0) == line) return &block;
    return nullptr;
}

nlohmann::json ReadDetail(const std::string& reportDirectory, const std::string& examinee)
{
    std::ifstream in(ExamineeReportFolder(reportDirectory, examinee) + "/" + kExamineeDetailFile);
    if (!in) return nullptr;
    return nlohmann::json::parse(in, nullptr, false);
}

constexpr const char* kStyle = R"(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
table { border-collapse: collapse; margin: 0.5em 0 1.5em; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.6em; text-align: left; }
th[data-dir] { background: #e4ecf7; }
table.sortable th { cursor: pointer; }
td.number { text-align: right; font-variant-numeric: tabular-nums; }
tr.failed td { background: #fbe3e3; }
.examinee { display: none; }
.examinee:target { display: block; }
body:has(.examinee:target) #class { display: none; }
figure { display: inline-block; margin: 0.3em 0.8em 0.3em 0; }
figure img { width: 400px; height: 320px; image-rendering: pixelated; border: 1px solid #999; }
figcaption { font-size: 0.9em; }
.block { border-top: 1px solid #ccc; padding-top: 0.5em; margin-top: 1em; }
code { background: #f3f3f3; padding: 0 0.2em; }
)";

// Sorts a table by the clicked column: numbers by value (empty lowest), text by locale.
constexpr const char* kSortScript = R"(
document.querySelectorAll('table.sortable th').forEach((th, column) => th.addEventListener('click', () => {
  const table = th.closest('table');
  const body = table.tBodies[0];
  const direction = th.dataset.dir === 'asc' ? 'desc' : 'asc';
  table.querySelectorAll('th').forEach(h => delete h.dataset.dir);
  th.dataset.dir = direction;
  const key = row => row.cells[column].dataset.sort ?? row.cells[column].textContent;
  const rows = Array.from(body.rows);
  const numeric = rows.every(row => key(row) === '' || !isNaN(Number(key(row))));
  const value = row => numeric ? (key(row) === '' ? -Infinity : Number(key(row))) : key(row);
  rows.sort((a, b) => {
    const x = value(a), y = value(b);
    const order = numeric ? (x < y ? -1 : x > y ? 1 : 0) : String(x).localeCompare(String(y));
    return direction === 'asc' ? order : -order;
  });
  rows.forEach(row => body.appendChild(row));
}));
)";

void WriteHistogram(std::ostream& html, const std::vector<CExamineeRecord>& records)
{
    std::array<int, kHistogramBins> counts{};
    for (const auto& record : records)
        if (record.mark) ++counts[std::min(kHistogramBins - 1, static_cast<int>(*record.mark * kHistogramBins))];
    const int most = std::max(1, *std::max_element(counts.begin(), counts.end()));
    constexpr int kBarWidth = 48;
    constexpr int kHeight = 160;
    html << "<svg id=\"histogram\" width=\"" << kBarWidth * kHistogramBins + 20 << "\" height=\"" << kHeight + 40
         << "\" role=\"img\" aria-label=\"marks histogram\">\n";
    for (int bin = 0; bin < kHistogramBins; ++bin) {
        const int height = counts[bin] * kHeight / most;
        const int x = 10 + bin * kBarWidth;
        html << "<rect x=\"" << x + 2 << "\" y=\"" << kHeight - height + 15 << "\" width=\"" << kBarWidth - 4
             << "\" height=\"" << height << "\" fill=\"#5b8bd0\"><title>" << Fixed(bin / 10.0, 1) << " to "
             << Fixed((bin + 1) / 10.0, 1) << ": " << counts[bin] << "</title></rect>"
             << "<text x=\"" << x + kBarWidth / 2 << "\" y=\"" << kHeight - height + 12
             << "\" text-anchor=\"middle\" font-size=\"11\">" << counts[bin] << "</text>"
             << "<text x=\"" << x + kBarWidth / 2 << "\" y=\"" << kHeight + 32
             << "\" text-anchor=\"middle\" font-size=\"11\">" << Fixed(bin / 10.0, 1) << "</text>\n";
    }
    html << "</svg>\n";
}

void WriteBlockStatistics(std::ostream& html, const std::vector<CKeyBlock>& blocks,
                          const std::vector<CExamineeRecord>& records)
{
    html << "<h2>Scoring blocks</h2>\n<table id=\"blocks\"><thead><tr><th>line</th><th>key</th><th>weight</th>"
            "<th>mean score</th><th>0</th><th>partial</th><th>full</th></tr></thead><tbody>\n";
    for (const CKeyBlock& block : blocks) {
        int zero = 0, partial = 0, full = 0, scored = 0;
        double sum = 0;
        for (const auto& record : records) {
            const nlohmann::json* found = record.mark ? BlockAt(record.blocks, block.line) : nullptr;
            if (!found) continue;
            const double score = found->value("score", 0.0);
            ++scored;
            sum += score;
            if (block.weight != 0 && score == block.weight) ++full;
            else if (score == 0) ++zero;
            else ++partial;
        }
        html << "<tr><td class=\"number\">" << block.line << "</td><td><code>" << Html(block.keyLine)
             << "</code></td><td class=\"number\">" << ShortestDecimal(block.weight) << "</td><td class=\"number\">"
             << (scored ? Fixed(sum / scored) : "") << "</td><td class=\"number\">" << zero
             << "</td><td class=\"number\">" << partial << "</td><td class=\"number\">" << full << "</td></tr>\n";
    }
    html << "</tbody></table>\n";
}

void WriteClassTable(std::ostream& html, const std::vector<CKeyBlock>& blocks,
                     const std::vector<CExamineeRecord>& records)
{
    html << "<table id=\"class-table\" class=\"sortable\"><thead><tr><th>examinee</th><th>mark</th><th>status</th>";
    for (const CKeyBlock& block : blocks) html << "<th>line " << block.line << "</th>";
    html << "</tr></thead><tbody>\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CExamineeRecord& record = records[i];
        html << "<tr" << (record.mark ? "" : " class=\"failed\"") << "><td><a href=\"#" << PageId(i) << "\">"
             << Html(record.examinee) << "</a></td><td class=\"number mark\" data-sort=\""
             << (record.mark ? ShortestDecimal(*record.mark) : "") << "\">" << (record.mark ? Fixed(*record.mark) : "")
             << "</td><td>" << Html(record.status) << "</td>";
        for (const CKeyBlock& block : blocks) {
            const nlohmann::json* found = BlockAt(record.blocks, block.line);
            const double score = found ? found->value("score", 0.0) : 0;
            html << "<td class=\"number\" data-sort=\"" << (found ? ShortestDecimal(score) : "") << "\">"
                 << (found ? Fixed(score) : "") << "</td>";
        }
        html << "</tr>\n";
    }
    html << "</tbody></table>\n";
}

void WriteFigure(std::ostream& html, const std::string& folder, const nlohmann::json& captures, const char* role,
                 const std::string& caption)
{
    if (!captures.contains(role)) return;
    html << "<figure><img src=\"" << Html(folder + "/" + captures[role].get<std::string>()) << "\" alt=\"" << role
         << "\"><figcaption>" << Html(caption) << "</figcaption></figure>\n";
}

void WriteEffect(std::ostream& html, const std::string& folder, const nlohmann::json& effect)
{
    const bool partial = effect.value("mode", "") == "partial";
    html << "<p>" << (partial ? "Partial effect" : "Effect") << " against <code>"
         << Html(effect.value("source", "")) << "</code>";
    if (effect.contains("initial")) html << " from <code>" << Html(effect.value("initial", "")) << "</code>";
    html << ": similarity <b>" << Fixed(effect.value("similarity", 0.0)) << "</b></p>\n<div>";
    const nlohmann::json captures = effect.value("captures", nlohmann::json::object());
    auto similarity = [&](const char* key) {
        return effect.contains(key) ? ", similarity to the reference " + Fixed(effect[key].get<double>()) : std::string();
    };
    WriteFigure(html, folder, captures, "examinee", "examinee" + similarity("examinee_vs_reference"));
    WriteFigure(html, folder, captures, "reference", "reference");
    WriteFigure(html, folder, captures, "initial", "starting image" + similarity("initial_vs_reference"));
    html << "</div>\n";
    if (captures.contains("examinee_change") || captures.contains("reference_change")) {
        html << "<div>";
        WriteFigure(html, folder, captures, "examinee_change", "the examinee's change");
        WriteFigure(html, folder, captures, "reference_change", "the reference's change");
        html << "</div>\n";
    }
}

// A block's weight as grading read it. A block scored with no document open shows weight 0,
// so the first examinee who had one tells.
void TakeWeightsFromDetails(std::vector<CKeyBlock>& blocks, const std::vector<nlohmann::json>& details)
{
    for (CKeyBlock& block : blocks) {
        for (const nlohmann::json& detail : details) {
            const nlohmann::json* found = detail.is_object() ? BlockAt(detail["blocks"], block.line) : nullptr;
            if (found && found->value("weight", 0.0) != 0) {
                block.weight = found->value("weight", 0.0);
                break;
            }
        }
    }
}

void WriteExamineePage(std::ostream& html, std::size_t index, const CExamineeRecord& record,
                       const nlohmann::json& detail, const std::vector<CKeyBlock>& blocks)
{
    html << "<section class=\"examinee\" id=\"" << PageId(index) << "\">\n<p><a href=\"#\">&larr; the class</a></p>\n"
         << "<h2>" << Html(record.examinee) << "</h2>\n<p>mark <b>" << (record.mark ? Fixed(*record.mark) : "none")
         << "</b> &middot; " << Html(record.status) << "</p>\n";
    if (!detail.is_object() || !detail.contains("blocks")) {
        html << "<p>No detail was kept for this examinee.</p>\n</section>\n";
        return;
    }
    const std::string folder = "examinees/" + SafeFileStem(record.examinee);
    const nlohmann::json detailBlocks = detail.value("blocks", nlohmann::json::array());
    for (const CKeyBlock& block : blocks) {
        const nlohmann::json* found = BlockAt(detailBlocks, block.line);
        if (!found) continue;
        html << "<div class=\"block\"><h3>line " << block.line << ": <code>" << Html(block.keyLine) << "</code></h3>\n"
             << "<p>weight " << ShortestDecimal(block.weight) << ", score <b>"
             << ShortestDecimal(found->value("score", 0.0)) << "</b></p>\n<ul>";
        for (const std::string& line : OutcomeLines(*found)) html << "<li>" << Html(line) << "</li>";
        html << "</ul>\n";
        for (const auto& effect : found->value("effects", nlohmann::json::array())) WriteEffect(html, folder, effect);
        html << "</div>\n";
    }
    html << "</section>\n";
}

}  // namespace

std::string ExamineeReportFolder(const std::string& reportDirectory, const std::string& examinee)
{
    return reportDirectory + "/examinees/" + SafeFileStem(examinee);
}

std::string SharedCapturesFolder(const std::string& reportDirectory) { return reportDirectory + "/key"; }

bool WriteClassReport(const std::string& reportDirectory, const std::vector<CKeyBlock>& keyBlocks,
                      const std::vector<CExamineeRecord>& records, std::string& reason)
{
    std::vector<nlohmann::json> details;
    for (const CExamineeRecord& record : records) details.push_back(ReadDetail(reportDirectory, record.examinee));
    std::vector<CKeyBlock> blocks = keyBlocks;
    TakeWeightsFromDetails(blocks, details);

    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>vantrel: class report</title>"
         << "<style>" << kStyle << "</style></head><body>\n<div id=\"class\">\n<h1>Class report</h1>\n"
         << "<p>" << records.size() << " examinees. Click a column heading to sort; click a name for the examinee's "
         << "page.</p>\n<h2>Marks</h2>\n";
    WriteHistogram(html, records);
    WriteBlockStatistics(html, blocks, records);
    html << "<h2>Examinees</h2>\n";
    WriteClassTable(html, blocks, records);
    html << "</div>\n";
    for (std::size_t i = 0; i < records.size(); ++i) WriteExamineePage(html, i, records[i], details[i], blocks);
    html << "<script>" << kSortScript << "</script>\n</body></html>\n";

    // A half-written page never replaces a whole one, nor stays behind.
    const std::string path = reportDirectory + "/index.html";
    std::error_code error;
    {
        std::ofstream out(path + ".part", std::ios::binary);
        out << html.str();
        out.close();
        if (!out) {
            reason = "cannot write " + path + " (is the disk full?)";
            std::filesystem::remove(path + ".part", error);
            return false;
        }
    }
    std::filesystem::rename(path + ".part", path, error);
    if (!error) return true;
    reason = "cannot write " + path + ": " + error.message();
    std::filesystem::remove(path + ".part", error);
    return false;
}

}  // namespace vantrel::cli::batch
