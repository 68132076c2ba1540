#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace va48sim {

// One checked Motorola S-record line.
struct SRecord {
    int type = 0;              // 0..9 (4 is never valid)
    std::size_t dataBytes = 0; // bytes after the address and before the checksum
};

// Checks one S-record line: "S", a type digit 0-3 or 5-9, a two-digit hex byte count equal to the
// number of bytes that follow, an address of the type's length (2, 3 or 4 bytes), hex digits only,
// and a checksum byte that is the ones' complement of the low byte of the sum of count, address and
// data bytes. A line end (LF or CR LF) at the end is allowed. nullopt when anything is wrong.
std::optional<SRecord> CheckSRecord(std::string_view line);

// The amplifier's side of a firmware update: update mode, the received image and its writing.
// Only the image's size is kept; its bytes go nowhere.
class FirmwareUpdate {
  public:
    // Longest piece of a line the client sends at once; a longer line arrives in such pieces, the
    // last one carrying the line end.
    static constexpr std::size_t kLinePiece = 255;

    // Step 1: enters update mode, dropping any image received before.
    void Enter();

    // Step 4: one line or piece of the firmware file. True when accepted; false outside update
    // mode and for a line that is no valid S-record. A blank line is accepted and ignored; a piece
    // of exactly kLinePiece characters without line end is kept until the rest of its line comes.
    bool AddLine(std::string_view data);

    enum class WriteResult {
        Written,
        NotInUpdateMode, // also when a long line was left unfinished
        NoData,          // update mode without a single data record: nothing to write
    };

    // Step 2: writes the received image and leaves update mode.
    WriteResult Write();

    // Step 0: leaves update mode and drops the image. Always accepted.
    void Abort();

    bool InUpdateMode() const { return updateMode_; }
    std::size_t RecordCount() const { return records_; }
    std::size_t DataByteCount() const { return dataBytes_; }
    // Data bytes of the image written last (by step 2); 0 before any write.
    std::size_t WrittenBytes() const { return written_; }

  private:
    bool updateMode_ = false;
    std::string partial_; // the first pieces of a line longer than kLinePiece
    std::size_t records_ = 0;
    std::size_t dataRecords_ = 0;
    std::size_t dataBytes_ = 0;
    std::size_t written_ = 0;
};

} // namespace va48sim
