// The Windows backends where they differ from the POSIX ones: port names, the device list, the
// settings file's replace step, and a serial port end to end when the run provides one.

#include "shell/settings_file.h"
#include "sim/frame_codec.h"
#include "transport/serial_channel.h"
#include "transport/usb_discovery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace va48 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kPort = 7;

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Win32Serial, PortNumbersNameComPortsAndAMissingPortIsRefused) {
    EXPECT_EQ(SerialPortDevice(3), "COM3");
    EXPECT_EQ(SerialPortDevice(32), "COM32");
    ASSERT_TRUE(SetSerialPortDevice(kPort, "COM250")); // no such port
    EXPECT_EQ(SerialOpen(kPort, nullptr, nullptr), kNoConnection);
    ASSERT_TRUE(SetSerialPortDevice(kPort, "NUL")); // a device, but no serial port
    EXPECT_EQ(SerialOpen(kPort, nullptr, nullptr), kNoConnection);
    SetSerialPortDevice(kPort, "");
}

TEST(Win32UsbDiscovery, ListsThePortsClassWithoutError) {
    const UsbDeviceList list = ListUsbSerialDevices({});
    EXPECT_EQ(list.systemError, 0);
    for (const UsbDevice& device : list.devices) {
        EXPECT_TRUE(device.node.starts_with("COM")) << device.node;
        EXPECT_FALSE(device.hardwareIds.empty()) << device.node;
    }
}

class Win32ReplaceFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("va48_replace_" + std::to_string(GetCurrentProcessId()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / "VA-48Viewer.ini";
    }
    void TearDown() override {
        SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }
    fs::path dir_;
    fs::path file_;
};

TEST_F(Win32ReplaceFile, ReplacesWholeOrNotAtAllAndLeavesNothingBehind) {
    ASSERT_TRUE(ReplaceFileContents(file_, "[A]\r\nx=1\r\n"));
    ASSERT_TRUE(ReplaceFileContents(file_, "[A]\r\nx=22\r\n"));
    EXPECT_EQ(Slurp(file_), "[A]\r\nx=22\r\n");
    {
        // Another program holding the file open: the rename is tried a few times, then the
        // write fails with the file as it was.
        const HANDLE holder = CreateFileW(file_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        std::error_code why;
        EXPECT_FALSE(ReplaceFileContents(file_, "[A]\r\nx=333\r\n", &why));
        EXPECT_NE(why.value(), 0);
        CloseHandle(holder);
    }
    EXPECT_EQ(Slurp(file_), "[A]\r\nx=22\r\n");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(Win32ReplaceFile, ARefusedReplacementLeavesTheFileAsItWas) {
    ASSERT_TRUE(ReplaceFileContents(file_, "old"));
    ASSERT_TRUE(SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_READONLY));
    std::error_code why;
    EXPECT_FALSE(ReplaceFileContents(file_, "new", &why));
    EXPECT_EQ(why.value(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Slurp(file_), "old");

    EXPECT_FALSE(ReplaceFileContents(dir_ / "missing" / "x.ini", "new", &why));
    EXPECT_NE(why.value(), 0);
    EXPECT_EQ(Entries(), 1u);
}

// A serial port with the simulator behind it, named by VA48_TEST_COM_PORT (scripts/
// windows-test.sh maps a wine COM port onto the simulator's pseudo-terminal).
TEST(Win32Serial, AsksTheSimulatorThroughARealComPort) {
    const char* node = std::getenv("VA48_TEST_COM_PORT");
    if (node == nullptr || *node == '\0') {
        GTEST_SKIP() << "VA48_TEST_COM_PORT names no port";
    }
    ASSERT_TRUE(SetSerialPortDevice(kPort, node));
    AutoResetEvent received;
    AutoResetEvent error;
    const ConnectionHandle handle = SerialOpen(kPort, &received, &error);
    ASSERT_NE(handle, kNoConnection) << node;
    EXPECT_EQ(SerialOpen(kPort, nullptr, nullptr), kNoConnection) << "opened twice";

    // Several round trips: each reply must be seen as it arrives, also after the driver's
    // events for the bytes of the one before.
    const std::string request = va48sim::EncodeRequest("VER?");
    const std::vector<std::uint8_t> bytes(request.begin(), request.end());
    const std::uint8_t stx[] = {0x02};
    const std::uint8_t crlf[] = {0x0D, 0x0A};
    AutoResetEvent* const events[] = {&received};
    for (int trip = 0; trip < 10; ++trip) {
        SCOPED_TRACE(trip);
        ASSERT_EQ(SerialSend(handle, bytes), static_cast<int>(bytes.size()));
        std::array<std::uint8_t, 256> out{};
        int length = 0;
        for (int piece = 0; piece < 64 && length <= 0; ++piece) {
            length = SerialReceiveFrame(handle, stx, crlf, out, 1);
            if (length <= 0 && WaitAny(events, 5s) == kWaitTimeout) {
                break;
            }
        }
        ASSERT_GT(length, 0);
        EXPECT_EQ(std::string(out.begin(), out.begin() + length), va48sim::EncodeAck("1.02"));
    }
    EXPECT_FALSE(error.IsSet()) << SerialLastError(handle);
    EXPECT_TRUE(SerialClose(handle));
    SetSerialPortDevice(kPort, "");
}

} // namespace
} // namespace va48
