#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace va48 {

// A firmware file as the update sends it, checked as Motorola S-records before the amplifier is
// touched. No Qt: the rules here are tested on their own.

// Longest piece of a line sent in one UPD step, line end included.
inline constexpr std::size_t kFirmwareLinePiece = 255;

// Largest firmware file taken (bytes). An S-record file for a 4 MiB flash is under 12 MiB; the
// limit keeps the whole file in memory and the progress figures far from overflow.
inline constexpr std::uintmax_t kMaxFirmwareFileBytes = 64 * 1024 * 1024;

// The file's bytes as a text-mode read delivers them: every CR LF becomes LF, anything else
// (a lone CR included) stays.
std::string TextModeContent(std::string_view raw);

// The next piece to send from `content` (text-mode content) at `offset`, as a line read with a
// 256-byte buffer returns it: up to and including the next LF, but at most kFirmwareLinePiece
// characters; the last line may end without LF. Advances `offset` past the piece; an empty view
// once `offset` is at the end.
std::string_view NextLinePiece(std::string_view content, std::size_t& offset);

// Why a file is not a firmware image. The line number is 1-based.
enum class ImageFault : std::uint8_t {
    None,
    NotSRecord,    // no "S" and a record type 0-3, 5-9 at the line's start
    OddDigits,     // the hex part has an odd number of characters
    NotHex,        // a character that is no hexadecimal digit (first one in `found`)
    CountMismatch, // byte count `stated`, bytes that follow `found`
    TooShort,      // byte count `stated` too small for the type's address and checksum
    BadChecksum,   // checksum `stated`, computed `found`
    RecordCount,   // S5/S6 says `stated` data records, `found` came before it
    DataAfterEnd,  // a record after the termination record
    NoTermination, // the file ends (or is empty) without S7, S8 or S9
    TooLarge,      // the file is larger than kMaxFirmwareFileBytes (`stated`: the limit in MiB)
};
inline constexpr std::size_t kImageFaultCount = 11;

struct ImageProblem {
    ImageFault fault = ImageFault::None;
    std::size_t line = 0;     // 0 for faults of the whole file
    std::uint32_t stated = 0; // see ImageFault
    std::uint32_t found = 0;  // see ImageFault
};

// What a valid file holds. Addresses of the data records (S1-S3) only.
struct ImageSummary {
    std::size_t dataRecords = 0;
    std::size_t dataBytes = 0;
    std::uint32_t lowAddress = 0;  // lowest data byte address; 0 without data bytes
    std::uint32_t highAddress = 0; // highest data byte address; 0 without data bytes
    int addressDigits = 4;         // 4, 6 or 8: the widest address type among the data records
    std::string header;            // S0 data as text: printable ASCII kept, others as '.',
                                   // trailing NULs and blanks dropped; empty without S0
};

// Checks `content` (text-mode content) line by line. Blank lines (nothing but the line end) are
// allowed anywhere. Every other line must be a record whose byte count matches its length and
// whose checksum is the ones' complement of the low byte of the sum of count, address and data.
// A count record (S5, S6) must give the number of data records before it. After the termination
// record (S7, S8, S9) only blank lines may follow. Returns the first problem found, or the summary.
struct ImageCheck {
    std::optional<ImageProblem> problem;
    ImageSummary summary;
};
ImageCheck CheckFirmwareImage(std::string_view content);

// The texts problems and summaries are told in: printf formats, one set per language.
struct ImageTexts {
    const char* linePrefix; // "%zu": the line number
    // Per ImageFault (index = value): "%u" or "%02X" or "%c" take `stated`, then `found`.
    const char* reasons[kImageFaultCount];
    const char* records;   // "%zu": number of data records
    const char* range;     // "%0*X" twice: digits and low, digits and high address
    const char* header;    // "%s": the header text
    const char* separator; // between the parts of a summary
};
const ImageTexts& ImageTextsFor(bool japanese);

// The problem told in `texts`, e.g. "line 214: checksum 3C, computed 3D".
std::string DescribeProblem(const ImageProblem& problem, const ImageTexts& texts);

// The summary told in `texts`, e.g. "12 data records, addresses 0000-017F, header "fw 1.03"";
// the range only with data bytes, the header only when there is one.
std::string DescribeSummary(const ImageSummary& summary, const ImageTexts& texts);

// True when the part of `path` from its last '.' is ".mot" in any case; false without a '.'.
bool HasFirmwareExtension(std::string_view path);

// A firmware file read whole.
struct FirmwareFile {
    std::uintmax_t fileSize = 0; // bytes on disk (CR LF counted as two)
    std::string content;         // text-mode content, what is sent
};

// Reads the file at `path` whole. nullopt when its size cannot be had or it cannot be read;
// a file over kMaxFirmwareFileBytes is not read and comes back with its size and no content
// (check `fileSize` first).
std::optional<FirmwareFile> ReadFirmwareFile(const std::filesystem::path& path);

} // namespace va48
