#include "transport/receive_ring.h"

#include <gtest/gtest.h>

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

TEST(ReceiveRing, ExtractsOneFrameAndDropsStrayBytesBeforeIt) {
    auto ring = ReceiveRing::Create();
    ring->Put(B("zz\x02"
                "A\r\n"));
    EXPECT_EQ(Extract(*ring), "\x02"
                              "A\r\n");
    EXPECT_TRUE(ring->Empty());
}

TEST(ReceiveRing, KeepsEverythingWhileNoFrameIsComplete) {
    const std::string cases[] = {"\x02"
                                 "ABC",
                                 "\x02\r\n", "zz",
                                 "\x02"
                                 "AB\r"};
    for (const std::string& bytes : cases) {
        auto ring = ReceiveRing::Create();
        ring->Put(B(bytes));
        EXPECT_EQ(Extract(*ring), "") << bytes;
        EXPECT_EQ(ring->UsedCount(), bytes.size()) << bytes;
    }
}

TEST(ReceiveRing, ExtractsFramesInOrderAndOnlyOneAtATime) {
    auto ring = ReceiveRing::Create();
    ring->Put(B("\x02"
                "one\r\n\x02"
                "two\r\n\x02"
                "thr"));
    EXPECT_EQ(Extract(*ring), "\x02"
                              "one\r\n");
    EXPECT_EQ(Extract(*ring), "\x02"
                              "two\r\n");
    EXPECT_EQ(Extract(*ring), "");
    ring->Put(B("ee\r\n"));
    EXPECT_EQ(Extract(*ring), "\x02"
                              "three\r\n");
}

TEST(ReceiveRing, FrameWrappingPastTheEndIsExtractedInOrder) {
    auto ring = ReceiveRing::Create(16);
    Bytes scratch(12);
    ring->Put(Bytes(12, '.'));
    ring->Take(scratch); // indices now at 12
    ring->Put(B("\x02"
                "0123456789\r\n")); // 13 bytes: wraps at 16
    EXPECT_LT(ring->WriteIndex(), ring->ReadIndex());
    EXPECT_EQ(Extract(*ring), "\x02"
                              "0123456789\r\n");
}

TEST(ReceiveRing, AFrameFillingTheWholeRingIsExtracted) {
    auto ring = ReceiveRing::Create(8);
    ring->Put(B("\x02"
                "abcde\r\n"));
    ASSERT_TRUE(ring->Full());
    EXPECT_EQ(Extract(*ring), "\x02"
                              "abcde\r\n");
}

TEST(ReceiveRing, AShortOutputBufferLeavesTheRestBuffered) {
    auto ring = ReceiveRing::Create();
    ring->Put(B("\x02"
                "ABCDEFG\r\n"));
    EXPECT_EQ(Extract(*ring, 4), "\x02"
                                 "ABC");
    EXPECT_EQ(ring->UsedCount(), 6u);
}

TEST(ReceiveRing, FindAndPeekStayInsideTheBufferedBytes) {
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
    EXPECT_EQ(ring->UsedCount(), 6u);
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

TEST(ReceiveRing, ArgumentsThatCannotFrameAnythingChangeNothing) {
    auto ring = ReceiveRing::Create();
    ring->Put(B("\x02"
                "A\r\n"));
    Bytes out(16);
    EXPECT_EQ(ring->ExtractFrame(std::span<std::uint8_t>(), kStart, kEnd, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, Bytes{}, kEnd, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, kStart, Bytes{}, 1), 0);
    EXPECT_EQ(ring->ExtractFrame(out, kStart, kEnd, 2), 0); // 4 bytes < 1 + 2 + 2
    EXPECT_EQ(ring->UsedCount(), 4u);
}

TEST(ReceiveRing, DiscardDropsEverything) {
    auto ring = ReceiveRing::Create();
    ring->Put(B("\x02"
                "stale\r\n"));
    EXPECT_EQ(ring->Discard(), 8u);
    EXPECT_TRUE(ring->Empty());
    EXPECT_EQ(Extract(*ring), "");
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
