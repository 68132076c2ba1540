#include "transport/usb_discovery.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

namespace fs = std::filesystem;

// A fake device tree in a temporary directory: <dir>/sys is the sysfs root, <dir>/dev the
// device root (nodes are named there, never created).
class UsbDiscoveryTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(roots.sysfsRoot / "class" / "tty"); }

    // A tty whose device link points at `devicePath` (below devices/), created as a directory.
    void AddTty(const std::string& name, const fs::path& devicePath) {
        const fs::path device = roots.sysfsRoot / "devices" / devicePath;
        fs::create_directories(device);
        fs::create_directories(roots.sysfsRoot / "class" / "tty" / name);
        fs::create_directory_symlink(device, roots.sysfsRoot / "class" / "tty" / name / "device");
    }

    // A tty on interface 1.0 of the USB device at devices/<usbPath>.
    void AddUsbTty(const std::string& name, const fs::path& usbPath, const std::string& vendor,
                   const std::string& product, const std::string& release = "0100\n",
                   const std::string& serial = "") {
        const fs::path usb = roots.sysfsRoot / "devices" / usbPath;
        AddTty(name, usbPath / (usbPath.filename().string() + ":1.0"));
        WriteFile(usb / "idVendor", vendor);
        WriteFile(usb / "idProduct", product);
        if (!release.empty()) {
            WriteFile(usb / "bcdDevice", release);
        }
        if (!serial.empty()) {
            WriteFile(usb / "serial", serial);
        }
    }

    // Two amplifiers, named so that byte order would list them the wrong way round, another
    // USB adapter between them in natural order, two devices whose IDs cannot be read, a built-in
    // port below ID attributes that lie at and above the sysfs root, and a tty without a device.
    void AddTypicalTree() {
        AddUsbTty("ttyACM10", "pci0000:00/usb1/1-1", "7c4e\n", "0008\n", "0100\n", "VA48-0042 \n");
        AddUsbTty("ttyACM2", "pci0000:00/usb1/1-2", "7c4e\n", "0008\n");
        WriteFile(roots.sysfsRoot / "devices" / "pci0000:00/usb1/1-2" / "serial", "A1B2C3\n");
        AddUsbTty("ttyACM5", "pci0000:00/usb1/1-3", "0403\n", "6001\n", "");
        AddUsbTty("ttyACM6", "pci0000:00/usb1/1-4", "zz\n", "0008\n");
        AddUsbTty("ttyACM7", "pci0000:00/usb1/1-5", "7c4e\n", "10008\n"); // wider than 16 bits
        for (const fs::path& above : {roots.sysfsRoot, dir}) {
            WriteFile(above / "idVendor", "7c4e\n");
            WriteFile(above / "idProduct", "0008\n");
        }
        AddTty("ttyS0", "platform/serial8250/tty/ttyS0");
        fs::create_directories(roots.sysfsRoot / "class" / "tty" / "tty0");
    }

    std::string Node(const std::string& name) const { return (roots.devRoot / name).string(); }

    // A binder that records the names of the nodes offered and answers from `answers` (then 0).
    SerialPortBinder Recorder(std::vector<int> answers = {7}) {
        return [this, answers, next = std::size_t{0}](const std::string& node) mutable {
            bound.push_back(fs::path(node).filename().string());
            return next < answers.size() ? answers[next++] : 0;
        };
    }

    TempDir temp{"va48_usb"};
    const fs::path& dir = temp.Path();
    UsbSearchRoots roots{dir / "sys", dir / "dev"};
    std::vector<std::string> bound;
};

TEST_F(UsbDiscoveryTest, ListsReadableUsbTtysInNaturalOrderAndFindsTheMatchesBySerialNumber) {
    AddTypicalTree();
    const UsbDeviceList list = ListUsbSerialDevices(roots);
    EXPECT_EQ(list.systemError, 0);
    ASSERT_EQ(list.devices.size(), 3u);
    EXPECT_EQ(list.devices[0].node, Node("ttyACM2"));
    EXPECT_EQ(
        list.devices[0].hardwareIds,
        (std::vector<std::string>{"USB\\VID_7C4E&PID_0008&REV_0100", "USB\\VID_7C4E&PID_0008"}));
    EXPECT_EQ(list.devices[1].hardwareIds, (std::vector<std::string>{"USB\\VID_0403&PID_6001"}));
    EXPECT_EQ(list.devices[1].serialNumber, ""); // reports none
    EXPECT_EQ(list.devices[2].node, Node("ttyACM10"));

    const UsbDeviceList matches = FindUsbDevices(kDefaultHardwareIdPattern, roots);
    EXPECT_EQ(matches.systemError, 0);
    ASSERT_EQ(matches.devices.size(), 2u);
    EXPECT_EQ(matches.devices[0].node, Node("ttyACM2"));
    EXPECT_EQ(matches.devices[0].serialNumber, "A1B2C3");
    EXPECT_EQ(matches.devices[1].node, Node("ttyACM10"));
    EXPECT_EQ(matches.devices[1].serialNumber, "VA48-0042") << "trailing blanks dropped";
    EXPECT_EQ(FindSerialNumber("VA48-0042", matches.devices), 1u);
    EXPECT_EQ(FindSerialNumber("VA48-004", matches.devices), std::nullopt);
    EXPECT_EQ(FindSerialNumber("", matches.devices), std::nullopt);
    EXPECT_TRUE(FindUsbDevices("", roots).devices.empty());
    EXPECT_TRUE(FindUsbDevices("USB\\VID_1234", roots).devices.empty());
}

TEST_F(UsbDiscoveryTest, BindsTheFirstMatchThatGetsAPortNumber) {
    AddTypicalTree();
    const struct {
        std::string_view pattern;
        std::vector<int> answers;
        int result;
        std::uint32_t port;
        std::vector<std::string> bound;
    } rows[] = {
        {kDefaultHardwareIdPattern, {5}, kUsbPortFound, 5, {"ttyACM2"}},
        {kDefaultHardwareIdPattern, {0, 31}, kUsbPortFound, 31, {"ttyACM2", "ttyACM10"}},
        {kDefaultHardwareIdPattern, {0}, kUsbPortNotFound, 0, {"ttyACM2", "ttyACM10"}},
        {"USB\\VID_1234", {7}, kUsbPortNotFound, 0, {}},
        {"", {7}, kUsbPortNotFound, 0, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " " + std::to_string(row.answers[0]));
        bound.clear();
        std::uint32_t port = 12;
        EXPECT_EQ(FindUsbPort(row.pattern, roots, port, Recorder(row.answers)), row.result);
        EXPECT_EQ(port, row.port);
        EXPECT_EQ(bound, row.bound);
    }
}

TEST_F(UsbDiscoveryTest, UnreadableTreeWritesTheErrorNumber) {
    roots.sysfsRoot = dir / "missing";
    std::uint32_t port = 3;
    ::testing::internal::CaptureStdout();
    const int result = FindUsbPort(kDefaultHardwareIdPattern, roots, port, Recorder());
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "error " + std::to_string(ENOENT) + "\r\n");
    EXPECT_EQ(result, kUsbPortNotFound);
    EXPECT_EQ(port, 0u);
    EXPECT_TRUE(bound.empty());
}

} // namespace
} // namespace va48
