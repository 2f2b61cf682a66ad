#include "batch/ReportWriter.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/ClassRoster.h"
#include "batch/ExamineeNameText.h"
#include "batch/OutcomeText.h"
#include "batch/ReportAssets.h"
#include "batch/ReportClassSummary.h"
#include "batch/ReportHtml.h"
#include "commands/ExamineeGrading.h"

using vantrel::cli::commands::ShortestDecimal;

namespace vantrel::cli::batch {

namespace {

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
    auto heading = [&](const std::string& text) {
        html << "<th scope=\"col\" aria-sort=\"none\"><button type=\"button\">" << text << "</button></th>";
    };
    html << "<table id=\"class-table\" class=\"sortable\"><thead><tr>";
    for (const char* text : {"examinee", "mark", "status"}) heading(text);
    for (const CKeyBlock& block : blocks) heading("line " + std::to_string(block.line));
    html << "</tr></thead><tbody>\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CExamineeRecord& record = records[i];
        html << "<tr" << (record.mark ? "" : " class=\"failed\"") << "><td><a href=\"#" << PageId(i) << "\">"
             << Html(ExamineeNameText(record.examinee)) << "</a></td><td class=\"number mark\" data-sort=\""
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
    // Hundreds of examinees hold thousands of images: each loads once its page is open.
    html << "<figure><img src=\"" << Html(folder + "/" + captures[role].get<std::string>()) << "\" alt=\"" << role
         << "\" width=\"200\" height=\"160\" loading=\"lazy\" decoding=\"async\"><figcaption>" << Html(caption)
         << "</figcaption></figure>\n";
}

void WriteEffect(std::ostream& html, const std::string& folder, const nlohmann::json& effect)
{
    const bool partial = effect.value("mode", "") == "partial";
    html << "<p>" << (partial ? "Partial effect" : "Effect") << " against <code>"
         << Html(effect.value("source", "")) << "</code>";
    if (effect.contains("initial")) html << " from <code>" << Html(effect.value("initial", "")) << "</code>";
    html << ": similarity <b>" << Fixed(effect.value("similarity", 0.0)) << "</b></p>\n<div class=\"captures\">";
    const nlohmann::json captures = effect.value("captures", nlohmann::json::object());
    auto similarity = [&](const char* key) {
        return effect.contains(key) ? ", similarity to the reference " + Fixed(effect[key].get<double>()) : std::string();
    };
    WriteFigure(html, folder, captures, "examinee", "examinee" + similarity("examinee_vs_reference"));
    WriteFigure(html, folder, captures, "reference", "reference");
    WriteFigure(html, folder, captures, "initial", "starting image" + similarity("initial_vs_reference"));
    html << "</div>\n";
    if (captures.contains("examinee_change") || captures.contains("reference_change")) {
        html << "<div class=\"captures\">";
        WriteFigure(html, folder, captures, "examinee_change", "the examinee's change");
        WriteFigure(html, folder, captures, "reference_change", "the reference's change");
        html << "</div>\n";
    }
}

bool HasDetail(const nlohmann::json& detail) { return detail.is_object() && detail.contains("blocks"); }

// Where an examinee's page stands: inside the class report, or alone in the examinee's folder.
struct CPagePlace {
    std::size_t index = 0;
    bool alone = false;
};

void WriteExamineePage(std::ostream& html, const CPagePlace& place, const CExamineeRecord& record,
                       const nlohmann::json& detail, const std::vector<CKeyBlock>& blocks, double passMark)
{
    const std::string folder = "examinees/" + SafeFileStem(record.examinee);
    html << "<section class=\"examinee" << (place.alone ? " alone" : "") << "\" id=\"" << PageId(place.index)
         << "\">\n";
    if (!place.alone) {
        html << "<p class=\"back\"><a href=\"#\">&larr; the class</a>";
        if (HasDetail(detail))
            html << " &middot; <a href=\"" << Html(folder) << "/" << kExamineeFeedbackFile << "\">this page alone</a>";
        html << "</p>\n";
    }
    html << "<h2>" << Html(ExamineeNameText(record.examinee)) << "</h2>\n<p>mark <b>"
         << (record.mark ? Fixed(*record.mark) : "none")
         << "</b>";
    if (record.mark)
        html << " &middot; " << (*record.mark >= passMark ? "passed" : "not passed") << " (pass mark "
             << ShortestDecimal(passMark) << ")";
    html << " &middot; " << Html(record.status) << "</p>\n";
    if (!HasDetail(detail)) {
        html << "<p>No detail was kept for this examinee.</p>\n</section>\n";
        return;
    }
    const nlohmann::json detailBlocks = detail.value("blocks", nlohmann::json::array());
    for (const CKeyBlock& block : blocks) {
        const nlohmann::json* found = BlockAt(detailBlocks, block.line);
        if (!found) continue;
        html << "<div class=\"block\"><h3>line " << block.line << ": <code>" << Html(block.keyLine) << "</code></h3>\n"
             << "<p>weight " << ShortestDecimal(block.weight) << ", score <b>"
             << Fixed(found->value("score", 0.0)) << "</b></p>\n<ul>";
        for (const std::string& line : OutcomeLines(*found)) html << "<li>" << Html(line) << "</li>";
        html << "</ul>\n";
        for (const auto& effect : found->value("effects", nlohmann::json::array()))
            WriteEffect(html, place.alone ? "." : folder, effect);
        html << "</div>\n";
    }
    html << "</section>\n";
}

// A half-written page never replaces a whole one, nor stays behind.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& reason)
{
    std::error_code error;
    {
        std::ofstream out(path + ".part", std::ios::binary);
        out << text;
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

}  // namespace

std::string ExamineeReportFolder(const std::string& reportDirectory, const std::string& examinee)
{
    return reportDirectory + "/examinees/" + SafeFileStem(examinee);
}

std::string SharedCapturesFolder(const std::string& reportDirectory) { return reportDirectory + "/key"; }

bool WriteClassReport(const std::string& reportDirectory, const std::vector<CKeyBlock>& blocks,
                      const std::vector<CExamineeRecord>& records, double passMark, std::string& reason)
{
    std::vector<nlohmann::json> details;
    for (const CExamineeRecord& record : records) details.push_back(ReadDetail(reportDirectory, record.examinee));

    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>vantrel: class report</title>"
         << "<style>" << kReportStyle << "</style></head><body>\n<div id=\"class\">\n<h1>Class report</h1>\n"
         << "<p>" << records.size() << " examinees. Click a column heading to sort; click a name for the examinee's "
         << "page, and print it for the examinee's feedback on one sheet.</p>\n";
    WriteClassSummary(html, records, passMark);
    html << "<h2>Marks</h2>\n";
    WriteHistogram(html, records, passMark);
    WriteBlockStatistics(html, blocks, records);
    html << "<h2>Examinees</h2>\n";
    WriteClassTable(html, blocks, records);
    html << "</div>\n";
    for (std::size_t i = 0; i < records.size(); ++i)
        WriteExamineePage(html, {i, false}, records[i], details[i], blocks, passMark);
    html << "<script>" << kReportScript << "</script>\n</body></html>\n";

    return WriteWholeFile(reportDirectory + "/index.html", html.str(), reason);
}

bool WriteFeedbackPage(const std::string& reportDirectory, const CExamineeRecord& record, const nlohmann::json& detail,
                       const std::vector<CKeyBlock>& blocks, double passMark, std::string& reason)
{
    if (!HasDetail(detail)) return true;
    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>vantrel: "
         << Html(ExamineeNameText(record.examinee)) << "</title><style>" << kReportStyle << "</style></head><body>\n";
    WriteExamineePage(page, {0, true}, record, detail, blocks, passMark);
    page << "</body></html>\n";
    // Written once, by the worker that emptied the folder: no reader can meet half a page.
    const std::string path = ExamineeReportFolder(reportDirectory, record.examinee) + "/" + kExamineeFeedbackFile;
    std::ofstream out(path, std::ios::binary);
    out << page.str();
    out.close();
    if (out) return true;
    reason = "cannot write " + path + " (is the disk full?)";
    std::error_code error;
    std::filesystem::remove(path, error);
    return false;
}

}  // namespace vantrel::cli::batch
