#include "shell/link_settings_file.h"

#include "tests/support/temp_dir.h"
#include "transport/usb_discovery.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace va48 {
namespace {

using Address = std::array<std::uint8_t, 4>;

TEST(ParseSettingNumberTest, ConvertsLikeTheStandardDecimalReader) {
    const struct {
        std::string text;
        std::int32_t expected;
    } rows[] = {
        {"", 0},
        {"abc", 0},
        {" \t\n7", 7},
        {"-17", -17},
        {"+5", 5},
        {"12ab", 12},
        {"- 5", 0},
        {"99999999999999999999", 2147483647},
        {"-2147483649", -2147483647 - 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseSettingNumber(row.text), row.expected) << '"' << row.text << '"';
    }
}

TEST(ParseLanAddressTest, AcceptsOnlyStrictDottedDecimal) {
    EXPECT_EQ(ParseLanAddress("192.168.1.20"), (Address{192, 168, 1, 20}));
    EXPECT_EQ(ParseLanAddress("0.0.0.0"), (Address{0, 0, 0, 0}));
    for (const char* bad : {"1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.4.", "256.1.1.1", "01.2.3.4",
                            "1.2.3.4 ", "0x7f.0.0.1"}) {
        EXPECT_EQ(ParseLanAddress(bad), kNoLanAddress) << '"' << bad << '"';
    }
}

class LinkSettingsTest : public ::testing::Test {
  protected:
    TempDir temp{"va48_link"};
    std::filesystem::path path = temp / "VA-48Viewer.ini";
};

TEST_F(LinkSettingsTest, MissingFileResetsEverythingAnEarlierLoadLeft) {
    LinkSettings settings;
    settings.comPort = 9;
    settings.lanPort = 1;
    settings.hardwareId = "stale";
    settings.rebootAfterUpdate = false;
    LoadLinkSettings(SettingsFile(path), settings);
    EXPECT_EQ(settings.comPort, 0u);
    EXPECT_EQ(settings.lanAddress, kNoLanAddress);
    EXPECT_EQ(settings.lanPort, 2255u) << "the port the amplifier listens on";
    EXPECT_EQ(settings.hardwareId, kDefaultHardwareIdPattern);
    EXPECT_TRUE(settings.rebootAfterUpdate);
}

TEST_F(LinkSettingsTest, ConvertsEachKey) {
    using Field = std::function<std::string(const LinkSettings&)>;
    const auto number = [](auto member) -> Field {
        return [member](const LinkSettings& s) { return std::to_string(+(s.*member)); };
    };
    const Field address = [](const LinkSettings& s) { return FormatLanAddress(s.lanAddress); };
    const Field hardwareId = [](const LinkSettings& s) { return s.hardwareId; };
    const Field replyTimeout = [](const LinkSettings& s) {
        return std::to_string(s.replyTimeoutMs.load());
    };
    const struct {
        std::string lines;
        Field field;
        std::string expected;
    } rows[] = {
        {"[LAN]\nIPAddress=192.168.0", address, "255.255.255.255"},
        {"[LAN]\nPortNo=2256", number(&LinkSettings::lanPort), "2256"},
        {"[USB]\nRate=fast", number(&LinkSettings::baudRate), "0"},
        {"[USB]\nByteSize=264", number(&LinkSettings::byteSize), "8"},
        {"[USB]\nParity=2", number(&LinkSettings::parityEnabled), "1"},
        {"[USB]\nParity=0", number(&LinkSettings::parityEnabled), "0"},
        {"[USB]\nParity=-1", number(&LinkSettings::parityEnabled), "0"},
        {"[USB]\nParityKind=2", number(&LinkSettings::parityKind), "2"},
        {"[USB]\nStopBit=258", number(&LinkSettings::stopBits), "2"},
        {"[HWID]\nCode=USB\\VID_1234&PID_0001", hardwareId, "USB\\VID_1234&PID_0001"},
        {"[TIMEOUT]\nRecv=-1", replyTimeout, "30000"},
        {"[TIMEOUT]\nUpdate=120000", number(&LinkSettings::updateTimeoutMs), "120000"},
        {"[VA48]\nUpdReboot=0", number(&LinkSettings::rebootAfterUpdate), "0"},
    };
    for (const auto& row : rows) {
        WriteFile(path, row.lines + "\n");
        LinkSettings settings;
        LoadLinkSettings(SettingsFile(path), settings);
        EXPECT_EQ(row.field(settings), row.expected) << row.lines;
    }
}

TEST_F(LinkSettingsTest, SavedValuesTakeEffectOnlyOnceTheyReachTheFile) {
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable);
        SettingsFile file(writable ? path : temp / "missing" / "VA-48Viewer.ini");
        LinkSettings settings;
        LoadLinkSettings(file, settings); // the defaults: 30000 ms, no address
        std::error_code why;
        EXPECT_EQ(SaveReplyTimeout(file, settings, 45000, &why), writable);
        EXPECT_EQ(SaveLanAddress(file, settings, {172, 16, 0, 200}, &why), writable);
        EXPECT_EQ(why == std::errc::no_such_file_or_directory, !writable);
        EXPECT_EQ(settings.replyTimeoutMs.load(), writable ? 45000u : 30000u);
        EXPECT_EQ(settings.lanAddress, (writable ? Address{172, 16, 0, 200} : kNoLanAddress));

        LinkSettings reloaded;
        LoadLinkSettings(file, reloaded);
        EXPECT_EQ(reloaded.replyTimeoutMs.load(), settings.replyTimeoutMs.load());
        EXPECT_EQ(reloaded.lanAddress, settings.lanAddress);
    }
}

} // namespace
} // namespace va48
