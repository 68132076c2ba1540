#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace va48sim {

using Milliseconds = std::chrono::milliseconds;

// Misbehaviour switched on for one command (by its three-letter name).
struct CommandFaults {
    std::optional<Milliseconds> delay;         // replaces the global delay for this command
    bool silent = false;                       // never answered (the request is not executed)
    std::optional<std::string> nakStatus;      // answered with this status instead (not executed)
    bool shortFrame = false;                   // a 6-byte non-frame precedes the real reply
    bool flood = false;                        // 4096 bytes of garbage instead of a reply
    std::optional<Milliseconds> lateDuplicate; // the reply is sent again this much later
};

// Every fault switch of the simulator. All off by default.
struct Faults {
    Milliseconds delay{0};     // every reply is delayed by this much
    std::string strayBytes;    // sent (without STX) before every reply
    bool split = false;        // every reply goes out in two writes with a pause between
    std::size_t splitAt = 0;   // byte offset into the reply frame of the cut; 0 = the middle
    std::size_t dropAfter = 0; // close the connection right after this many replies; 0 = never
    std::optional<std::string> writeFailStatus; // UPD 2 (write) is answered with this status
    std::size_t dropAtLine = 0; // the Nth UPD 4 line of an update closes the connection; 0 = never
    std::map<std::string, CommandFaults, std::less<>> commands;

    // The switches of one command; an empty record when none is set.
    const CommandFaults& For(std::string_view command) const;
};

// What the firmware-update faults make of one request.
enum class UpdateFault {
    None,
    FailWrite, // answer with the NAK writeFailStatus instead of writing (not executed)
    Drop,      // close the connection without answering (not executed)
};

// Judges one request text. `linesSinceEnter` counts the UPD 4 lines since the last UPD 1 (the
// caller keeps it per connection); it is updated here.
UpdateFault UpdateFaultFor(const Faults& faults, std::string_view requestText,
                           std::size_t& linesSinceEnter);

// Pause between the two pieces of a split reply.
inline constexpr Milliseconds kSplitPause{20};
// Size of a flood; more than the client's 2048-byte receive ring.
inline constexpr std::size_t kFloodSize = 4096;

// One write of a reply plan: `bytes` go out `at` after the request arrived.
struct Chunk {
    Milliseconds at{0};
    std::string bytes;
    bool outOfBand = false; // a late duplicate: sent at its time, not kept in the replies' order

    bool operator==(const Chunk&) const = default;
};

// Plans what goes out for one request of `command` (its three-letter name). `answer` executes the
// request on the amplifier and returns the reply frame; it is called only when the request gets
// through, that is when the command is neither silent, nor NAK-overridden, nor flooded.
// An empty result means nothing is sent. The reply (or the NAK override) is preceded by the stray
// bytes and the short frame, delayed, split and duplicated as the switches say.
std::vector<Chunk> PlanReply(const Faults& faults, std::string_view command,
                             const std::function<std::string()>& answer);

// The six bytes of the short frame: STX, device, ACK kind, ETX, CR LF.
std::string ShortFrame();

// Flood bytes: printable garbage without STX, CR or LF.
std::string FloodBytes();

} // namespace va48sim
