#include "sim/srecord.h"

#include "sim/text_escape.h"

#include <array>

namespace va48sim {

namespace {

// Address length in bytes by record type; 0 marks a type that does not exist.
constexpr std::array<std::size_t, 10> kAddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

std::string_view WithoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool EndsLine(std::string_view data) {
    return !data.empty() && data.back() == '\n';
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

} // namespace

std::optional<SRecord> CheckSRecord(std::string_view line) {
    line = WithoutLineEnd(line);
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9') {
        return std::nullopt;
    }
    const int type = line[1] - '0';
    const std::size_t addressBytes = kAddressBytes[static_cast<std::size_t>(type)];
    const std::string_view hex = line.substr(2);
    if (addressBytes == 0 || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    unsigned sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        const auto byte = static_cast<unsigned>(high * 16 + low);
        if (i == 0) {
            count = byte;
        }
        if (i + 2 < hex.size()) {
            sum += byte; // every byte but the checksum itself
        } else if ((~sum & 0xFFu) != byte) {
            return std::nullopt;
        }
    }
    const std::size_t following = hex.size() / 2 - 1;
    if (count != following || count < addressBytes + 1) {
        return std::nullopt;
    }
    return SRecord{type, count - addressBytes - 1};
}

void FirmwareUpdate::Enter() {
    updateMode_ = true;
    partial_.clear();
    records_ = 0;
    dataRecords_ = 0;
    dataBytes_ = 0;
}

bool FirmwareUpdate::AddLine(std::string_view data) {
    if (!updateMode_) {
        return false;
    }
    // A piece of exactly the piece size without a line end is the start of a longer line, unless
    // it already is a whole record (a client may strip line ends).
    if (!EndsLine(data) && data.size() == kLinePiece && !CheckSRecord(data)) {
        if (partial_.size() + data.size() > 2 * kLinePiece + 64) {
            partial_.clear();
            return false;
        }
        partial_ += data;
        return true;
    }
    std::string line = std::move(partial_);
    partial_.clear();
    line += data;
    if (IsBlank(line)) {
        return true;
    }
    const auto record = CheckSRecord(line);
    if (!record) {
        return false;
    }
    ++records_;
    if (record->type >= 1 && record->type <= 3) {
        ++dataRecords_;
        dataBytes_ += record->dataBytes;
    }
    return true;
}

FirmwareUpdate::WriteResult FirmwareUpdate::Write() {
    if (!updateMode_ || !partial_.empty()) {
        return WriteResult::NotInUpdateMode;
    }
    if (dataRecords_ == 0) {
        return WriteResult::NoData;
    }
    written_ = dataBytes_;
    updateMode_ = false;
    return WriteResult::Written;
}

void FirmwareUpdate::Abort() {
    updateMode_ = false;
    partial_.clear();
    records_ = 0;
    dataRecords_ = 0;
    dataBytes_ = 0;
}

} // namespace va48sim
