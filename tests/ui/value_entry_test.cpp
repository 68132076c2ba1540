#include "ui/value_entry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace va48 {
namespace {

constexpr char16_t kBs = kBackspaceKey;

FieldText Field(std::string text, int start, int end) {
    return {std::move(text), start, end};
}
FieldText Caret(std::string text, int at) {
    return {std::move(text), at, at};
}

struct DecimalKeyCase {
    const char* name;
    FieldText before;
    char16_t key;
    std::uint16_t limit;
    bool negativeAllowed;
    FieldText after;
};

TEST(DecimalKeyFilter, EditsAndLimits) {
    const std::string full(kFieldTextMax, '-');
    const std::string points(kFieldTextMax, '.');
    const std::vector<DecimalKeyCase> cases = {
        {"digit at limit ignored", Caret("25.0", 4), u'1', 3, true, Caret("25.0", 4)},
        {"selection lifts limit", Field("25.0", 1, 2), u'7', 3, true, Caret("27.0", 2)},
        {"reversed selection", Field("25.0", 2, 1), u'7', 3, true, Caret("27.0", 2)},
        {"minus at limit", Caret("25.0", 0), u'-', 3, true, Caret("-25.0", 1)},
        {"point at limit", Caret("250", 3), u'.', 3, true, Caret("250.", 4)},
        {"backspace at limit", Caret("25.0", 4), kBs, 3, true, Caret("25.", 3)},
        {"minus not allowed", Caret("25", 0), u'-', 3, false, Caret("25", 0)},
        {"minus not allowed over selection", Field("25", 0, 1), u'-', 3, false, Field("25", 0, 1)},
        {"backspace at start", Caret("123", 0), kBs, 3, true, Caret("123", 0)},
        {"backspace over selection", Field("123", 1, 3), kBs, 3, true, Caret("1", 1)},
        {"leading zero not counted", Caret("0.51", 4), u'2', 3, false, Caret("0.512", 5)},
        {"fraction full", Caret("0.512", 5), u'3', 3, false, Caret("0.512", 5)},
        {"letter refused, selection kept", Field("12", 0, 2), u'a', 3, true, Field("12", 0, 2)},
        {"non-ASCII refused", Caret("1", 1), u'\u0661', 3, true, Caret("1", 1)},
        {"positions clamped", Field("12", -4, 9), u'5', 3, true, Caret("5", 1)},
        {"signs and points anywhere", Caret("1.", 2), u'.', 3, true, Caret("1..", 3)},
        // The text never grows past the field; replacing a selection does not grow it.
        {"full field, minus", Caret(full, kFieldTextMax), u'-', 3, true,
         Caret(full, kFieldTextMax)},
        {"full field, point", Caret(points, 5), u'.', 3, true, Caret(points, 5)},
        {"full field, selection replaced", Field(points, 0, 1), u'7', 3, true,
         Caret("7" + points.substr(1), 1)},
        {"one short of full", Caret(full.substr(1), 0), u'.', 3, true,
         Caret("." + full.substr(1), 1)},
        // A longer text set from elsewhere is edited as its first characters only.
        {"longer text", Caret(std::string(40, '.'), 40), kBs, 3, true,
         Caret(std::string(kFieldTextMax - 1, '.'), kFieldTextMax - 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FieldText field = c.before;
        DecimalKeyFilter(field, c.key, c.limit, c.negativeAllowed);
        EXPECT_EQ(field, c.after);
    }
}

TEST(HexKeyFilter, LimitAndCharacters) {
    const std::string twelve = "123456789abc";
    struct Case {
        FieldText before;
        char16_t key;
        FieldText after;
    };
    const std::vector<Case> cases = {
        {Caret(twelve, 12), u'd', Caret(twelve, 12)},
        {Field(twelve, 11, 12), u'D', Caret("123456789abD", 12)},
        {Caret(twelve, 12), kBs, Caret("123456789ab", 11)},
        {Caret("12", 2), u'g', Caret("12", 2)},
        {Caret("12", 0), u'F', Caret("F12", 1)},
        {Caret("12", 1), u'-', Caret("12", 1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before.text + " + " + std::to_string(c.key));
        FieldText field = c.before;
        HexKeyFilter(field, c.key, 12);
        EXPECT_EQ(field, c.after);
    }
    FieldText longer = Caret(std::string(40, 'a'), 40);
    HexKeyFilter(longer, u'b', 200);
    EXPECT_EQ(longer.text, std::string(40, 'a')) << "never past the field";
}

TEST(SignificantDigitCount, Counts) {
    const std::string longRun(60, '9');
    const std::vector<std::pair<std::string, int>> cases = {
        {"25.0", 3}, {"-59.9", 3}, {"0.5", 1},  {"007", 1},    {"0.100", 3},
        {"", 0},     {".5", 1},    {"1..2", 2}, {"-", 0},      {"00", 0},
        {" 12", 2},  {"5-", 1},    {"1.-5", 3}, {longRun, 60}, {"-" + longRun + ".1", 61},
    };
    for (const auto& [text, count] : cases) {
        EXPECT_EQ(SignificantDigitCount(text), count) << text;
    }
}

TEST(DecimalRangeCheck, ReadsLeadingNumber) {
    const std::string huge = "1" + std::string(400, '0');
    const std::string tiny = "0." + std::string(400, '0') + "1";
    const std::vector<std::pair<std::string, int>> cases = {
        {"3", 0},    {"2.99", -1}, {"200.01", 1},    {"200", 0},  {"1..2", -1},
        {"  50", 0}, {"+50", 0},   {"-50", -1},      {"abc", -1}, {"inf", -1},
        {"nan", -1}, {"1e5", -1},  {"3.", 0},        {".5", -1},  {"0x10", -1},
        {"- 5", -1}, {huge, 1},    {"-" + huge, -1}, {"--5", -1}, {tiny, -1},
    };
    for (const auto& [text, result] : cases) {
        EXPECT_EQ(DecimalRangeCheck(text, 3, 200), result) << text;
    }
    EXPECT_EQ(DecimalRangeCheck("1..2", 1, 1), 0);
    EXPECT_EQ(DecimalRangeCheck(".5", 0.5, 0.5), 0);
    EXPECT_EQ(DecimalRangeCheck(tiny, 0, 0), 0);
}

TEST(ParseHex64, AcceptsOnlyHexDigits) {
    const std::pair<std::string, std::uint64_t> read[] = {
        {"", 0},        {"FFFFFFFFFFFF", 281474976710655u}, {"12345678ABCD", 0x12345678ABCDu},
        {"abc", 0xABC}, {"FFFFFFFFFFFFFFFF", UINT64_MAX},   {"0000000000000000001", 1},
    };
    for (const auto& [text, value] : read) {
        std::uint64_t out = 0x5A5A;
        EXPECT_EQ(ParseHex64(text, out), 0) << text;
        EXPECT_EQ(out, value) << text;
    }
    using namespace std::string_literals;
    for (const std::string& bad :
         {"10000000000000000"s, "g"s, " 1"s, "1 "s, "0x1"s, "-1"s, "+1"s, "1\0"s}) {
        std::uint64_t out = 0x5A5A;
        EXPECT_EQ(ParseHex64(bad, out), -1) << bad;
        EXPECT_EQ(out, 0x5A5Au) << "left as it was: " << bad;
    }
}

TEST(HexRangeCheck, SignedReading) {
    constexpr double kMax = 281474976710655.0;
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 0},
        {"FFFFFFFFFFFF", 0},
        {"1000000000000", 1},
        {"FFFFFFFFFFFFFFFF", -1},
        {"7FFFFFFFFFFFFFFF", 1},
        {"xyz", -2},
        {"10000000000000000", -2},
    };
    for (const auto& [text, result] : cases) {
        EXPECT_EQ(HexRangeCheck(text, 0, kMax), result) << text;
    }
}

TEST(DecimalTextNormalize, ThreeDigits) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"3", "3.00"},      {"12.345", "12.3"},   {"150", "150"},     {"0.5", "0.500"},
        {"007.1", "7.10"},  {"999.9", "999"},     {"-25.0", "-25.0"}, {"1234.5", "1234"},
        {"", "0.000"},      {"1..2", "1.20"},     {".5", "0.500"},    {"1.5-", "1.50"},
        {"-0.5", "-0.500"}, {"-0.0001", "0.000"}, {" +7", "7.00"},    {"3.00", "3.00"},
    };
    for (const auto& [text, normalised] : cases) {
        EXPECT_EQ(DecimalTextNormalize(text, 3), normalised) << text;
    }
    EXPECT_EQ(DecimalTextNormalize("12.5", 4), "12.50");
    EXPECT_EQ(DecimalTextNormalize("0.5", 0), "0");
}

TEST(HexTextNormalize, PadsAndUppercases) {
    EXPECT_EQ(HexTextNormalize("abc", 12), "000000000ABC");
    EXPECT_EQ(HexTextNormalize("", 12), "000000000000");
    EXPECT_EQ(HexTextNormalize("123456789abcdef0", 12), "123456789ABCDEF0");
    EXPECT_EQ(HexTextNormalize("000000000000000000ff", 4), "00FF");
    EXPECT_EQ(HexTextNormalize("0", 0), "0");
    EXPECT_EQ(HexTextNormalize("xyz", 12), "");
}

} // namespace
} // namespace va48
