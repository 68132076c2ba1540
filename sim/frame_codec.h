#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace va48sim {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kCr = 0x0D;
inline constexpr char kLf = 0x0A;
inline constexpr char kAckKind = 0x06; // any kind but NAK marks a data reply
inline constexpr char kNakKind = 0x15; // a status reply
inline constexpr char kDeviceNumber = 0x01;

// STX, device, type, ETX, BCC, CR, LF around the text.
inline constexpr std::size_t kFrameOverhead = 7;
// A request frame longer than this is not one the client can build; it is dropped unread.
inline constexpr std::size_t kMaxRequestFrame = 1024;

// One request as it arrived: the two header bytes and the text between them and the ETX.
struct Request {
    char device = 0;
    char type = 0;
    std::string text;
};

// Cuts a byte stream into request frames. A frame is STX, device, type, text, ETX, one BCC byte
// (never checked), CR LF. Bytes before an STX are skipped; an STX inside an unfinished frame starts
// a new frame (the broken one is dropped); a frame that grows past kMaxRequestFrame is dropped.
// The text may hold any other byte, including a lone LF or CR LF (a firmware line carries its
// line end), because only ETX + BCC + CR LF ends a frame.
class RequestDecoder {
  public:
    // Feeds received bytes; returns the requests completed by them, in arrival order.
    std::vector<Request> Feed(std::string_view bytes);

    // Number of broken or oversized frames dropped so far.
    std::size_t DroppedFrames() const { return dropped_; }

    // Forgets a partial frame (a new connection starts clean).
    void Reset() { frame_.clear(); }

  private:
    bool Complete() const;

    std::string frame_; // the frame being collected, from its STX on; empty while hunting
    std::size_t dropped_ = 0;
};

// A reply frame: STX, device 0x01, kind, text, ETX, BCC 0x00, CR LF. The result holds raw bytes.
std::string EncodeReply(char kind, std::string_view text);

// A data reply (kind 0x06); an empty text gives the 7-byte acknowledge.
inline std::string EncodeAck(std::string_view text) {
    return EncodeReply(kAckKind, text);
}

// A status reply (kind 0x15) carrying `status`, normally four digits ("0002").
inline std::string EncodeNak(std::string_view status) {
    return EncodeReply(kNakKind, status);
}

// A request frame as the client builds it (device 0x01, type "C", BCC 0x00); for tests and tools.
std::string EncodeRequest(std::string_view text);

} // namespace va48sim
