#include "batch/ReportClassSummary.h"

#include <algorithm>
#include <array>
#include <string>

#include "batch/MarkStatistics.h"
#include "batch/ReportHtml.h"
#include "commands/ExamineeGrading.h"

using vantrel::cli::commands::ShortestDecimal;

namespace vantrel::cli::batch {

namespace {

constexpr int kHistogramBins = 10;

void WriteFigure(std::ostream& html, const char* stat, const std::string& label, const std::string& value,
                 const std::string& shown)
{
    html << "<div><dt>" << label << "</dt><dd data-stat=\"" << stat << "\" data-value=\"" << value << "\">" << shown
         << "</dd></div>\n";
}

// A results file edited by hand may hold any number, NaN included.
int BinOf(double mark)
{
    if (!(mark > 0)) return 0;
    if (!(mark < 1)) return kHistogramBins - 1;
    return std::min(kHistogramBins - 1, static_cast<int>(mark * kHistogramBins));
}

}  // namespace

void WriteClassSummary(std::ostream& html, const std::vector<CExamineeRecord>& records, double passMark)
{
    std::vector<double> marks;
    for (const CExamineeRecord& record : records)
        if (record.mark) marks.push_back(*record.mark);
    const CMarkStatistics statistics = StatisticsOf(marks, passMark);
    const std::size_t unmarked = records.size() - marks.size();

    html << "<dl class=\"summary\" aria-label=\"class summary\">\n";
    WriteFigure(html, "marked", "with a mark", std::to_string(statistics.count), std::to_string(statistics.count));
    WriteFigure(html, "unmarked", "without a mark", std::to_string(unmarked), std::to_string(unmarked));
    const bool any = statistics.count > 0;
    WriteFigure(html, "mean", "mean mark", any ? ShortestDecimal(statistics.mean) : "",
                any ? Fixed(statistics.mean) : "&ndash;");
    WriteFigure(html, "median", "median mark", any ? ShortestDecimal(statistics.median) : "",
                any ? Fixed(statistics.median) : "&ndash;");
    const std::string share =
        any ? " (" + std::to_string((statistics.passed * 100 + statistics.count / 2) / statistics.count) + "%)" : "";
    WriteFigure(html, "passed", "passed, mark &ge; " + ShortestDecimal(passMark), std::to_string(statistics.passed),
                std::to_string(statistics.passed) + " of " + std::to_string(statistics.count) + share);
    html << "</dl>\n";
}

void WriteHistogram(std::ostream& html, const std::vector<CExamineeRecord>& records, double passMark)
{
    std::array<int, kHistogramBins> counts{};
    for (const auto& record : records)
        if (record.mark) ++counts[BinOf(*record.mark)];
    const int most = std::max(1, *std::max_element(counts.begin(), counts.end()));
    constexpr int kBarWidth = 48;
    constexpr int kHeight = 160;
    html << "<svg id=\"histogram\" width=\"" << kBarWidth * kHistogramBins + 20 << "\" height=\"" << kHeight + 56
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
    const int passX = 10 + static_cast<int>(passMark * kHistogramBins * kBarWidth + 0.5);
    html << "<line x1=\"" << passX << "\" y1=\"4\" x2=\"" << passX << "\" y2=\"" << kHeight + 40
         << "\" stroke=\"#c0392b\" stroke-width=\"2\" stroke-dasharray=\"5 3\"/><text x=\"" << passX
         << "\" y=\"" << kHeight + 52 << "\" text-anchor=\"middle\" font-size=\"11\" fill=\"#c0392b\">pass mark "
         << ShortestDecimal(passMark) << "</text>\n</svg>\n";
}

}  // namespace vantrel::cli::batch
