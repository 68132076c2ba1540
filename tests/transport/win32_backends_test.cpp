// The Windows backends where they differ from the POSIX ones: port names, the device list, the
// settings file's replace step, and a serial port end to end when the run provides one.

#include "shell/settings_file.h"
#include "sim/frame_codec.h"
#include "tests/support/next_frame.h"
#include "tests/support/temp_dir.h"
#include "transport/serial_channel.h"
#include "transport/usb_discovery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace va48 {
namespace {

namespace fs = std::filesystem;

constexpr int kPort = 7;

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

TEST(Win32ReplaceFile, ReplacesWholeOrNotAtAllAndLeavesNothingBehind) {
    const TempDir dir("va48_replace");
    const fs::path file = dir / "VA-48Viewer.ini";
    ASSERT_TRUE(ReplaceFileContents(file, "[A]\r\nx=1\r\n"));
    ASSERT_TRUE(ReplaceFileContents(file, "[A]\r\nx=22\r\n"));
    EXPECT_EQ(ReadFile(file), "[A]\r\nx=22\r\n");
    std::error_code why;
    {
        // Another program holding the file open: the rename is tried a few times, then the
        // write fails with the file as it was.
        const HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(ReplaceFileContents(file, "[A]\r\nx=333\r\n", &why));
        EXPECT_NE(why.value(), 0);
        CloseHandle(holder);
    }
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(ReplaceFileContents(file, "new", &why));
    EXPECT_EQ(why.value(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(file), "[A]\r\nx=22\r\n");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);

    EXPECT_FALSE(ReplaceFileContents(dir / "missing" / "x.ini", "new", &why));
    EXPECT_NE(why.value(), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
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
    for (int trip = 0; trip < 10; ++trip) {
        SCOPED_TRACE(trip);
        ASSERT_EQ(SerialSend(handle, bytes), static_cast<int>(bytes.size()));
        EXPECT_EQ(NextFrame(SerialReceiveFrame, handle, received), va48sim::EncodeAck("1.02"));
    }
    EXPECT_FALSE(error.IsSet()) << SerialLastError(handle);
    EXPECT_TRUE(SerialClose(handle));
    SetSerialPortDevice(kPort, "");
}

} // namespace
} // namespace va48
