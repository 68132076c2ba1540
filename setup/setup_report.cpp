#include "setup/setup_report.h"

#include "setup/setup_json.h"

#include <array>

namespace va48 {

namespace {

// The columns in the order the setup file writes a channel's fields. The two module kinds write
// the same number of fields in the same order; where their names differ the heading gives both.
constexpr std::array<std::string_view, 28> kColumns = {
    "channel",
    "module",
    "connector",
    "sensitivity",
    "sensitivityExponent",
    "range",
    "frequencyWeighting/unit",
    "timeWeighting/detection",
    "highPassMenu",
    "lowPassMenu",
    "highPassFine",
    "lowPassFine",
    "userHighPass.enabled",
    "userHighPass.frequency",
    "userHighPass.frequencyUnit",
    "userHighPass.a2",
    "userHighPass.b2",
    "userHighPass.c2",
    "userHighPass.a1",
    "userHighPass.b1",
    "userLowPass.enabled",
    "userLowPass.frequency",
    "userLowPass.frequencyUnit",
    "userLowPass.a2",
    "userLowPass.b2",
    "userLowPass.c2",
    "userLowPass.a1",
    "userLowPass.b1",
};

// A JSON value as a cell: strings lose their quotes and escapes, numbers and booleans stay.
std::string Cell(const std::string& json) {
    if (json.size() < 2 || json.front() != '"') {
        return json;
    }
    std::string text;
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        if (json[i] == '\\' && i + 2 < json.size()) {
            ++i;
        }
        text += json[i];
    }
    return text;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += (i ? "," : "") + CsvField(fields[i]);
    }
    return line + "\r\n";
}

} // namespace

std::vector<std::vector<std::string>> ReportTable(const AmplifierSetup& setup) {
    std::vector<std::vector<std::string>> table;
    table.emplace_back(kColumns.begin(), kColumns.end());
    for (int n = 1; n <= kChannelCount; ++n) {
        std::vector<std::string> row;
        for (const SetupField& field :
             ChannelFields(setup.channels[static_cast<std::size_t>(n - 1)], n)) {
            row.push_back(Cell(field.value));
        }
        table.push_back(std::move(row));
    }
    return table;
}

std::string ReportCsv(const AmplifierSetup& setup, const ReportFacts& facts) {
    std::string csv = CsvLine({"firmwareVersion", facts.firmwareVersion}) +
                      CsvLine({"date", facts.date}) + CsvLine({"setupFile", facts.setupFile}) +
                      "\r\n";
    for (const std::vector<std::string>& row : ReportTable(setup)) {
        csv += CsvLine(row);
    }
    return csv;
}

} // namespace va48
