#include "setup/setup_report.h"

#include "tests/support/sample_device.h"
#include "tests/support/split.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

// The facts head the CSV (a name with a comma is quoted), then one row per channel under a
// header, each as wide as the header where a module sits.
TEST(SetupReport, CsvHoldsTheFactsAndOneRowPerChannel) {
    const AmplifierSetup setup = SetupFromDevice(SampleDevice(), "2026-12-06T17:30:01Z");
    const std::string csv = ReportCsv(setup, {"1.02", "2026-12-06T17:30:01Z", "bench, day 2.json"});
    const std::vector<std::string> lines = Split(csv, '\n');
    ASSERT_EQ(lines.size(), 4u + 1u + 16u);
    EXPECT_EQ(lines[0], "firmwareVersion,1.02\r");
    EXPECT_EQ(lines[2], "setupFile,\"bench, day 2.json\"\r");
    const std::vector<std::vector<std::string>> table = ReportTable(setup);
    ASSERT_EQ(table.size(), 17u);
    for (std::size_t n = 1; n < table.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(table[n][0], std::to_string(n));
        EXPECT_TRUE(table[n].size() == table[0].size() ||
                    (table[n].size() == 2 && table[n][1] == "none"));
    }
}

} // namespace
} // namespace va48
