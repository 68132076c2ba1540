#include "setup/setup_json.h"

#include "tests/support/sample_device.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace va48 {
namespace {

using Json = nlohmann::ordered_json;

const AmplifierSetup& Sample() {
    static const AmplifierSetup setup = SetupFromDevice(SampleDevice(), "2026-12-06T17:30:01Z");
    return setup;
}

TEST(SetupJsonTest, RoundTripIsByteExactAndKeepsEveryValue) {
    const std::string text = SetupToJson(Sample());
    const auto read = SetupFromJson(text);
    ASSERT_TRUE(std::holds_alternative<AmplifierSetup>(read))
        << DescribeRefusal(std::get<SetupRefusal>(read));
    EXPECT_EQ(std::get<AmplifierSetup>(read), Sample());
    EXPECT_EQ(SetupToJson(std::get<AmplifierSetup>(read)), text);
    EXPECT_TRUE(text.ends_with("}\n"));
}

TEST(SetupJsonTest, WritesValuesAsTheWindowsNameThem) {
    const Json doc = Json::parse(SetupToJson(Sample()));
    EXPECT_EQ(doc.begin().key(), "format");
    // JSON pointer: value.
    const Json expected = Json::parse(R"({
        "/format": "va48-setup", "/version": 1, "/firmwareVersion": "1.02",
        "/channels/0/module": "sound", "/channels/0/connector": "FRONT", "/channels/0/range": "100",
        "/channels/0/frequencyWeighting": "A", "/channels/0/timeWeighting": "F",
        "/channels/0/highPassMenu": "- - -",
        "/channels/2": {"channel": 3, "module": "none"},
        "/channels/8/connector": "FRONT CCLD", "/channels/8/unit": "mm/s",
        "/channels/8/detection": "RMS", "/channels/8/range": "100",
        "/channels/8/lowPassMenu": "other", "/channels/8/lowPassFine": "user",
        "/channels/8/userLowPass/frequency": 1.575, "/channels/8/userLowPass/frequencyUnit": "kHz",
        "/channels/8/userLowPass/coefficients/b1": 281474976710655})");
    for (const auto& [pointer, value] : expected.items()) {
        EXPECT_EQ(doc.at(Json::json_pointer(pointer)), value) << pointer;
    }
}

TEST(SetupJsonTest, VersionTextAndTimeStayPlainText) {
    DeviceState device = SampleDevice();
    device.deviceVersion = {'1', '.', '\x01', '\xC3', '2'};
    EXPECT_EQ(SetupFromDevice(device, "").firmwareVersion, "1.??2");
    EXPECT_EQ(UtcTimestamp(std::chrono::system_clock::time_point{}), "1970-01-01T00:00:00Z");
    EXPECT_EQ(UtcTimestamp(std::chrono::system_clock::time_point{std::chrono::seconds{1796578201}}),
              "2026-12-06T17:30:01Z");
}

// Each row changes one place of a good document and names the refusal it must meet.
TEST(SetupJsonTest, RefusesEachBadFieldNamingChannelAndField) {
    const struct {
        const char* pointer; // JSON pointer of the place changed
        Json value;          // the new value; null removes the field
        int channel;
        const char* field;
        const char* problem; // part of the problem text
    } rows[] = {
        {"/format", "va48-settings", 0, "format", "is not \"va48-setup\""},
        {"/version", 2, 0, "version", "it reads 1"},
        {"/version", "1", 0, "version", "it reads 1"},
        {"/firmwareVersion", nullptr, 0, "firmwareVersion", "missing"},
        {"/comment", "x", 0, "comment", "unknown field"},
        {"/savedAt", "yesterday", 0, "savedAt", "YYYY-MM-DD"},
        {"/channels/3/channel", 5, 4, "channel", "where channel 4 belongs"},
        {"/channels/0/connector", "BNC", 1, "connector", "\"BNC\" is not one of \"FRONT\""},
        {"/channels/0/module", "vibration", 1, "frequencyWeighting", "unknown field"},
        {"/channels/1/module", "none", 2, "connector", "unknown field"},
        {"/channels/0/sensitivity", "250", 1, "sensitivity", "not a whole number"},
        {"/channels/8/sensitivity", 1000, 9, "sensitivity", "outside 100..999"},
        {"/channels/0/sensitivityExponent", 1, 1, "sensitivityExponent", "outside 0..0"},
        {"/channels/0/range", "95", 1, "range", "not one of \"80\", \"90\""},
        {"/channels/8/detection", nullptr, 9, "detection", "missing"},
        {"/channels/0/highPassMenu", "other", 1, "highPassFine", "names no filter"},
        {"/channels/0/lowPassFine", "user", 1, "lowPassFine", ""}, // menu not on "other": fine
        {"/channels/8/userLowPass/enabled", false, 9, "lowPassFine", "not enabled"},
        {"/channels/0/userHighPass/enabled", 1, 1, "userHighPass.enabled", "not true or false"},
        {"/channels/0/userHighPass/frequency", 2.555, 1, "userHighPass.frequency", "finer"},
        {"/channels/0/userHighPass/frequency", 250, 1, "userHighPass.frequency", "3.00..200.00"},
        {"/channels/8/userLowPass/frequency", 30, 9, "userLowPass.frequency", "300..20000 Hz"},
        {"/channels/0/userLowPass/frequencyUnit", "MHz", 1, "userLowPass.frequencyUnit", "\"kHz\""},
        {"/channels/8/userLowPass/coefficients/a2", 281474976710656, 9,
         "userLowPass.coefficients.a2", "outside 0..281474976710655"},
        {"/channels/8/userLowPass/coefficients/a1", -1, 9, "userLowPass.coefficients.a1",
         "outside"},
    };
    const Json good = Json::parse(SetupToJson(Sample()));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pointer);
        Json doc = good;
        const Json::json_pointer place(row.pointer);
        if (row.value.is_null()) {
            doc.at(place.parent_pointer()).erase(place.back());
        } else {
            doc[place] = row.value;
        }
        const auto read = SetupFromJson(doc.dump(2));
        if (std::string_view(row.problem).empty()) {
            EXPECT_TRUE(std::holds_alternative<AmplifierSetup>(read));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<SetupRefusal>(read));
        const SetupRefusal& refusal = std::get<SetupRefusal>(read);
        EXPECT_EQ(refusal.channel, row.channel);
        EXPECT_EQ(refusal.field, row.field);
        EXPECT_NE(refusal.problem.find(row.problem), std::string::npos) << refusal.problem;
    }
}

TEST(SetupJsonTest, RefusesWhatIsNoSetupDocumentAtAll) {
    const struct {
        const char* text;
        const char* message;
    } rows[] = {
        {"", "not JSON"},
        {"{\"format\": \"va48-setup\",", "not JSON"},
        {"[1, 2]", "not a JSON object"},
        {"{}", "\"format\": missing"},
        {R"({"format": "va48-setup", "version": 1, "firmwareVersion": "1.02",
             "savedAt": "2026-12-06T17:30:01Z", "channels": [{}]})",
         "\"channels\": not a list of the 16 channels"},
    };
    for (const auto& row : rows) {
        const auto read = SetupFromJson(row.text);
        ASSERT_TRUE(std::holds_alternative<SetupRefusal>(read)) << row.text;
        EXPECT_NE(DescribeRefusal(std::get<SetupRefusal>(read)).find(row.message),
                  std::string::npos)
            << DescribeRefusal(std::get<SetupRefusal>(read));
    }
}

} // namespace
} // namespace va48
