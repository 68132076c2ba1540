#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace va48 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Request(std::string_view text) {
    Bytes frame(kMaxFrameSize);
    const int length = BuildRequestFrame(text, frame);
    frame.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return frame;
}

// A reply frame as the amplifier sends it: kind byte, text, ETX, any BCC, CR LF.
Bytes Reply(std::uint8_t kind, std::string_view text) {
    Bytes frame(text.size() + kFrameOverhead);
    frame[0] = kStx;
    frame[1] = 0x01;
    frame[2] = kind;
    std::copy(text.begin(), text.end(), frame.begin() + 3);
    const std::size_t end = 3 + text.size();
    frame[end] = kEtx;
    frame[end + 1] = 0x5A; // the BCC is never checked
    frame[end + 2] = kCr;
    frame[end + 3] = kLf;
    return frame;
}

ReplyRecord Split(const Bytes& frame) {
    ReplyRecord record;
    EXPECT_EQ(SplitReply(frame, record), 0);
    return record;
}

TEST(BuildFrame, WrapsRequestTextsByteForByte) {
    EXPECT_EQ(Request("VER?"),
              (Bytes{0x02, 0x01, 0x43, 0x56, 0x45, 0x52, 0x3F, 0x03, 0x00, 0x0D, 0x0A}));
    EXPECT_EQ(Request("SET? 3"), (Bytes{0x02, 0x01, 0x43, 0x53, 0x45, 0x54, 0x3F, 0x20, 0x33, 0x03,
                                        0x00, 0x0D, 0x0A}));
    EXPECT_EQ(Request(""), (Bytes{0x02, 0x01, 0x43, 0x03, 0x00, 0x0D, 0x0A}));
    EXPECT_EQ(Request(kTestText).size(), 139u);
}

TEST(BuildFrame, RefusesBuffersThatCannotHoldTheFrame) {
    Bytes none;
    EXPECT_EQ(BuildRequestFrame("VER?", std::span<std::uint8_t>(none)), -1);

    Bytes small(10, 0xEE); // the VER? frame needs 11
    EXPECT_EQ(BuildRequestFrame("VER?", small), -1);
    EXPECT_EQ(small, Bytes(10, 0x00));

    Bytes exact(11, 0xEE);
    EXPECT_EQ(BuildRequestFrame("VER?", exact), 11);

    const std::string longest(kRequestTextSize - 1, 'A');
    Bytes full(kMaxFrameSize);
    EXPECT_EQ(BuildRequestFrame(longest, full), 1023);
}

TEST(SplitReply, RefusesFramesShorterThanSevenBytesAndKeepsTheRecord) {
    ReplyRecord record;
    record.fieldCount = 3;
    record.replyKind = 0x44;
    const Bytes six = {kStx, 0x01, 0x41, kEtx, kCr, kLf};
    EXPECT_EQ(SplitReply(six, record), -1);
    EXPECT_EQ(record.fieldCount, 3u);
    EXPECT_EQ(record.replyKind, 0x44);
}

TEST(SplitReply, CutsTheTextAtCommasAndDropsEmptyFields) {
    struct Case {
        std::string_view text;
        std::vector<std::string_view> fields;
    };
    const Case cases[] = {
        {"", {}},
        {"1.02", {"1.02"}},
        {"12,,34", {"12", "34"}},
        {",7,", {"7"}},
        {",", {}},
        {"a,b,c", {"a", "b", "c"}},
        {std::string_view("5,6\0,7", 6), {"5", "6"}}, // a NUL ends the text as the ETX would
    };
    for (const Case& c : cases) {
        const ReplyRecord record = Split(Reply(0x41, c.text));
        EXPECT_EQ(record.replyKind, 0x41);
        ASSERT_EQ(record.fieldCount, c.fields.size()) << c.text;
        for (std::size_t i = 0; i < c.fields.size(); ++i) {
            EXPECT_EQ(record.Field(i), c.fields[i]) << c.text;
        }
        EXPECT_FALSE(record.fieldsDropped);
        EXPECT_TRUE(record.cutFields.none());
    }
}

TEST(SplitReply, NeverWritesPastTheRecordAndMarksWhatDidNotFit) {
    std::string many;
    for (int i = 0; i < 250; ++i) {
        many += std::to_string(i) + ",";
    }
    const ReplyRecord crowded = Split(Reply(0x41, many));
    EXPECT_EQ(crowded.fieldCount, kMaxReplyFields);
    EXPECT_TRUE(crowded.fieldsDropped);
    EXPECT_EQ(crowded.Field(199), "199");

    const ReplyRecord wide = Split(Reply(0x41, "1,12345678901234567890,3"));
    ASSERT_EQ(wide.fieldCount, 3u);
    EXPECT_EQ(wide.Field(1), "123456789012345");
    EXPECT_TRUE(wide.cutFields.test(1));
    EXPECT_FALSE(wide.cutFields.test(0));
    EXPECT_FALSE(wide.fieldsDropped);

    // A frame far longer than any receive buffer is still split safely.
    const ReplyRecord huge = Split(Reply(0x41, std::string(5000, 'x')));
    EXPECT_EQ(huge.fieldCount, 1u);
    EXPECT_TRUE(huge.cutFields.test(0));
}

TEST(CheckStatus, MapsTheFirstFourCharactersOfTheStatus) {
    const std::pair<std::string_view, ResultCode> cases[] = {
        {"0000", ResultCode::StatusBcc},       {"0001", ResultCode::StatusUndefined},
        {"0002", ResultCode::StatusParameter}, {"0003", ResultCode::StatusImpossible},
        {"0004", ResultCode::StatusTimeout},   {"00041", ResultCode::StatusTimeout},
        {"00001", ResultCode::StatusBcc},      {"000", ResultCode::StatusOther},
        {"0005", ResultCode::StatusOther},     {"", ResultCode::StatusOther},
    };
    for (const auto& [status, expected] : cases) {
        EXPECT_EQ(CheckStatus(Split(Reply(kNak, status))), expected) << status;
    }
}

TEST(ResultMessage, CodesWithoutAMessageGiveNone) {
    for (const auto code : {ResultCode::Success, ResultCode::NotStarted, ResultCode::Unused30,
                            static_cast<ResultCode>(200)}) {
        EXPECT_EQ(ResultMessage(code), 0) << ToInt(code);
    }
}

} // namespace
} // namespace va48
