#include "protocol/frame.h"

#include <algorithm>
#include <cstring>

namespace va48 {

std::string_view ReplyRecord::Field(std::size_t i) const {
    if (i >= fieldCount) {
        return {};
    }
    return std::string_view(fields[i].data());
}

int BuildFrame(std::uint8_t device, std::uint8_t type, std::string_view text,
               std::span<std::uint8_t> out) {
    if (out.empty()) {
        return -1;
    }
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const std::size_t length = text.size() + kFrameOverhead;
    if (length > out.size()) {
        return -1;
    }
    out[0] = kStx;
    out[1] = device;
    out[2] = type;
    std::memcpy(out.data() + 3, text.data(), text.size());
    const std::size_t end = 3 + text.size();
    out[end] = kEtx;
    out[end + 1] = 0x00; // the BCC is never computed
    out[end + 2] = kCr;
    out[end + 3] = kLf;
    return static_cast<int>(length);
}

std::string_view FrameText(std::span<const std::uint8_t> frame) {
    if (frame.size() < kFrameOverhead) {
        return {};
    }
    return std::string_view(reinterpret_cast<const char*>(frame.data()) + 3,
                            frame.size() - kFrameOverhead);
}

int SplitReply(std::span<const std::uint8_t> frame, ReplyRecord& record) {
    if (frame.size() < kFrameOverhead) {
        return -1;
    }
    record.replyKind = frame[2];
    record.fields = {};
    record.fieldCount = 0;
    record.fieldsDropped = false;
    record.cutFields.reset();

    std::string_view text = FrameText(frame);
    // A NUL inside the text ends it, as the ETX does.
    text = text.substr(0, text.find('\0'));

    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(',', pos);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string_view token = text.substr(start, end - start);
        pos = end;
        if (record.fieldCount == kMaxReplyFields) {
            record.fieldsDropped = true;
            break;
        }
        auto& slot = record.fields[record.fieldCount];
        const std::size_t kept = std::min(token.size(), kReplyFieldSize - 1);
        std::memcpy(slot.data(), token.data(), kept);
        slot[kept] = '\0';
        if (kept < token.size()) {
            record.cutFields.set(record.fieldCount);
        }
        ++record.fieldCount;
    }
    return 0;
}

ResultCode CheckStatus(const ReplyRecord& record) {
    constexpr std::array<std::string_view, 5> kStatuses = {"0000", "0001", "0002", "0003", "0004"};
    if (record.fieldCount == 0) {
        return ResultCode::StatusOther;
    }
    const std::string_view status = record.Field(0).substr(0, 4);
    for (std::size_t i = 0; i < kStatuses.size(); ++i) {
        if (status == kStatuses[i]) {
            return static_cast<ResultCode>(ToInt(ResultCode::StatusBcc) + static_cast<int>(i));
        }
    }
    return ResultCode::StatusOther;
}

} // namespace va48
