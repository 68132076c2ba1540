#pragma once

#include "setup/amplifier_setup.h"

#include <string>
#include <string_view>
#include <vector>

namespace va48 {

// The setup report: what a test report documents of an amplifier's setup. The viewer prints it
// to PDF and writes it as CSV beside the PDF; both take their rows from here.

// The heading facts: firmware version, the date of the report, the setup file loaded (if any).
struct ReportFacts {
    std::string firmwareVersion; // empty when it was not read
    std::string date;            // as the report shows it, e.g. "2026-12-06T17:30:01Z"
    std::string setupFile;       // the loaded setup file's name; empty when none was loaded
};

// The table: a header row, then one row per channel 1..16 (a channel without a module has only
// its number and "none"). Cells are the values as the setup file writes them, without quotes.
std::vector<std::vector<std::string>> ReportTable(const AmplifierSetup& setup);

// The CSV text: the facts as "name,value" lines, an empty line, then the table. Fields that hold
// a comma, a quote or a line end are quoted; lines end in CRLF, as spreadsheet programs expect.
std::string ReportCsv(const AmplifierSetup& setup, const ReportFacts& facts);

} // namespace va48
