#include "maintenance/firmware_image.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <span>
#include <sstream>
#include <system_error>
#include <vector>

namespace va48 {

namespace {

// Address length in bytes by record type; 0 marks a type that does not exist.
constexpr std::array<std::size_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string Format(const char* format, ...) {
    std::array<char, 512> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    return text.data();
}

ImageProblem Problem(ImageFault fault, std::size_t line, std::uint32_t stated = 0,
                     std::uint32_t found = 0) {
    return ImageProblem{fault, line, stated, found};
}

// Headers are often padded with NULs or blanks; other unprintable bytes show as '.'.
std::string HeaderText(std::span<const std::uint8_t> data) {
    while (!data.empty() && (data.back() == 0 || data.back() == ' ')) {
        data = data.first(data.size() - 1);
    }
    std::string text;
    for (const std::uint8_t byte : data) {
        text += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    return text;
}

// One record's checks. Returns the problem, or nullopt with `bytes` holding count, address,
// data and checksum.
std::optional<ImageProblem> CheckRecord(std::string_view line, std::size_t number,
                                        std::vector<std::uint8_t>& bytes) {
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9' ||
        kAddressBytes[static_cast<std::size_t>(line[1] - '0')] == 0) {
        return Problem(ImageFault::NotSRecord, number);
    }
    const std::string_view hex = line.substr(2);
    const auto bad = std::ranges::find_if(hex, [](char c) { return HexDigit(c) < 0; });
    if (bad != hex.end()) {
        return Problem(ImageFault::NotHex, number, static_cast<unsigned char>(*bad));
    }
    if (hex.size() % 2 != 0) {
        return Problem(ImageFault::OddDigits, number);
    }
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])));
    }
    const std::uint32_t count = bytes[0];
    const auto following = static_cast<std::uint32_t>(bytes.size() - 1);
    if (count != following) {
        return Problem(ImageFault::CountMismatch, number, count, following);
    }
    const std::size_t addressBytes = kAddressBytes[static_cast<std::size_t>(line[1] - '0')];
    if (count < addressBytes + 1) {
        return Problem(ImageFault::TooShort, number, count);
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        sum += bytes[i];
    }
    const std::uint32_t computed = ~sum & 0xFFu;
    if (bytes.back() != computed) {
        return Problem(ImageFault::BadChecksum, number, bytes.back(), computed);
    }
    return std::nullopt;
}

constexpr ImageTexts kEnglish{
    "line %zu: ",
    {"", "not an S-record", "odd number of hexadecimal digits", "'%c' is no hexadecimal digit",
     "byte count %02X, %u bytes follow", "byte count %02X too small for the record type",
     "checksum %02X, computed %02X", "count record says %u data records, %u came before it",
     "a record after the termination record", "no termination record (S7, S8 or S9)",
     "file larger than %u MiB"},
    "%zu data records",
    "addresses %0*X-%0*X",
    "header \"%s\"",
    ", ",
};

constexpr ImageTexts kJapanese{
    "%zu 行目: ",
    {"", "S レコードではありません", "16 進数の桁数が奇数です", "'%c' は 16 進数字ではありません",
     "バイト数 %02X に対し後続は %u バイトです", "バイト数 %02X はレコード種別に対して小さすぎます",
     "チェックサム %02X、計算値 %02X", "カウントレコードは %u 件、実際のデータレコードは %u 件です",
     "終了レコードの後にレコードがあります", "終了レコード (S7, S8, S9) がありません",
     "ファイルが %u MiB を超えています"},
    "データレコード %zu 件",
    "アドレス %0*X-%0*X",
    "ヘッダー \"%s\"",
    "、",
};

} // namespace

std::string TextModeContent(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue;
        }
        text += raw[i];
    }
    return text;
}

std::string_view NextLinePiece(std::string_view content, std::size_t& offset) {
    if (offset >= content.size()) {
        return {};
    }
    const std::string_view rest =
        content.substr(offset, std::min(kFirmwareLinePiece, content.size() - offset));
    const std::size_t lf = rest.find('\n');
    const std::string_view piece = lf == std::string_view::npos ? rest : rest.substr(0, lf + 1);
    offset += piece.size();
    return piece;
}

ImageCheck CheckFirmwareImage(std::string_view content) {
    ImageCheck check;
    ImageSummary& summary = check.summary;
    bool terminated = false;
    bool headerSeen = false;
    std::uint64_t high = 0;
    std::vector<std::uint8_t> bytes;
    std::size_t number = 0;
    for (std::size_t offset = 0; offset < content.size();) {
        const std::size_t lf = content.find('\n', offset);
        const std::size_t end = lf == std::string_view::npos ? content.size() : lf;
        const std::string_view line = content.substr(offset, end - offset);
        offset = end + 1;
        ++number;
        if (line.empty()) {
            continue;
        }
        if (terminated) {
            check.problem = Problem(ImageFault::DataAfterEnd, number);
            return check;
        }
        if (auto problem = CheckRecord(line, number, bytes)) {
            check.problem = problem;
            return check;
        }
        const int type = line[1] - '0';
        const std::size_t addressBytes = kAddressBytes[static_cast<std::size_t>(type)];
        std::uint32_t address = 0;
        for (std::size_t i = 1; i <= addressBytes; ++i) {
            address = address << 8 | bytes[i];
        }
        const auto data =
            std::span(bytes).subspan(1 + addressBytes, bytes.size() - 2 - addressBytes);
        if (type == 0 && !headerSeen) {
            headerSeen = true;
            summary.header = HeaderText(data);
        } else if (type >= 1 && type <= 3) {
            if (!data.empty()) {
                const std::uint64_t last = std::uint64_t{address} + data.size() - 1;
                summary.lowAddress =
                    summary.dataBytes == 0 ? address : std::min(summary.lowAddress, address);
                high = summary.dataBytes == 0 ? last : std::max(high, last);
            }
            ++summary.dataRecords;
            summary.dataBytes += data.size();
            summary.addressDigits = std::max(summary.addressDigits, 2 * type + 2);
        } else if (type == 5 || type == 6) {
            if (address != summary.dataRecords) {
                check.problem = Problem(ImageFault::RecordCount, number, address,
                                        static_cast<std::uint32_t>(summary.dataRecords));
                return check;
            }
        } else if (type >= 7) {
            terminated = true;
        }
    }
    summary.highAddress = static_cast<std::uint32_t>(std::min<std::uint64_t>(high, 0xFFFFFFFFu));
    if (!terminated) {
        check.problem = Problem(ImageFault::NoTermination, 0);
    }
    return check;
}

const ImageTexts& ImageTextsFor(bool japanese) {
    return japanese ? kJapanese : kEnglish;
}

std::string DescribeProblem(const ImageProblem& problem, const ImageTexts& texts) {
    const auto index = static_cast<std::size_t>(problem.fault);
    const char* reason = index < std::size(texts.reasons) ? texts.reasons[index] : "";
    std::string text = problem.line == 0 ? "" : Format(texts.linePrefix, problem.line);
    return text + Format(reason, problem.stated, problem.found);
}

std::string DescribeSummary(const ImageSummary& summary, const ImageTexts& texts) {
    std::string text = Format(texts.records, summary.dataRecords);
    if (summary.dataBytes != 0) {
        text += texts.separator;
        text += Format(texts.range, summary.addressDigits, summary.lowAddress,
                       summary.addressDigits, summary.highAddress);
    }
    if (!summary.header.empty()) {
        text += texts.separator;
        text += Format(texts.header, summary.header.c_str());
    }
    return text;
}

bool HasFirmwareExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view extension = path.substr(dot);
    constexpr std::string_view kMot = ".mot";
    return extension.size() == kMot.size() &&
           std::ranges::equal(extension, kMot, [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
           });
}

std::optional<FirmwareFile> ReadFirmwareFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return std::nullopt;
    }
    FirmwareFile file;
    file.fileSize = size;
    if (size > kMaxFirmwareFileBytes) {
        return file;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream raw;
    raw << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    file.content = TextModeContent(raw.view());
    return file;
}

} // namespace va48
