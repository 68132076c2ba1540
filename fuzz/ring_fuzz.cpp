// Drives the receive ring with byte-chosen writes, takes, discards and frame extractions, and
// checks every result against a plain model of the buffered bytes. A second part puts one frame
// in two pieces, cut at every byte, into a ring whose indices start anywhere.
#include "transport/receive_ring.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <span>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
const Bytes kStart = {kStx};
const Bytes kEnd = {kCr, kLf};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Reads the input a byte at a time; 0 once it is used up.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool More() const { return at_ < size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    Bytes Take(std::size_t count) {
        count = std::min(count, size_ - at_);
        Bytes bytes(data_ + at_, data_ + at_ + count);
        at_ += count;
        return bytes;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The frame the ring must give for `model`: from the first start marker to the first end marker
// that begins at least max(gap, 1) bytes after it. Returns the offset of the start marker and the
// frame's length, or nothing.
struct Expected {
    bool found = false;
    std::size_t start = 0;
    std::size_t length = 0;
};

Expected ModelFrame(const std::deque<std::uint8_t>& model, std::uint16_t gap) {
    const std::size_t used = model.size();
    if (used < kStart.size() + kEnd.size() + gap) {
        return {};
    }
    const auto stx = std::find(model.begin(), model.end(), kStx);
    if (stx == model.end()) {
        return {};
    }
    const auto start = static_cast<std::size_t>(stx - model.begin());
    for (std::size_t end = start + 1 + std::max<std::size_t>(gap, 1); end + 1 < used; ++end) {
        if (model[end] == kCr && model[end + 1] == kLf) {
            return {true, start, end + 2 - start};
        }
    }
    return {};
}

void CheckCounts(const va48::ReceiveRing& ring, const std::deque<std::uint8_t>& model) {
    Check(ring.UsedCount() == model.size());
    Check(ring.FreeCount() == ring.Capacity() - model.size());
    Check(ring.Empty() == model.empty());
    Check(ring.Full() == (model.size() == ring.Capacity()));
    Check(ring.ReadIndex() < ring.Capacity() && ring.WriteIndex() < ring.Capacity());
    Check((ring.WriteIndex() + ring.Capacity() - ring.ReadIndex()) % ring.Capacity() ==
          model.size() % ring.Capacity());
}

// Mostly frame bytes, so that markers are common.
std::uint8_t PickByte(std::uint8_t b) {
    constexpr std::uint8_t kCommon[] = {kStx, kCr, kLf, 'A', '1', 0x03};
    return b < 0xC0 ? kCommon[b % sizeof kCommon] : b;
}

void RunOperations(Input& in) {
    const std::uint32_t capacity = 1 + in.Byte() % 40;
    auto ring = va48::ReceiveRing::Create(capacity);
    Check(ring != nullptr);
    std::deque<std::uint8_t> model;
    for (int step = 0; step < 2000 && in.More(); ++step) {
        const std::uint8_t op = in.Byte();
        switch (op % 5) {
        case 0:
        case 1: { // write
            Bytes bytes = in.Take(in.Byte() % 24);
            std::transform(bytes.begin(), bytes.end(), bytes.begin(), PickByte);
            const std::size_t room = capacity - model.size();
            const std::uint32_t put = ring->Put(bytes);
            Check(put == std::min(bytes.size(), room));
            model.insert(model.end(), bytes.begin(), bytes.begin() + put);
            break;
        }
        case 2: { // take
            Bytes out(in.Byte() % 24);
            const std::uint32_t taken = ring->Take(out);
            Check(taken == std::min(out.size(), model.size()));
            Check(std::equal(out.begin(), out.begin() + taken, model.begin()));
            model.erase(model.begin(), model.begin() + taken);
            break;
        }
        case 3: { // extract
            Bytes out(1 + in.Byte() % 32, 0xEE);
            const auto gap = static_cast<std::uint16_t>(in.Byte() % 6);
            const Expected expected = ModelFrame(model, gap);
            const int length = ring->ExtractFrame(out, kStart, kEnd, gap);
            if (!expected.found) {
                Check(length == 0);
                break;
            }
            const std::size_t copied = std::min(expected.length, out.size());
            Check(length == static_cast<int>(copied));
            const auto frame = model.begin() + static_cast<std::ptrdiff_t>(expected.start);
            Check(std::equal(out.begin(), out.begin() + length, frame));
            Check(std::all_of(out.begin() + length, out.end(), [](auto b) { return b == 0; }));
            model.erase(model.begin(), frame + length);
            break;
        }
        default:
            if (op & 0x80) {
                Check(ring->Discard() == model.size());
                model.clear();
            } else { // look without taking
                Bytes out(in.Byte() % 8);
                const std::uint32_t index = in.Byte() % (capacity + 2);
                const std::uint32_t peeked = ring->Peek(out, index);
                Check(peeked <= out.size() && peeked <= model.size());
            }
            break;
        }
        CheckCounts(*ring, model);
    }
}

// One frame, cut into two writes at every byte, into a ring whose indices sit at `offset`.
void RunSplitFrame(Input& in) {
    const std::uint32_t capacity = 8 + in.Byte() % 40;
    Bytes frame = {kStx};
    const Bytes payload = in.Take(in.Byte() % (capacity - 3 + 1));
    for (const std::uint8_t b : payload) {
        frame.push_back(b == kStx || b == kCr || b == kLf ? 'x' : b);
    }
    frame.push_back(kCr);
    frame.push_back(kLf);
    if (frame.size() > capacity) {
        return;
    }
    const std::uint32_t offset = in.Byte() % capacity;
    for (std::size_t cut = 0; cut <= frame.size(); ++cut) {
        auto ring = va48::ReceiveRing::Create(capacity);
        Bytes skip(offset, 'z');
        Check(ring->Put(skip) == offset && ring->Take(skip) == offset);
        Bytes out(frame.size() + 4);
        Check(ring->Put(std::span(frame).first(cut)) == cut);
        if (cut < frame.size()) {
            Check(ring->ExtractFrame(out, kStart, kEnd, 1) == 0);
            Check(ring->UsedCount() == cut);
            Check(ring->Put(std::span(frame).subspan(cut)) == frame.size() - cut);
        }
        const int length = ring->ExtractFrame(out, kStart, kEnd, 1);
        const bool tooShort = frame.size() < 4; // STX CR LF alone is no frame
        Check(length == (tooShort ? 0 : static_cast<int>(frame.size())));
        Check(tooShort || (std::equal(frame.begin(), frame.end(), out.begin()) && ring->Empty()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    if (in.Byte() & 1) {
        RunSplitFrame(in);
    } else {
        RunOperations(in);
    }
    return 0;
}
