#include "transport/receive_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace va48 {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kStart = {0x02};
const Bytes kEnd = {0x0D, 0x0A};

Bytes B(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string Extract(ReceiveRing& ring, std::size_t outSize = 1024, std::uint16_t gap = 1) {
    Bytes out(outSize);
    const int length = ring.ExtractFrame(out, kStart, kEnd, gap);
    return std::string(out.begin(), out.begin() + std::max(length, 0));
}

TEST(ReceiveRing, NewRingIsEmptyAndFillingItMakesItFull) {
    auto ring = ReceiveRing::Create();
    ASSERT_TRUE(ring);
    EXPECT_TRUE(ring->Empty());
    EXPECT_FALSE(ring->Full());
    EXPECT_EQ(ring->FreeCount(), 2048u);

    EXPECT_EQ(ring->Put(Bytes(3000, 'x')), 2048u);
    EXPECT_TRUE(ring->Full());
    EXPECT_EQ(ring->UsedCount(), 2048u);
    EXPECT_EQ(ring->FreeCount(), 0u);
    EXPECT_EQ(ring->WriteIndex(), ring->ReadIndex());
    EXPECT_EQ(ring->Put(B("y")), 0u);

    Bytes out(2048);
    EXPECT_EQ(ring->Take(out), 2048u);
    EXPECT_TRUE(ring->Empty());
    EXPECT_EQ(ring->WriteIndex(), ring->ReadIndex());
}

// '|' stands for the STX in these texts.
std::string Stx(std::string text) {
    std::ranges::replace(text, '|', '\x02');
    return text;
}

TEST(ReceiveRing, ExtractsWholeFramesOnlyInOrderAndDropsStrayBytesBeforeThem) {
    const struct {
        const char* name;
        std::uint32_t capacity;
        std::size_t skip; // bytes put and taken first, to move the indexes on
        std::string bytes;
        std::size_t outSize;
        std::vector<std::string> frames; // extracted in turn, then nothing
        std::uint32_t left;              // bytes still buffered
    } rows[] = {
        {"stray bytes before", 2048, 0, "zz|A\r\n", 1024, {"|A\r\n"}, 0},
        {"no start marker", 2048, 0, "zz", 1024, {}, 2},
        {"no end marker", 2048, 0, "|ABC", 1024, {}, 4},
        {"end marker inside the gap", 2048, 0, "|\r\n", 1024, {}, 3},
        {"CR without LF", 2048, 0, "|AB\r", 1024, {}, 4},
        {"one at a time", 2048, 0, "|one\r\n|two\r\n|thr", 1024, {"|one\r\n", "|two\r\n"}, 4},
        {"wrapping past the end", 16, 12, "|0123456789\r\n", 1024, {"|0123456789\r\n"}, 0},
        {"filling the whole ring", 8, 0, "|abcde\r\n", 1024, {"|abcde\r\n"}, 0},
        {"short output buffer", 2048, 0, "|ABCDEFG\r\n", 4, {"|ABC"}, 6},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto ring = ReceiveRing::Create(row.capacity);
        Bytes scratch(row.skip);
        ring->Put(scratch);
        ring->Take(scratch);
        ASSERT_EQ(ring->Put(B(Stx(row.bytes))), row.bytes.size());
        for (const std::string& frame : row.frames) {
            EXPECT_EQ(Extract(*ring, row.outSize), Stx(frame));
        }
        EXPECT_EQ(Extract(*ring, row.outSize), "");
        EXPECT_EQ(ring->UsedCount(), row.left);
    }
    auto ring = ReceiveRing::Create();
    ring->Put(B(Stx("|stale\r\n")));
    EXPECT_EQ(ring->Discard(), 8u);
    EXPECT_TRUE(ring->Empty());
}

TEST(ReceiveRing, AFullRingIsSearchedFromTheStartMarkerOnNeverRoundToIt) {
    // Every index of a full ring is buffered; the search for the end marker must still stop at
    // the newest byte instead of coming round to the CR LF inside the gap after the STX.
    const struct {
        std::string bytes;
        std::uint16_t gap;
    } rows[] = {
        {"\x02\r\nabcde", 1},
        {"xxxxx\x02\r\n", 3},
    };
    for (const auto& row : rows) {
        auto ring = ReceiveRing::Create(8);
        ring->Put(B(row.bytes));
        ASSERT_TRUE(ring->Full());
        EXPECT_EQ(Extract(*ring, 1024, row.gap), "") << row.gap;
        EXPECT_TRUE(ring->Full());
    }
    auto ring = ReceiveRing::Create(8);
    ring->Put(B("\r\nabcdef"));
    EXPECT_FALSE(ring->Find(2, kEnd));
}

TEST(ReceiveRing, FindPeekAndExtractStayInsideTheBufferedBytesAndNeedMarkersAndRoom) {
    auto ring = ReceiveRing::Create(16);
    ring->Put(B("ab\r\ncd"));
    EXPECT_EQ(ring->Find(0, kEnd), 2u);
    EXPECT_FALSE(ring->Find(0, B("d\r")));
    EXPECT_FALSE(ring->Find(16, kEnd));
    EXPECT_FALSE(ring->Find(0, B("ab\r\ncd"))); // not shorter than the buffered count
    EXPECT_FALSE(ring->Find(0, Bytes{}));

    Bytes out(10);
    EXPECT_EQ(ring->Peek(out, 4), 2u);
    EXPECT_EQ(out[0], 'c');
    EXPECT_EQ(ring->Peek(out, 6), 0u);
    EXPECT_EQ(ring->Discard(), 6u); // peeking took nothing

    ring->Put(B(Stx("|A\r\n")));
    EXPECT_EQ(ring->ExtractFrame(std::span<std::uint8_t>(), kStart, kEnd, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, Bytes{}, kEnd, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, kStart, Bytes{}, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, kStart, kEnd, 2), 0); // 4 bytes < 1 + 2 + 2
    EXPECT_EQ(ring->UsedCount(), 4u);
}

TEST(ReceiveRing, FramesComeOutWholeLongAfterTheCountersPassedTheCapacity) {
    // Many times the capacity goes through a small ring, every frame split in two writes at a
    // different byte, so frames and markers straddle the end of the data area at every offset.
    auto ring = ReceiveRing::Create(16);
    std::size_t taken = 0;
    for (int i = 0; i < 300; ++i) {
        const std::string frame =
            "\x02" + std::string(1 + i % 11, static_cast<char>('a' + i % 26)) + "\r\n";
        const std::size_t cut = static_cast<std::size_t>(i) % (frame.size() + 1);
        ASSERT_EQ(ring->Put(B(std::string_view(frame).substr(0, cut))), cut);
        if (cut < frame.size()) {
            ASSERT_EQ(Extract(*ring), "") << i;
            ASSERT_EQ(ring->Put(B(std::string_view(frame).substr(cut))), frame.size() - cut);
        }
        ASSERT_EQ(Extract(*ring), frame) << i;
        ASSERT_TRUE(ring->Empty()) << i;
        taken += frame.size();
    }
    EXPECT_GT(taken, 100u * ring->Capacity());
}

// One writer thread and one reader thread: every frame arrives whole and in order. Both loops
// are bounded, so a broken extraction fails the test instead of hanging it.
TEST(ReceiveRing, WriterAndReaderThreadsSeeEveryFrameInOrder) {
    auto ring = ReceiveRing::Create(64);
    constexpr int kFrames = 20000;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto inTime = [giveUp] { return std::chrono::steady_clock::now() < giveUp; };
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        for (int i = 0; i < kFrames && inTime(); ++i) {
            const std::string frame = "\x02" + std::to_string(i) + "\r\n";
            std::size_t done = 0;
            while (done < frame.size() && inTime()) {
                done += ring->Put(B(std::string_view(frame).substr(done)));
                if (done < frame.size()) {
                    std::this_thread::yield();
                }
            }
        }
        writerDone = true;
    });
    int expected = 0;
    while (expected < kFrames && inTime()) {
        const bool writerFinished = writerDone.load();
        const std::string frame = Extract(*ring);
        if (frame.empty()) {
            if (writerFinished) {
                break; // everything written has been looked at
            }
            std::this_thread::yield();
            continue;
        }
        EXPECT_EQ(frame, "\x02" + std::to_string(expected) + "\r\n");
        ++expected;
    }
    writer.join();
    EXPECT_EQ(expected, kFrames);
}

} // namespace
} // namespace va48
