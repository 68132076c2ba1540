#include "sim/amplifier.h"
#include "sim/control.h"
#include "sim/faults.h"
#include "sim/frame_codec.h"
#include "sim/levels.h"
#include "sim/options.h"
#include "sim/srecord.h"
#include "tests/support/raw_client.h"
#include "tests/support/sim_process.h"
#include "tests/support/srecord_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace va48 {
namespace {

using namespace va48sim;
using namespace std::chrono_literals;
using namespace std::string_literals;

// --- Frames

TEST(RequestDecoder, CutsFramesOutOfTheByteStreamWholeOrByteByByte) {
    const std::string did = EncodeRequest("DID?");
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> texts;
    } rows[] = {
        {"empty text", EncodeRequest(""), {""}},
        {"bytes before STX skipped", "junk\r\n\x03" + did, {"DID?"}},
        {"two frames at once", did + EncodeRequest("SET? 3"), {"DID?", "SET? 3"}},
        {"line end inside the text", EncodeRequest("UPD 4 S9\r\n"), {"UPD 4 S9\r\n"}},
        {"broken frame dropped at next STX", "\2\1CDI" + did, {"DID?"}},
        {"BCC may be STX", "\2\1CVER?\3\2\r\n", {"VER?"}},
        {"oversized frame dropped", "\2\1C" + std::string(1100, 'A') + did.substr(3), {}},
    };
    for (const auto& row : rows) {
        for (const bool byteByByte : {false, true}) {
            RequestDecoder decoder;
            std::vector<std::string> texts;
            for (std::size_t at = 0; at < row.bytes.size();
                 at += byteByByte ? 1 : row.bytes.size()) {
                for (const Request& request :
                     decoder.Feed(row.bytes.substr(at, byteByByte ? 1 : std::string::npos))) {
                    texts.push_back(request.text);
                    EXPECT_EQ(request.device, 0x01);
                    EXPECT_EQ(request.type, 'C');
                }
            }
            EXPECT_EQ(texts, row.texts) << row.what << (byteByByte ? " byte by byte" : "");
        }
    }
}

// --- The device model

Answer Nak(std::string_view status) {
    return Answer{true, std::string(status)};
}

Answer Ack(std::string_view text = "") {
    return Answer{false, std::string(text)};
}

// "1 2 3" as reply fields "1,2,3".
std::string Fields(std::string_view spaced) {
    std::string fields(spaced);
    std::ranges::replace(fields, ' ', ',');
    return fields;
}

AmplifierConfig Config(std::string_view layout = "SSSSSSSSVVVVVVVV") {
    AmplifierConfig config;
    config.layout = *ParseLayout(layout);
    return config;
}

TEST(Amplifier, RefusesUnknownCommandsAndBadParameters) {
    Amplifier amplifier(Config("S0V0000000000000"));
    const std::vector<std::pair<const char*, std::string_view>> rows = {
        {"XYZ?", kStatusUndefined},      {"", kStatusUndefined},
        {"did?", kStatusUndefined},      {"DID", kStatusUndefined},
        {"CAL?", kStatusUndefined},      {"DID? 1", kStatusParameter},
        {"SET?", kStatusParameter},      {"SET? 2", kStatusParameter},
        {"SET? 17", kStatusParameter},   {"CAL 0 2", kStatusParameter},
        {"IPA 1 2 3", kStatusParameter}, {"IPA 256 0 0 0 0 0 0 0 0 0 0 0", kStatusParameter},
        {"SET?  1", kStatusParameter},   {"SET? 1 ", kStatusParameter},
        {"SET?1", kStatusParameter},     {"CAL 0  1", kStatusParameter},
        {"SET? +1", kStatusParameter},   {"SET? 1x", kStatusParameter},
        {"SET? -", kStatusParameter},    {"SET? 0000000000000000001", kStatusParameter},
    };
    for (const auto& [text, status] : rows) {
        EXPECT_EQ(amplifier.Handle(text), Nak(status)) << text;
    }
}

TEST(Amplifier, ValidatesSetupWritesByModuleKind) {
    const std::vector<std::pair<const char*, bool>> rows = {
        {"SET 9 0 0 0 1 0 2 1 12 12 512 1 4 10 -2", true},  // vibration, front CCLD
        {"SET 1 0 1 0 1 0 3 3 3 3 599 0 5 21 26", true},    // sound, rear CCLD, extremes
        {"SET 1 0 1 0 1 1 1 1 1 1 100 0 0 -2 -2", true},    // sound, rear CCLD TEDS
        {"SET 9 0 1 0 0 0 1 1 1 1 999 2 6 -1 22", true},    // vibration, rear, extremes
        {"SET 1 0 0 0 1 0 1 1 1 1 250 0 2 -1 -1", false},   // sound has no front CCLD
        {"SET 9 0 0 0 0 1 1 1 1 1 500 1 3 -1 -1", false},   // TEDS alone is no connector
        {"SET 1 0 0 0 0 0 1 1 1 1 600 0 2 -1 -1", false},   // sensitivity above the scale
        {"SET 9 0 0 0 1 0 1 1 1 1 500 1 7 -1 -1", false},   // vibration range 0..6
        {"SET 9 0 0 0 1 0 1 1 1 1 500 1 3 -1 -1 0", false}, // 15 values
        {"SET 2 0 0 0 0 0 1 1 1 1 250 0 2 -1 -1", false},   // empty slot
    };
    for (const auto& [text, accepted] : rows) {
        Amplifier amplifier(Config("S0000000V0000000"));
        const std::string before1 = amplifier.Handle("SET? 1").text;
        const std::string before9 = amplifier.Handle("SET? 9").text;
        if (accepted) {
            EXPECT_EQ(amplifier.Handle(text), Ack()) << text;
            // The reply gives back exactly the values written after the channel.
            const std::string_view written = text;
            EXPECT_EQ(amplifier.Handle(std::string("SET? ") + text[4]).text,
                      Fields(written.substr(written.find(' ', 4) + 1)));
        } else {
            EXPECT_EQ(amplifier.Handle(text), Nak(kStatusParameter)) << text;
            EXPECT_EQ(amplifier.Handle("SET? 1").text, before1) << text;
            EXPECT_EQ(amplifier.Handle("SET? 9").text, before9) << text;
        }
    }
}

TEST(Amplifier, KeepsWeightingFieldsByMeaning) {
    Amplifier amplifier(Config());
    ASSERT_EQ(amplifier.Handle("SET 9 0 0 0 1 0 2 1 12 12 512 1 4 10 -2"), Ack());
    EXPECT_EQ(amplifier.Setup(9).freqWeightUnit, 2);      // mm/s
    EXPECT_EQ(amplifier.Setup(9).timeWeightDetection, 1); // RMS
    ASSERT_EQ(amplifier.Handle("SET 1 0 0 0 0 0 2 1 1 1 250 0 2 -1 -1"), Ack());
    EXPECT_EQ(amplifier.Setup(1).timeWeightDetection, 2); // S
    EXPECT_EQ(amplifier.Setup(1).freqWeightUnit, 1);      // A
}

TEST(Amplifier, ValidatesUserFilterWrites) {
    const std::vector<std::pair<const char*, bool>> rows = {
        {"UHC 1 1 300 1 2 3 4 5", true},
        {"UHC 1 0 0 0 0 0 0 0", true},
        {"UHC 1 1 20000 0 0 0 0 281474976710655", true},
        {"UHC 1 1 299 1 2 3 4 5", false},
        {"UHC 1 1 20001 1 2 3 4 5", false},
        {"UHC 1 1 300 1 2 3 4 281474976710656", false},
        {"UHC 1 2 300 1 2 3 4 5", false},
        {"UHC 1 1 300 1 2 3 4", false},
        {"ULC 1 1 50000 1 2 3 4 5", true},  // sound module
        {"ULC 9 1 50000 1 2 3 4 5", false}, // vibration module stops at 20000
    };
    for (const auto& [text, accepted] : rows) {
        Amplifier amplifier(Config("S0000000V0000000"));
        EXPECT_EQ(amplifier.Handle(text), accepted ? Ack() : Nak(kStatusParameter)) << text;
        const std::string query = std::string(text).substr(0, 3) + "? " + text[4];
        const std::string expected =
            accepted ? Fields(std::string_view(text).substr(6)) : "0,0,0,0,0,0,0";
        EXPECT_EQ(amplifier.Handle(query).text, expected) << text;
    }
}

TEST(Amplifier, ResetRestoresDefaultsButKeepsTheNetwork) {
    Amplifier amplifier(Config());
    ASSERT_EQ(amplifier.Handle("SET 1 0 1 0 1 0 3 3 3 3 599 0 5 21 26"), Ack());
    ASSERT_EQ(amplifier.Handle("UHC 1 1 300 1 2 3 4 5"), Ack());
    ASSERT_EQ(amplifier.Handle("IPA 10 0 0 2 255 0 0 0 10 0 0 1"), Ack());
    ASSERT_EQ(amplifier.Handle("CAL 0 1"), Ack());
    EXPECT_EQ(amplifier.Handle("RES"), Ack());
    Amplifier fresh(Config());
    for (const char* query : {"SET? 1", "SET? 9", "UHC? 1"}) {
        EXPECT_EQ(amplifier.Handle(query), fresh.Handle(query)) << query;
    }
    EXPECT_EQ(amplifier.Handle("IPA?"), Ack("10,0,0,2,255,0,0,0,10,0,0,1"));
    EXPECT_FALSE(amplifier.CalibrationOn());
}

TEST(Amplifier, AnswersTedsStatesFromTheScript) {
    AmplifierConfig config = Config();
    config.tedsScripts[2] = TedsScript{1, 1, 3};
    Amplifier amplifier(config);
    for (const char* state : {"1", "1", "3", "3"}) {
        EXPECT_EQ(amplifier.Handle("TDS? 3"), Ack(state));
    }
    EXPECT_EQ(amplifier.Handle("TEC 3"), Ack());
    EXPECT_EQ(amplifier.Handle("TDS? 3"), Ack("1"));

    // Unscripted: nothing to read until the TEDS connector is chosen; then the sensor is read and
    // its sensitivity replaces the one written.
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("0"));
    EXPECT_EQ(amplifier.Handle("TEC 1"), Ack());
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("0"));
    ASSERT_EQ(amplifier.Handle("SET 1 0 1 0 1 1 1 1 1 1 250 0 2 -1 -1"), Ack());
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("1"));
    EXPECT_EQ(amplifier.Handle("SET? 1").text, "0,1,0,1,1,1,1,1,1,250,0,2,-1,-1");
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("2"));
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("2"));
    EXPECT_EQ(amplifier.Handle("SET? 1").text, "0,1,0,1,1,1,1,1,1,268,0,2,-1,-1");
    ASSERT_EQ(amplifier.Handle("SET 1 0 0 0 0 0 1 1 1 1 250 0 2 -1 -1"), Ack());
    EXPECT_EQ(amplifier.Handle("TDS? 1"), Ack("0"));
}

TEST(Levels, LightTheLampsByTheLevelAgainstFullScale) {
    const ChannelSetup sound = DefaultSetup(ModuleKind::Sound); // full scale 100 dB
    struct Row {
        int level;
        std::int64_t value;
        int red;
        int cyan;
    };
    const std::vector<Row> rows = {
        {1, 1001, 1, 0},
        {0, 1000, 0, 0},
        {-500, 500, 0, 0},
        {-501, 499, 0, 1},
    };
    for (const Row& row : rows) {
        const auto fields = ReadingFields(ModuleKind::Sound, sound, row.level);
        EXPECT_EQ(fields[0], row.value) << row.level;
        EXPECT_EQ(fields[5], row.red) << row.level;
        EXPECT_EQ(fields[6], row.cyan) << row.level;
        EXPECT_EQ(fields[9], 0);
    }
    const auto vibration =
        ReadingFields(ModuleKind::Vibration, DefaultSetup(ModuleKind::Vibration), 0);
    EXPECT_EQ(vibration[0], 300); // 30.0 m/s2 at exponent 1, range 3
    EXPECT_EQ(vibration[7], 1);
    EXPECT_EQ(vibration[8], 3);
    EXPECT_EQ(vibration[9], 1);
    EXPECT_EQ(ReadingFields(ModuleKind::None, sound, 100), (std::array<std::int64_t, 11>{}));
}

TEST(Levels, ScaleToTheRangeListsTheClientShows) {
    const struct {
        ModuleKind kind;
        int sensitivity;
        int exponent;
        int unit;
        int range;
        std::int64_t fullScale; // vibration: counts as the client places the decimal point; dB
    } rows[] = {
        {ModuleKind::Vibration, 500, 0, 1, 0, 100},   // 10 m/s2 with one decimal
        {ModuleKind::Vibration, 500, 0, 1, 6, 10000}, // 10000 m/s2, no decimals
        {ModuleKind::Vibration, 500, 2, 3, 0, 100},   // 0.01 mm with four decimals
        {ModuleKind::Vibration, 500, 1, 2, 3, 300},   // 30 mm/s with one decimal
        {ModuleKind::Sound, 100, 0, 1, 0, 70},        {ModuleKind::Sound, 599, 0, 1, 5, 160},
    };
    for (const auto& row : rows) {
        ChannelSetup setup = DefaultSetup(row.kind);
        setup.sensitivity = row.sensitivity;
        setup.sensitivityExp = row.exponent;
        setup.freqWeightUnit = row.unit;
        setup.rangeIndex = row.range;
        EXPECT_EQ(row.kind == ModuleKind::Sound ? SoundFullScaleDb(setup)
                                                : VibrationFullScaleCounts(setup),
                  row.fullScale)
            << row.sensitivity << " " << row.exponent << row.unit << row.range;
    }
}

TEST(Amplifier, PollsReadingsThatMoveAndRepeatPerSeed) {
    Amplifier first(Config("SSSSSSSSVVVVVVV0"));
    Amplifier second(Config("SSSSSSSSVVVVVVV0"));
    const Answer poll1 = first.Handle("DOD?");
    EXPECT_EQ(std::ranges::count(poll1.text, ',') + 1, 176);
    EXPECT_TRUE(poll1.text.ends_with(",0,0,0,0,0,0,0,0,0,0,0")); // the empty slot
    const Answer poll2 = first.Handle("DOD?");
    EXPECT_NE(poll1, poll2);
    EXPECT_EQ(second.Handle("DOD?"), poll1);

    first.PinLevel(1, 30); // 3 dB over full scale
    EXPECT_TRUE(first.Handle("DOD?").text.starts_with("1030,0,0,0,0,1,0,0,2,0,0,"));
    ASSERT_EQ(first.Handle("CAL 0 1"), Ack()); // a steady tone 10 dB under full scale
    EXPECT_TRUE(first.Handle("DOD?").text.starts_with("900,0,0,0,0,0,0,0,2,0,0,"));
}

// --- Firmware update

TEST(SRecord, ChecksTypeCountDigitsAndChecksum) {
    const std::vector<std::pair<const char*, bool>> rows = {
        {"S00F000068656C6C6F202020202000003C", true},
        {"S1137AF00A0A0D0000000000000000000000000061", true},
        {"S1137AF00A0A0D0000000000000000000000000061\r\n", true},
        {"s1137af00a0a0d0000000000000000000000000061", false}, // the S is upper case
        {"S208010000112233444C", true},
        {"S30900010000AABBCCDDE7", true},
        {"S5030003F9", true},
        {"S70500000000FA", true},
        {"S9030000FC", true},
        {"S1137AF00A0A0D0000000000000000000000000062", false}, // checksum
        {"S1147AF00A0A0D0000000000000000000000000061", false}, // byte count
        {"S1137AF00A0A0D000000000000000000000000061", false},  // odd digit count
        {"S1137AF00A0A0D00000000000000000000000000G1", false}, // not hex
        {"S4030000FC", false},                                 // no such type
        {"S3030000FC", false},                                 // too short for its address
        {"", false},
    };
    for (const auto& [line, valid] : rows) {
        EXPECT_EQ(CheckSRecord(line).has_value(), valid) << line;
    }
}

TEST(Amplifier, RunsTheFirmwareUpdateSteps) {
    Amplifier amplifier(Config());
    const std::string record = "UPD 4 S1137AF00A0A0D0000000000000000000000000061\n";
    EXPECT_EQ(amplifier.Handle(record), Nak(kStatusParameter)); // not in update mode
    EXPECT_EQ(amplifier.Handle("UPD 1"), Ack());
    EXPECT_EQ(amplifier.Handle(record), Ack());
    EXPECT_EQ(amplifier.Handle("UPD 4 S1137AF00A0A0D0000000000000000000000000062\n"),
              Nak(kStatusParameter));
    EXPECT_EQ(amplifier.Handle("UPD 4"), Nak(kStatusParameter));
    EXPECT_EQ(amplifier.Handle("UPD 4 \n"), Ack()); // a blank line is no harm

    // A 1 MiB image, line by line (the update's long lines come in pieces: see the window tests).
    const std::string image = SRecordImage(1 << 20);
    for (std::size_t at = 0, end = 0; at < image.size(); at = end) {
        end = image.find('\n', at) + 1;
        ASSERT_EQ(amplifier.Handle("UPD 4 " + image.substr(at, end - at)), Ack()) << at;
    }
    EXPECT_EQ(amplifier.Update().RecordCount(), 1u + 32768 + 2);
    EXPECT_EQ(amplifier.Handle("UPD 2"), Ack());
    EXPECT_EQ(amplifier.Update().WrittenBytes(), 16u + (1u << 20));
    EXPECT_FALSE(amplifier.Update().InUpdateMode());
    EXPECT_EQ(amplifier.Handle("UPD 2"), Nak(kStatusParameter));
    EXPECT_EQ(amplifier.Handle("UPD 3"), Ack()); // reboot works in any mode

    EXPECT_EQ(amplifier.Handle("UPD 1"), Ack());
    EXPECT_EQ(amplifier.Handle("UPD 2"), Nak(kStatusImpossible)); // nothing to write
    EXPECT_EQ(amplifier.Handle("UPD 0"), Ack());
    EXPECT_EQ(amplifier.Handle("UPD 5"), Nak(kStatusParameter));
}

TEST(Amplifier, EchoesTheReplyTimeTest) {
    Amplifier amplifier(Config());
    EXPECT_EQ(amplifier.Handle("TST?0123456789"), Ack("?0123456789"));
}

// --- Faults and settings

TEST(Faults, ShapeTheReply) {
    const std::string frame = EncodeAck("1.02");
    int executed = 0;
    const auto answer = [&] {
        ++executed;
        return frame;
    };
    Faults faults;
    faults.delay = 5ms;
    faults.strayBytes = "xy";
    EXPECT_EQ(PlanReply(faults, "VER", answer), (std::vector<Chunk>{{5ms, "xy" + frame}}));

    faults.split = true;
    faults.splitAt = 3;
    faults.commands["VER"].delay = 40ms;
    faults.commands["VER"].lateDuplicate = 100ms;
    EXPECT_EQ(PlanReply(faults, "VER", answer),
              (std::vector<Chunk>{{40ms, "xy" + frame.substr(0, 3)},
                                  {40ms + kSplitPause, frame.substr(3)},
                                  {140ms, frame, true}}));
    EXPECT_EQ(executed, 2);

    faults = Faults{};
    faults.commands["SET"].shortFrame = true;
    EXPECT_EQ(PlanReply(faults, "SET", answer), (std::vector<Chunk>{{0ms, ShortFrame() + frame}}));

    // These three never reach the amplifier.
    executed = 0;
    faults.commands["SET"].nakStatus = "0003";
    EXPECT_EQ(PlanReply(faults, "SET", answer)[0].bytes, ShortFrame() + EncodeNak("0003"));
    faults.commands["DOD"].flood = true;
    const auto flood = PlanReply(faults, "DOD", answer);
    ASSERT_EQ(flood.size(), 1u);
    EXPECT_EQ(flood[0].bytes.size(), kFloodSize);
    EXPECT_EQ(flood[0].bytes.find_first_of(std::string("\x02\r\n", 3)), std::string::npos);
    faults.commands["TDS"].silent = true;
    EXPECT_TRUE(PlanReply(faults, "TDS", answer).empty());
    EXPECT_EQ(executed, 0);
}

TEST(Faults, FailTheWriteOrDropTheLinkMidUpdate) {
    Faults faults;
    faults.writeFailStatus = "0003";
    faults.dropAtLine = 2;
    const struct {
        const char* request;
        UpdateFault fault;
        std::size_t lines; // after the request
    } rows[] = {
        {"UPD 4 S9030000FC\n", UpdateFault::None, 1},
        {"UPD 1", UpdateFault::None, 0},
        {"UPD 4 S1\n", UpdateFault::None, 1},
        {"UPD 4 S1\n", UpdateFault::Drop, 2},
        {"UPD 4 S1\n", UpdateFault::None, 3},
        {"UPD 2", UpdateFault::FailWrite, 3},
        {"UPD 21", UpdateFault::None, 3},
        {"UPD 3", UpdateFault::None, 3},
        {"TST?UPD 2", UpdateFault::None, 3},
    };
    std::size_t lines = 0;
    for (const auto& row : rows) {
        EXPECT_EQ(UpdateFaultFor(faults, row.request, lines), row.fault) << row.request;
        EXPECT_EQ(lines, row.lines) << row.request;
    }
}

TEST(Settings, ApplyFromControlLinesOrRefuse) {
    SimState state(Config());
    const std::vector<std::pair<const char*, bool>> rows = {
        {"nak SET:0002", true},
        {"nak XYZ:0002", false},
        {"nak SET", false},
        {"delay-ms -1", false},
        {"delay DOD:15", true},
        {"silent", false},
        {"split", true},
        {"split maybe", false},
        {"stray-bytes ab\\r\\n", true},
        {"stray-bytes \\x02", false},
        {"teds 3=4", false},
        {"teds 17=1", false},
        {"level 2=loud", false},
        {"layout S0V0S0V0S0V0S0V0", true},
        {"layout 0000000000000000", true},
        {"layout SS", false},
        {"layout SSSSSSSSVVVVVVVVV", false},
        {"layout sSSSSSSSVVVVVVVV", false},
        {"layout XSSSSSSSVVVVVVVV", false},
        {"bogus 1", false},
        {"clear DOD", true},
        {"fail-write 0003", true},
        {"drop-at-line 40", true},
        {"drop-at-line x", false},
    };
    for (const auto& [line, ok] : rows) {
        EXPECT_EQ(ApplySetting(ParseControlLine(line), state).empty(), ok) << line;
    }
    EXPECT_EQ(state.faults.For("SET").nakStatus, "0002");
    EXPECT_FALSE(state.faults.For("DOD").delay); // cleared by "clear DOD"
    EXPECT_EQ(state.faults.strayBytes, "ab\r\n");
    EXPECT_EQ(state.amplifier.Handle("DID?").text, "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
    EXPECT_TRUE(ApplySetting(ParseControlLine("clear UPD"), state).empty());
    EXPECT_FALSE(state.faults.writeFailStatus);
    EXPECT_EQ(state.faults.dropAtLine, 0u);
    EXPECT_TRUE(ApplySetting(ParseControlLine("  clear  "), state).empty());
    EXPECT_FALSE(state.faults.For("SET").nakStatus);
    EXPECT_FALSE(state.faults.split);
}

TEST(Options, ParseTheCommandLine) {
    Options options;
    EXPECT_EQ(ParseOptions({"--port", "0", "--split", "--nak=SET:0003", "--log", "--pty"}, options),
              "");
    EXPECT_EQ(options.port, 0);
    EXPECT_TRUE(options.pty);
    ASSERT_EQ(options.settings.size(), 3u);
    EXPECT_EQ(options.settings[1].name, "nak");
    EXPECT_EQ(options.settings[1].value, "SET:0003");
    for (const std::vector<std::string_view>& bad :
         {std::vector<std::string_view>{"--port", "70000"},
          {"--bogus"},
          {"--delay-ms"},
          {"port"}}) {
        Options ignored;
        EXPECT_NE(ParseOptions(bad, ignored), "") << bad[0];
    }
}

// --- End to end over loopback

TEST(SimEndToEnd, AnswersByteForByte) {
    SimProcess sim({"--layout", "S0V0000000000000", "--log"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    RawClient client(sim.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask("DID?"), "\x02\x01\x06"
                                  "0,14,0,15,0,0,0,0,0,0,0,0,0,0,0,0,0\x03\x00\r\n"s);
    EXPECT_EQ(client.Ask("ABC?"), "\x02\x01\x15"
                                  "0001\x03\x00\r\n"s);
    EXPECT_EQ(client.Ask("UPD 1"), EncodeAck(""));
    EXPECT_EQ(client.Ask("UPD 4 S9030000FC\r\n"), EncodeAck(""));
    EXPECT_EQ(sim.ReceivedRequests(),
              (std::vector<std::string>{"DID?", "ABC?", "UPD 1", "UPD 4 S9030000FC\r\n"}));
    EXPECT_FALSE(sim.Control("nak SET")); // a bad control line is refused with its reason
    EXPECT_NE(sim.Error().find("error"), std::string::npos) << sim.Error();
}

TEST(SimEndToEnd, DropsTheConnectionAfterTheNthReply) {
    SimProcess sim({"--drop-after", "2", "--late-duplicate", "VER:50"});
    ASSERT_TRUE(sim.Started()) << sim.Error();
    {
        RawClient client(sim.Port());
        ASSERT_TRUE(client.Connected());
        EXPECT_EQ(client.Ask("DID?").size(), 56u);
        ASSERT_TRUE(client.Send("VER?"));
        bool closed = false;
        // The reply comes, the duplicate dies with the connection.
        EXPECT_EQ(client.Read(2, &closed), EncodeAck("1.02"));
        EXPECT_TRUE(closed);
    }
    RawClient next(sim.Port()); // the next client is served again
    ASSERT_TRUE(next.Connected());
    ASSERT_TRUE(next.Send("VER?"));
    EXPECT_EQ(next.Read(2), EncodeAck("1.02") + EncodeAck("1.02"));
}

TEST(SimEndToEnd, ReportsAFailedStart) {
    SimProcess sim({"--layout", "nonsense"});
    EXPECT_FALSE(sim.Started());
    EXPECT_NE(sim.Error().find("layout"), std::string::npos) << sim.Error();
}

} // namespace
} // namespace va48
