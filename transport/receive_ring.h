#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace va48 {

// The byte ring between a channel's receive thread (the one writer: Put) and the session's worker
// (the one reader: Take, Peek, Find, ExtractFrame, Discard). Indices run 0 .. capacity - 1;
// equal indices mean empty or full, told apart by the flags.
//
// Internally the ring counts bytes written and read in two 64-bit atomics; the indices and flags
// are derived from them, so every reader operation works on one consistent snapshot without a
// lock, and the writer never blocks the reader.
class ReceiveRing {
  public:
    static constexpr std::uint32_t kDefaultCapacity = 2048;

    // A ring of `capacity` bytes (at least 1); nullptr when memory runs out.
    static std::unique_ptr<ReceiveRing> Create(std::uint32_t capacity = kDefaultCapacity);

    std::uint32_t Capacity() const { return capacity_; }
    std::uint32_t UsedCount() const;
    std::uint32_t FreeCount() const;
    bool Empty() const { return UsedCount() == 0; }
    bool Full() const { return UsedCount() == capacity_; }
    std::uint32_t WriteIndex() const;
    std::uint32_t ReadIndex() const;

    // Writer: copies as many bytes as are free; returns the number copied.
    std::uint32_t Put(std::span<const std::uint8_t> bytes);

    // Reader: moves up to out.size() buffered bytes into `out`; returns the number moved.
    std::uint32_t Take(std::span<std::uint8_t> out);

    // Copies up to out.size() bytes from ring index `index` on without moving anything, stopping
    // at the first index outside the buffered bytes; returns the number copied.
    std::uint32_t Peek(std::span<std::uint8_t> out, std::uint32_t index) const;

    // First ring index at or after `start` (walking the buffered bytes up to the newest, never
    // round to the oldest) where `pattern` begins.
    // Nothing is found when the pattern is empty, longer than 8 bytes or not shorter than the
    // buffered count, or when `start` is not below the capacity.
    std::optional<std::uint32_t> Find(std::uint32_t start,
                                      std::span<const std::uint8_t> pattern) const;

    // Extracts one frame from the first `startMarker` to the first `endMarker` that begins at
    // least max(gap, 1) bytes after the start marker's end. Bytes before the start marker are
    // dropped. Copies min(frame length, out.size()) bytes into `out` (zeroed first) and returns
    // that count; the rest of a longer frame stays buffered. Returns 0, changing nothing, when no
    // complete frame is buffered or an argument is empty.
    int ExtractFrame(std::span<std::uint8_t> out, std::span<const std::uint8_t> startMarker,
                     std::span<const std::uint8_t> endMarker, std::uint16_t gap);

    // Reader: drops everything buffered; returns the number of bytes dropped.
    std::uint32_t Discard();

    explicit ReceiveRing(std::uint32_t capacity, std::unique_ptr<std::uint8_t[]> data);

  private:
    struct Snapshot {
        std::uint64_t read;
        std::uint64_t written;
        std::uint32_t Used() const { return static_cast<std::uint32_t>(written - read); }
    };
    Snapshot ReaderSnapshot() const;
    std::uint32_t PeekAt(const Snapshot& s, std::span<std::uint8_t> out, std::uint32_t index) const;
    std::optional<std::uint32_t> FindIn(const Snapshot& s, std::uint32_t start,
                                        std::span<const std::uint8_t> pattern) const;
    // Offset of ring index `index` from the read index, in 0 .. capacity - 1.
    std::uint32_t OffsetOf(const Snapshot& s, std::uint32_t index) const;

    const std::uint32_t capacity_;
    const std::unique_ptr<std::uint8_t[]> data_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
};

} // namespace va48
