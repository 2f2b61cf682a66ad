#include "commands/OutputOptions.h"

#include "batch/MarkStatistics.h"

namespace vantrel::cli::commands {

void AddCsvLayoutOptions(CLI::App& app, batch::CCsvLayout& layout)
{
    app.add_option("--decimals", layout.decimals, "places the CSV rounds marks and points to (the record keeps them whole)")
        ->default_val(3)
        ->check(CLI::Range(0, 17));
    app.add_flag("--maximum-row", layout.maximumRow, "put a row of the most each column can give under the CSV's header");
}

void AddPassMarkOption(CLI::App& app, double& passMark)
{
    app.add_option("--pass-mark", passMark, "the lowest mark the report counts as passed")
        ->default_val(batch::kDefaultPassMark)
        ->check(CLI::Range(0.0, 1.0));
}

}  // namespace vantrel::cli::commands
