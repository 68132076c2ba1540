#include "maintenance/firmware_image.h"

#include "tests/support/srecord_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

using namespace std::string_literals;

const std::string kData = SRecordLine(1, 0x7AF0, "\x0A\x0A\x0D"s + std::string(13, '\0'));
const std::string kEnd = SRecordLine(9, 0, "");

std::vector<std::string> Pieces(std::string_view raw) {
    const std::string content = TextModeContent(raw);
    std::vector<std::string> pieces;
    std::size_t offset = 0;
    for (auto piece = NextLinePiece(content, offset); !piece.empty();
         piece = NextLinePiece(content, offset)) {
        pieces.emplace_back(piece);
    }
    return pieces;
}

TEST(FirmwareLines, AreWhatA256ByteTextReadReturns) {
    const std::string a254(254, 'a');
    const std::string a255(255, 'a');
    const std::string a256(256, 'a');
    const struct {
        const char* name;
        std::string raw;
        std::vector<std::string> pieces;
    } rows[] = {
        {"empty file", "", {}},
        {"CR LF arrives as LF", "S1\r\nS9\r\n", {"S1\n", "S9\n"}},
        {"no line end at the end", "S1\nS9", {"S1\n", "S9"}},
        {"a lone CR stays", "S1\rX\n", {"S1\rX\n"}},
        {"254 characters and LF are one piece", a254 + "\n", {a254 + "\n"}},
        {"255 characters leave the LF alone", a255 + "\r\n", {a255, "\n"}},
        {"256 characters", a256 + "\nS9\n", {a255, "a\n", "S9\n"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Pieces(row.raw), row.pieces) << row.name;
    }
}

TEST(FirmwareImage, RefusesTheFirstBadLineNamingIt) {
    using enum ImageFault;
    const struct {
        std::string content;
        ImageFault fault;
        std::size_t line;
        std::uint32_t stated;
        std::uint32_t found;
        const char* text; // DescribeProblem in English; null: not compared
    } rows[] = {
        {kData + "\n" + kEnd + "\n", None, 0, 0, 0, nullptr},
        {"\n" + kData + "\n\n" + kEnd + "\n\n", None, 0, 0, 0, nullptr},
        {"", NoTermination, 0, 0, 0, "no termination record (S7, S8 or S9)"},
        {"hello\n" + kEnd, NotSRecord, 1, 0, 0, "line 1: not an S-record"},
        {"S4030000FC\n" + kEnd, NotSRecord, 1, 0, 0, nullptr},
        {kData + "\n" + kData + "G\n" + kEnd, NotHex, 2, 'G', 0,
         "line 2: 'G' is no hexadecimal digit"},
        {kData + " \n" + kEnd, NotHex, 1, ' ', 0, nullptr},
        {kData + "\r\n" + kEnd, NotHex, 1, '\r', 0, nullptr},
        {kData + "0\n" + kEnd, OddDigits, 1, 0, 0, nullptr},
        {"S1147AF00A0A0D0000000000000000000000000061\n" + kEnd, CountMismatch, 1, 0x14, 0x13,
         "line 1: byte count 14, 19 bytes follow"},
        {"S3030000FC\n" + kEnd, TooShort, 1, 3, 0, nullptr},
        {"S1137AF00A0A0D0000000000000000000000000062\n" + kEnd, BadChecksum, 1, 0x62, 0x61,
         "line 1: checksum 62, computed 61"},
        {kData + "\n" + SRecordLine(5, 2, "") + "\n" + kEnd, RecordCount, 2, 2, 1, nullptr},
        {kData + "\n" + SRecordLine(5, 1, "") + "\n" + kEnd, None, 0, 0, 0, nullptr},
        {kEnd + "\n" + kData + "\n", DataAfterEnd, 2, 0, 0,
         "line 2: a record after the termination record"},
    };
    for (const auto& row : rows) {
        const ImageCheck check = CheckFirmwareImage(row.content);
        const ImageProblem problem = check.problem.value_or(ImageProblem{});
        EXPECT_EQ(problem.fault, row.fault) << row.content;
        EXPECT_EQ(problem.line, row.line) << row.content;
        EXPECT_EQ(problem.stated, row.stated) << row.content;
        EXPECT_EQ(problem.found, row.found) << row.content;
        if (row.text) {
            EXPECT_EQ(DescribeProblem(problem, ImageTextsFor(false)), row.text);
        }
    }
}

TEST(FirmwareImage, SummarisesRecordsAddressesAndHeader) {
    const std::string content = "S00F000068656C6C6F202020202000003C\n" +
                                SRecordLine(2, 0x010000, "\x11\x22") + "\n" +
                                SRecordLine(1, 0x0100, "\x33") + "\n" + SRecordLine(1, 0x0200, "") +
                                "\n" + SRecordLine(8, 0, "") + "\n";
    const ImageCheck check = CheckFirmwareImage(content);
    ASSERT_FALSE(check.problem);
    EXPECT_EQ(DescribeSummary(check.summary, ImageTextsFor(false)),
              "3 data records, addresses 000100-010001, header \"hello\"");
    EXPECT_EQ(DescribeSummary(CheckFirmwareImage(kEnd).summary, ImageTextsFor(false)),
              "0 data records");
    // The Japanese texts take the same values in the same order.
    EXPECT_EQ(DescribeProblem({ImageFault::BadChecksum, 7, 0x3C, 0x3D}, ImageTextsFor(true)),
              "7 行目: チェックサム 3C、計算値 3D");
}

TEST(FirmwareFile, ExtensionIsMotInAnyCase) {
    const std::pair<const char*, bool> names[] = {
        {"a.mot", true},     {"/x/A.MOT", true}, {"a.Mot", true},      {"a.bin", false},
        {"/x.mot/a", false}, {"a", false},       {"a.mot.bak", false}, {".mot", true},
    };
    for (const auto& [name, valid] : names) {
        EXPECT_EQ(HasFirmwareExtension(name), valid) << name;
    }
}

} // namespace
} // namespace va48
