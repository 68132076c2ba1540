#include "sim/faults.h"

#include "sim/frame_codec.h"

#include <algorithm>

namespace va48sim {

const CommandFaults& Faults::For(std::string_view command) const {
    static const CommandFaults kNone;
    const auto found = commands.find(command);
    return found == commands.end() ? kNone : found->second;
}

std::string ShortFrame() {
    return {kStx, kDeviceNumber, kAckKind, kEtx, kCr, kLf};
}

std::string FloodBytes() {
    std::string bytes(kFloodSize, ' ');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>('A' + i % 26);
    }
    return bytes;
}

std::vector<Chunk> PlanReply(const Faults& faults, std::string_view command,
                             const std::function<std::string()>& answer) {
    const CommandFaults& own = faults.For(command);
    const Milliseconds delay = own.delay.value_or(faults.delay);
    if (own.silent) {
        return {};
    }
    if (own.flood) {
        return {Chunk{delay, FloodBytes()}};
    }
    const std::string frame = own.nakStatus ? EncodeNak(*own.nakStatus) : answer();

    std::string lead = faults.strayBytes;
    if (own.shortFrame) {
        lead += ShortFrame();
    }
    std::vector<Chunk> chunks;
    if (faults.split && frame.size() > 1) {
        const std::size_t wanted = faults.splitAt == 0 ? frame.size() / 2 : faults.splitAt;
        const std::size_t cut = std::clamp<std::size_t>(wanted, 1, frame.size() - 1);
        chunks.push_back({delay, lead + frame.substr(0, cut)});
        chunks.push_back({delay + kSplitPause, frame.substr(cut)});
    } else {
        chunks.push_back({delay, lead + frame});
    }
    if (own.lateDuplicate) {
        chunks.push_back({delay + *own.lateDuplicate, frame, true});
    }
    return chunks;
}

UpdateFault UpdateFaultFor(const Faults& faults, std::string_view requestText,
                           std::size_t& linesSinceEnter) {
    // "UPD n" or "UPD n data": the step is the one digit after the name.
    if (requestText.size() < 5 || !requestText.starts_with("UPD ") ||
        (requestText.size() > 5 && requestText[5] != ' ')) {
        return UpdateFault::None;
    }
    switch (requestText[4]) {
    case '1':
        linesSinceEnter = 0;
        return UpdateFault::None;
    case '2':
        return faults.writeFailStatus ? UpdateFault::FailWrite : UpdateFault::None;
    case '4':
        ++linesSinceEnter;
        return faults.dropAtLine != 0 && linesSinceEnter == faults.dropAtLine ? UpdateFault::Drop
                                                                              : UpdateFault::None;
    default:
        return UpdateFault::None;
    }
}

} // namespace va48sim
