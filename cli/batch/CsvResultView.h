#pragma once

#include <string>
#include <vector>

#include "batch/ExamineeRecord.h"
#include "batch/ReportWriter.h"

namespace vantrel::cli::batch {

// How the CSV of a batch is laid out for a spreadsheet or a gradebook.
struct CCsvLayout {
    int decimals = 3;            // marks and block points are rounded to this many places
    bool maximumRow = false;     // a row of the most each column can give, under the header
};

// The CSV a teacher opens: UTF-8 with a byte-order mark (so Excel reads the names as UTF-8,
// as LibreOffice does anyway), CRLF line ends, the header first, one column per scoring block
// named by its line and criteria, rounded marks. It is only a view: the batch's record of
// every result, in full precision, is the JSON-lines file beside it, from which the CSV is
// written again whenever the batch opens it.
class CCsvResultView {
public:
    CCsvResultView(std::vector<CKeyBlock> blocks, CCsvLayout layout);

    // The header (and the maximum row, when asked for), starting with the byte-order mark.
    std::string Head() const;
    // One examinee's row, with its line end.
    std::string Row(const CExamineeRecord& record) const;

private:
    std::string Number(double value) const;

    std::vector<CKeyBlock> blocks_;
    CCsvLayout layout_;
};

// The name of the file that keeps a CSV's full record: "results.csv" is kept in "results.csv.jsonl".
std::string CsvRecordPath(const std::string& csvPath);

}  // namespace vantrel::cli::batch
