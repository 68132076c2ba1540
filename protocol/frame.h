#pragma once

#include "protocol/command_code.h"
#include "protocol/result_code.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>

namespace va48 {

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kCr = 0x0D;
inline constexpr std::uint8_t kLf = 0x0A;
inline constexpr std::uint8_t kNak = 0x15;          // reply kind of a status reply
inline constexpr std::uint8_t kDeviceNumber = 0x01; // every request addresses device 1
inline constexpr std::uint8_t kCommandFrame = 0x43; // frame type "C"

inline constexpr std::size_t kFrameOverhead = 7;   // STX, device, type, ETX, BCC, CR, LF
inline constexpr std::size_t kMaxFrameSize = 1024; // frame buffers, job entries, receive buffers
inline constexpr std::size_t kRequestTextSize = kMaxFrameSize - kFrameOverhead; // 1017 incl. NUL

inline constexpr std::size_t kMaxReplyFields = 200;
inline constexpr std::size_t kReplyFieldSize = 16; // 15 characters and a NUL

// A reply cut into its text fields, with the request it answers.
//
// Replies that do not fit are stored safely and marked, never written past the record: fields
// beyond the 200th are dropped (fieldsDropped), and a field longer than 15 characters is stored cut
// to 15 with its bit set in cutFields. The parsers refuse such replies (a dropped field fails the
// field count, a cut field fails the value check), so a reply that does not fit is never stored as
// if it were a different one.
struct ReplyRecord {
    CommandCode command = CommandCode::DID; // copied from the job entry
    std::uint8_t expectsData = 0;           // 1 when the reply goes to the command's parser
    std::uint8_t channel = 0;               // 1..16, 0 when the request names none
    std::uint8_t replyKind = 0;             // byte 2 of the frame; kNak marks a status reply
    std::array<std::array<char, kReplyFieldSize>, kMaxReplyFields> fields{};
    std::uint32_t fieldCount = 0; // fields stored, at most kMaxReplyFields
    bool fieldsDropped = false;
    std::bitset<kMaxReplyFields> cutFields;

    // Text of field i (without the NUL); empty for i >= fieldCount.
    std::string_view Field(std::size_t i) const;
};

// Writes a frame around `text` into `out`: STX, device, type, text, ETX, BCC 0x00, CR LF.
// The whole buffer is zeroed first. Returns the frame length (text length + 7), or -1 when the
// buffer is empty (left untouched) or too small for the frame (left zeroed).
int BuildFrame(std::uint8_t device, std::uint8_t type, std::string_view text,
               std::span<std::uint8_t> out);

// Convenience for requests: device 1, type "C".
inline int BuildRequestFrame(std::string_view text, std::span<std::uint8_t> out) {
    return BuildFrame(kDeviceNumber, kCommandFrame, text, out);
}

// Splits a reply frame (STX .. CR LF) into `record`: reply kind, fields and field count.
// The text runs from byte 3 up to the ETX position (length - 4), or to an earlier NUL byte; runs of
// "," separate fields and empty fields are dropped. command, expectsData and channel are the
// caller's. Returns 0, or -1 when the frame is shorter than 7 bytes (the record is then untouched).
int SplitReply(std::span<const std::uint8_t> frame, ReplyRecord& record);

// Result of a status (NAK) reply: 17..22 by the first four characters of field 0
// ("0000".."0004"; anything else, or no field, gives 22). Never Success.
ResultCode CheckStatus(const ReplyRecord& record);

// The request or reply text inside a frame: the bytes from offset 3 up to length - 4.
// Empty for a frame shorter than 7 bytes.
std::string_view FrameText(std::span<const std::uint8_t> frame);

} // namespace va48
