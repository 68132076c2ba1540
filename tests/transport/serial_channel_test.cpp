#include "transport/serial_channel.h"

#include "tests/support/next_frame.h"
#include "transport/serial_rate_linux.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace va48 {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// An upper bound for things that happen at once; only reached when the channel is broken.
constexpr auto kWait = 2s;

constexpr std::array<std::uint8_t, 1> kStx = {0x02};
constexpr std::array<std::uint8_t, 2> kCrLf = {0x0D, 0x0A};

// The ports the fixture tests open; no test stores line settings for them, so they run 8N1 at
// 115200.
constexpr int kPort = 1;
constexpr int kOtherPort = 2;

Bytes Frame(std::string_view text) {
    const std::string frame = "\x02" + std::string(text) + "\r\n";
    return Bytes(frame.begin(), frame.end());
}

// A pseudo-terminal pair. The test plays the amplifier on the master side; the channel opens the
// slave by its path. The test's own slave descriptor stays open to read back the line settings.
class Pty {
  public:
    Pty() {
        std::array<char, 128> name{};
        if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) == 0) {
            path_ = name.data();
        }
    }
    ~Pty() {
        CloseMaster();
        close(slave_);
    }

    const std::string& Path() const { return path_; }
    int Slave() const { return slave_; }
    void CloseMaster() { close(std::exchange(master_, -1)); }

    void Write(std::span<const std::uint8_t> bytes) const {
        ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `count` bytes came or nothing more arrives within kWait.
    Bytes Read(std::size_t count) const {
        Bytes got(count);
        std::size_t done = 0;
        pollfd fd{master_, POLLIN, 0};
        while (done < count &&
               poll(&fd, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) == 1) {
            const ssize_t n = read(master_, got.data() + done, count - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        got.resize(done);
        return got;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

void StoreLine(int port, std::uint32_t rate, int byteSize, bool check, int parity, int stopBits) {
    ASSERT_TRUE(SetSerialBaudRate(port, rate));
    ASSERT_TRUE(SetSerialByteSize(port, byteSize));
    ASSERT_TRUE(SetSerialParity(port, check, parity));
    ASSERT_TRUE(SetSerialStopBits(port, stopBits));
}

// Closes the channel when the test ends, however it ends.
class OpenChannel {
  public:
    OpenChannel(int port, AutoResetEvent* receive = nullptr, AutoResetEvent* error = nullptr)
        : handle_(SerialOpen(port, receive, error)) {}
    OpenChannel(const OpenChannel&) = delete;
    OpenChannel& operator=(const OpenChannel&) = delete;
    ~OpenChannel() {
        if (handle_ != kNoConnection) {
            SerialClose(handle_);
        }
    }
    ConnectionHandle Handle() const { return handle_; }
    bool Close() { return SerialClose(std::exchange(handle_, kNoConnection)); }

  private:
    ConnectionHandle handle_;
};

class SerialChannelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(pty_.Path().empty());
        ASSERT_TRUE(SetSerialPortDevice(kPort, pty_.Path()));
    }
    void TearDown() override {
        SetSerialPortDevice(kPort, "");
        SetSerialPortDevice(kOtherPort, "");
    }

    int WaitForError(std::chrono::milliseconds limit) {
        AutoResetEvent* const errors[] = {&error_};
        return WaitAny(errors, limit);
    }

    Pty pty_;
    AutoResetEvent received_;
    AutoResetEvent error_;
};

TEST(SerialPortTable, UnboundPortsOpenTheTtySDevices) {
    EXPECT_EQ(SerialPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(SerialPortDevice(32), "/dev/ttyS31");
}

TEST_F(SerialChannelTest, HandleIsNeverZeroEvenWithStandardInputClosed) {
    // With descriptor 0 free, the device's open() gets it; the handle must still not be 0.
    const int savedInput = fcntl(0, F_DUPFD_CLOEXEC, 10);
    close(0);
    const ConnectionHandle handle = SerialOpen(kPort, nullptr, nullptr);
    if (savedInput >= 0) {
        dup2(savedInput, 0);
        close(savedInput);
    }
    ASSERT_NE(handle, kNoConnection);
    EXPECT_GT(handle, 2);
    EXPECT_TRUE(SerialClose(handle));
}

TEST_F(SerialChannelTest, RefusesABusyMissingOrNonTerminalDeviceAndUnknownOrClosedHandles) {
    OpenChannel first(kPort);
    const ConnectionHandle closed = first.Handle();
    ASSERT_NE(closed, kNoConnection);
    EXPECT_EQ(SerialOpen(kPort, nullptr, nullptr), kNoConnection);
    // Another port number naming the same node is refused by the device itself.
    ASSERT_TRUE(SetSerialPortDevice(kOtherPort, pty_.Path()));
    EXPECT_EQ(SerialOpen(kOtherPort, nullptr, nullptr), kNoConnection);
    ASSERT_TRUE(first.Close());

    for (const char* node : {"/dev/va48-no-such-node", "/dev/null"}) {
        ASSERT_TRUE(SetSerialPortDevice(kPort, node));
        EXPECT_EQ(SerialOpen(kPort, nullptr, nullptr), kNoConnection) << node;
    }
    const Bytes frame = Frame("X");
    std::array<std::uint8_t, 16> out{};
    for (const ConnectionHandle handle : {ConnectionHandle{0}, kNoConnection, closed}) {
        SCOPED_TRACE(handle);
        EXPECT_FALSE(SerialClose(handle));
        EXPECT_EQ(SerialSend(handle, frame), 0);
        EXPECT_EQ(SerialReceiveFrame(handle, kStx, kCrLf, out, 1), 0);
        EXPECT_EQ(SerialLastError(handle), 0);
        EXPECT_EQ(SerialSystemError(handle), 0);
        EXPECT_EQ(SerialDiscardInput(handle), 0);
        EXPECT_EQ(SerialLinkFault(handle), 0);
    }
    OpenChannel second(kOtherPort); // the refusals left the port usable
    EXPECT_NE(second.Handle(), kNoConnection);
}

TEST_F(SerialChannelTest, RunsExactlyTheStoredRateAndFrameFormatOrRefusesThem) {
    // A pseudo-terminal on a newer kernel runs only 8-bit bytes without parity, an older one
    // every format; an open that succeeds must run exactly the format asked for. 1.5 stop bits
    // exist only for 5-bit bytes.
    enum class Runs { Always, IfTheTerminalCan, Never };
    struct Row {
        const char* what;
        std::uint32_t rate;
        int byteSize;
        bool check;
        int parity;
        int stopBits;
        tcflag_t format; // of CSIZE | PARENB | PARODD | CMSPAR | CSTOPB
        Runs runs;
    };
    const Row rows[] = {
        {"8N2 at 110", 110, 8, false, 0, 2, CS8 | CSTOPB, Runs::Always},
        {"8N1 checked at 256000", 256000, 8, true, 0, 0, CS8, Runs::Always},
        {"8N1 at 56000", 56000, 8, false, 0, 0, CS8, Runs::Always},
        {"8N1.5", 9600, 8, false, 0, 1, 0, Runs::Never},
        {"7O1 checked", 9600, 7, true, 1, 0, CS7 | PARENB | PARODD, Runs::IfTheTerminalCan},
        {"7E2", 9600, 7, false, 2, 2, CS7 | PARENB | CSTOPB, Runs::IfTheTerminalCan},
        {"8 mark 1", 9600, 8, false, 3, 0, CS8 | PARENB | PARODD | CMSPAR, Runs::IfTheTerminalCan},
        {"8 space 1 checked", 9600, 8, true, 4, 0, CS8 | PARENB | CMSPAR, Runs::IfTheTerminalCan},
        {"6N2", 9600, 6, false, 0, 2, CS6 | CSTOPB, Runs::IfTheTerminalCan},
        {"5N1.5", 9600, 5, false, 0, 1, CS5 | CSTOPB, Runs::IfTheTerminalCan},
    };
    constexpr int port = 4;
    ASSERT_TRUE(SetSerialPortDevice(port, pty_.Path()));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        StoreLine(port, row.rate, row.byteSize, row.check, row.parity, row.stopBits);
        EXPECT_FALSE(SetSerialBaudRate(port, 1000)); // refused: the rate stored before stays
        OpenChannel channel(port);
        if (row.runs == Runs::Never ||
            (row.runs == Runs::IfTheTerminalCan && channel.Handle() == kNoConnection)) {
            EXPECT_EQ(channel.Handle(), kNoConnection);
            continue;
        }
        ASSERT_NE(channel.Handle(), kNoConnection);
        termios line{};
        ASSERT_EQ(tcgetattr(pty_.Slave(), &line), 0);
        EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), row.format);
        EXPECT_EQ((line.c_iflag & INPCK) != 0, row.check);
        EXPECT_EQ(line.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
        std::uint32_t applied = 0;
        EXPECT_EQ(serial_backend::ReadOutputRate(pty_.Slave(), applied), 0);
        EXPECT_EQ(applied, row.rate);
    }
    StoreLine(port, 9600, 8, false, 0, 0);
    EXPECT_NE(OpenChannel(port).Handle(), kNoConnection) << "a refused open kept the device";
    SetSerialPortDevice(port, "");
}

TEST_F(SerialChannelTest, BytesPassBothWaysUntranslated) {
    // Line ends, flow control and signal characters must not be acted on by the terminal.
    // One frame: CR LF appears only at its end.
    const Bytes bytes = {0x02, 'A',  0x0A, 0x0D, 0x00, 0x03, 0x11,
                         0x13, 0x1A, 0x7F, 0xFF, 0x04, 0x0D, 0x0A};
    OpenChannel channel(kPort, &received_, &error_);
    ASSERT_NE(channel.Handle(), kNoConnection);

    EXPECT_EQ(SerialSend(channel.Handle(), bytes), static_cast<int>(bytes.size()));
    EXPECT_EQ(pty_.Read(bytes.size()), bytes);

    pty_.Write(bytes);
    EXPECT_EQ(NextFrame(SerialReceiveFrame, channel.Handle(), received_),
              std::string(bytes.begin(), bytes.end()));
    EXPECT_FALSE(error_.IsSet());
}

TEST_F(SerialChannelTest, FullRingIsReportedOnceAndReadingResumesAfterDiscard) {
    OpenChannel channel(kPort, &received_, &error_);
    ASSERT_NE(channel.Handle(), kNoConnection);
    // The filler alone fills the ring; the frame behind it waits in the terminal.
    Bytes input(2048, 'x');
    const Bytes frame = Frame("AFTER");
    input.insert(input.end(), frame.begin(), frame.end());
    pty_.Write(input);

    ASSERT_EQ(WaitForError(kWait), 0);
    EXPECT_EQ(SerialLastError(channel.Handle()), kSerialRingFull);
    EXPECT_EQ(WaitForError(50ms), kWaitTimeout) << "the full ring was reported again";

    EXPECT_EQ(SerialDiscardInput(channel.Handle()), 2048);
    EXPECT_EQ(NextFrame(SerialReceiveFrame, channel.Handle(), received_),
              std::string(frame.begin(), frame.end()));
}

TEST_F(SerialChannelTest, VanishedPeerIsReportedOnceAsALineStatusFailure) {
    OpenChannel channel(kPort, &received_, &error_);
    ASSERT_NE(channel.Handle(), kNoConnection);
    pty_.CloseMaster(); // the terminal is hung up, as when a USB adapter is pulled

    ASSERT_EQ(WaitForError(kWait), 0);
    EXPECT_EQ(SerialLastError(channel.Handle()), kSerialLineError);
    EXPECT_EQ(SerialSystemError(channel.Handle()), EIO);
    // The hung-up terminal stays ready for reading; the receive thread must not spin on it.
    const std::clock_t cpuBefore = std::clock();
    EXPECT_EQ(WaitForError(100ms), kWaitTimeout) << "the same fault was reported again";
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 20);

    EXPECT_EQ(SerialLinkFault(channel.Handle()), kSerialLineError);
    EXPECT_EQ(SerialSend(channel.Handle(), Frame("X")), 0);
    EXPECT_TRUE(channel.Close());
}

TEST_F(SerialChannelTest, AFailedSendStoresItsCauseWithTheSystemError) {
    OpenChannel channel(kPort, &received_, &error_);
    ASSERT_NE(channel.Handle(), kNoConnection);
    // Nobody reads the terminal: its queue fills up and a send runs out of time.
    const Bytes frame = Frame(std::string(1000, 's'));
    int sent = static_cast<int>(frame.size());
    for (int i = 0; i < 500 && sent == static_cast<int>(frame.size()); ++i) {
        sent = SerialSend(channel.Handle(), frame);
    }
    EXPECT_LT(sent, static_cast<int>(frame.size()));
    EXPECT_EQ(SerialLastError(channel.Handle()), kSerialWriteFailed);
    EXPECT_EQ(SerialSystemError(channel.Handle()), ETIMEDOUT);
    EXPECT_FALSE(error_.IsSet()) << "the sender learns of it from the count";
}

TEST_F(SerialChannelTest, CloseWhileAnotherThreadUsesThePort) {
    OpenChannel channel(kPort, &received_, &error_);
    const ConnectionHandle handle = channel.Handle();
    ASSERT_NE(handle, kNoConnection);

    // The worker keeps using the handle while the port closes under it: every operation must
    // complete or refuse, and the worker must find the handle gone.
    std::atomic<int> sends{0};
    std::thread worker([handle, &sends] {
        const Bytes frame = Frame(std::string(500, 'w'));
        std::array<std::uint8_t, 1024> out{};
        for (int i = 0; i < 1'000'000; ++i) {
            SerialReceiveFrame(handle, kStx, kCrLf, out, 1);
            SerialLastError(handle);
            SerialDiscardInput(handle);
            if (SerialSend(handle, frame) == 0) {
                return;
            }
            sends.fetch_add(1);
        }
    });
    pty_.Write(Frame("PING"));
    const auto giveUp = std::chrono::steady_clock::now() + kWait;
    while (sends.load() < 3 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(channel.Close());
    worker.join();
    EXPECT_GE(sends.load(), 3);
}

} // namespace
} // namespace va48
