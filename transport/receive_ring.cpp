#include "transport/receive_ring.h"

#include <algorithm>
#include <array>
#include <new>

namespace va48 {

std::unique_ptr<ReceiveRing> ReceiveRing::Create(std::uint32_t capacity) {
    if (capacity == 0) {
        return nullptr;
    }
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[capacity]());
    if (!data) {
        return nullptr;
    }
    return std::unique_ptr<ReceiveRing>(new (std::nothrow) ReceiveRing(capacity, std::move(data)));
}

ReceiveRing::ReceiveRing(std::uint32_t capacity, std::unique_ptr<std::uint8_t[]> data)
    : capacity_(capacity), data_(std::move(data)) {}

ReceiveRing::Snapshot ReceiveRing::ReaderSnapshot() const {
    // Either side may call the counters; acquire pairs with the other side's release store.
    const std::uint64_t read = read_.load(std::memory_order_acquire);
    const std::uint64_t written = written_.load(std::memory_order_acquire);
    return {read, written};
}

std::uint32_t ReceiveRing::UsedCount() const {
    return ReaderSnapshot().Used();
}

std::uint32_t ReceiveRing::FreeCount() const {
    return capacity_ - UsedCount();
}

std::uint32_t ReceiveRing::WriteIndex() const {
    return static_cast<std::uint32_t>(written_.load(std::memory_order_acquire) % capacity_);
}

std::uint32_t ReceiveRing::ReadIndex() const {
    return static_cast<std::uint32_t>(read_.load(std::memory_order_acquire) % capacity_);
}

std::uint32_t ReceiveRing::Put(std::span<const std::uint8_t> bytes) {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::uint64_t read = read_.load(std::memory_order_acquire);
    const auto free = static_cast<std::uint32_t>(capacity_ - (written - read));
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), free));
    for (std::uint32_t i = 0; i < count; ++i) {
        data_[(written + i) % capacity_] = bytes[i];
    }
    written_.store(written + count, std::memory_order_release);
    return count;
}

std::uint32_t ReceiveRing::Take(std::span<std::uint8_t> out) {
    const Snapshot s = ReaderSnapshot();
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(out.size(), s.Used()));
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i] = data_[(s.read + i) % capacity_];
    }
    read_.store(s.read + count, std::memory_order_release);
    return count;
}

std::uint32_t ReceiveRing::Discard() {
    const Snapshot s = ReaderSnapshot();
    read_.store(s.written, std::memory_order_release);
    return s.Used();
}

std::uint32_t ReceiveRing::OffsetOf(const Snapshot& s, std::uint32_t index) const {
    const auto readIndex = static_cast<std::uint32_t>(s.read % capacity_);
    return (index + capacity_ - readIndex) % capacity_;
}

std::uint32_t ReceiveRing::PeekAt(const Snapshot& s, std::span<std::uint8_t> out,
                                  std::uint32_t index) const {
    if (index >= capacity_) {
        return 0;
    }
    const std::uint32_t offset = OffsetOf(s, index);
    const std::uint32_t used = s.Used();
    std::uint32_t count = 0;
    while (count < out.size() && offset + count < used) {
        out[count] = data_[(index + count) % capacity_];
        ++count;
    }
    return count;
}

std::uint32_t ReceiveRing::Peek(std::span<std::uint8_t> out, std::uint32_t index) const {
    return PeekAt(ReaderSnapshot(), out, index);
}

std::optional<std::uint32_t> ReceiveRing::FindIn(const Snapshot& s, std::uint32_t start,
                                                 std::span<const std::uint8_t> pattern) const {
    const std::uint32_t used = s.Used();
    if (pattern.empty() || pattern.size() > 8 || pattern.size() >= used || start >= capacity_) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 8> window{};
    const std::span<std::uint8_t> probe(window.data(), pattern.size());
    // From `start` up to the newest byte, never round past it: in a full ring every index is
    // buffered, and a walk of `used` steps would come round to the bytes before `start`.
    const auto readIndex = static_cast<std::uint32_t>(s.read % capacity_);
    for (std::uint32_t offset = OffsetOf(s, start); offset < used; ++offset) {
        const std::uint32_t index = (readIndex + offset) % capacity_;
        if (PeekAt(s, probe, index) == pattern.size() &&
            std::equal(probe.begin(), probe.end(), pattern.begin())) {
            return index;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ReceiveRing::Find(std::uint32_t start,
                                               std::span<const std::uint8_t> pattern) const {
    return FindIn(ReaderSnapshot(), start, pattern);
}

int ReceiveRing::ExtractFrame(std::span<std::uint8_t> out,
                              std::span<const std::uint8_t> startMarker,
                              std::span<const std::uint8_t> endMarker, std::uint16_t gap) {
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const Snapshot s = ReaderSnapshot();
    if (out.empty() || startMarker.empty() || endMarker.empty() ||
        s.Used() < startMarker.size() + endMarker.size() + gap) {
        return 0;
    }
    const auto readIndex = static_cast<std::uint32_t>(s.read % capacity_);
    const auto start = FindIn(s, readIndex, startMarker);
    if (!start) {
        return 0;
    }
    // The end marker is looked for from max(gap, 1) bytes after the start marker, counted from
    // the read index: counted in ring indices, a gap reaching past the end of the data area
    // would wrap round to bytes before the start marker.
    const std::uint32_t startOffset = OffsetOf(s, *start);
    const std::uint64_t searchOffset =
        std::uint64_t{startOffset} + startMarker.size() + std::max<std::uint32_t>(gap, 1);
    if (searchOffset >= s.Used()) {
        return 0;
    }
    const auto searchFrom = static_cast<std::uint32_t>((readIndex + searchOffset) % capacity_);
    const auto end = FindIn(s, searchFrom, endMarker);
    if (!end) {
        return 0;
    }
    // The frame runs from the start marker through the end marker, possibly wrapping.
    const std::uint32_t endOffset =
        OffsetOf(s, *end) + static_cast<std::uint32_t>(endMarker.size());
    if (endOffset <= startOffset || endOffset > s.Used()) {
        return 0;
    }
    const std::uint32_t frameLength = endOffset - startOffset;
    const Snapshot atStart{s.read + startOffset, s.written};
    read_.store(atStart.read, std::memory_order_release);
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(frameLength, out.size()));
    for (std::uint32_t i = 0; i < count; ++i) {
        out[i] = data_[(atStart.read + i) % capacity_];
    }
    read_.store(atStart.read + count, std::memory_order_release);
    return static_cast<int>(count);
}

} // namespace va48
