#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace va48 {

// USB port discovery: finds the amplifier's virtual serial port by its hardware ID and gives it a
// serial port number (1..32) that the serial channel opens.

inline constexpr int kUsbPortFound = 0;
inline constexpr int kUsbPortNotFound = 27; // the session reports it as "COM port is not found."

// The hardware-ID pattern used when the settings file names none.
inline constexpr std::string_view kDefaultHardwareIdPattern = "USB\\VID_7C4E&PID_0008";

// Where the device tree and the device nodes live. Tests point both at a fake tree.
struct UsbSearchRoots {
    std::filesystem::path sysfsRoot = "/sys";
    std::filesystem::path devRoot = "/dev";
};

// A present serial device that sits on a USB device.
struct UsbDevice {
    std::string node; // the device node to open, e.g. "/dev/ttyACM0"
    // Most specific first: "USB\VID_vvvv&PID_pppp&REV_rrrr", then "USB\VID_vvvv&PID_pppp"
    // (4 upper-case hex digits each). The first is left out when the device reports no revision.
    std::vector<std::string> hardwareIds;
    // The USB device's serial number as it reports it; empty when it reports none. Tells two
    // amplifiers apart, and finds one again after it was plugged into another port.
    std::string serialNumber = {};
};

// The outcome of listing the devices.
struct UsbDeviceList {
    std::vector<UsbDevice> devices; // in enumeration order
    int systemError = 0; // errno when the device tree could not be read at all (devices empty)
};

// Platform backend. Lists the serial devices present that sit on a USB device, in enumeration
// order: by device name, with runs of digits compared as numbers (see NaturalNameLess), so
// ttyACM2 comes before ttyACM10. Serial devices that are not on USB, and devices whose
// attributes cannot be read (for instance unplugged during the walk), are left out.
UsbDeviceList ListUsbSerialDevices(const UsbSearchRoots& roots);

// The hardware-ID strings of a USB device from its vendor, product and release numbers.
std::vector<std::string> UsbHardwareIds(std::uint16_t vendor, std::uint16_t product,
                                        std::optional<std::uint16_t> release);

// Name order for the enumeration: runs of decimal digits compare by value ("ttyACM2" <
// "ttyACM10"), everything else byte by byte. Names equal under that rule ("tty01", "tty1") fall
// back to plain byte order, so the order is strict.
bool NaturalNameLess(std::string_view a, std::string_view b);

// The index of the first device in `devices` with a hardware ID that contains `pattern`, testing
// each device's IDs in order. The IDs are compared in ASCII upper case; the pattern is taken as
// it is, so it must be written in upper case to match. nullopt when none matches or `pattern`
// is empty.
std::optional<std::size_t> MatchHardwareId(std::string_view pattern,
                                           std::span<const UsbDevice> devices);

// Every present device whose hardware ID contains `pattern` (see MatchHardwareId), in
// enumeration order; none for an empty pattern. systemError as ListUsbSerialDevices gives it.
UsbDeviceList FindUsbDevices(std::string_view pattern, const UsbSearchRoots& roots);

// The index of the first device in `devices` whose serial number is `serialNumber` (compared
// exactly); nullopt when none is or `serialNumber` is empty.
std::optional<std::size_t> FindSerialNumber(std::string_view serialNumber,
                                            std::span<const UsbDevice> devices);

// Gives a device node a serial port number 1..32, or 0 when none is free.
using SerialPortBinder = std::function<int(const std::string& node)>;

// Finds the first present device whose hardware ID contains `pattern` (see MatchHardwareId) and
// binds its node with `bind`. A matching device that gets no port number is passed over.
// Returns kUsbPortFound with `port` set to the number, or kUsbPortNotFound with `port` 0: for an
// empty pattern, when no device matches or none could be bound, and when the device tree cannot
// be read, which also writes "error <errno>\r\n" to standard output.
// A matching device whose serial number is `preferredSerial` (non-empty) is tried first.
int FindUsbPort(std::string_view pattern, const UsbSearchRoots& roots, std::uint32_t& port,
                const SerialPortBinder& bind, std::string_view preferredSerial = {});

// As above, binding through the serial channel (BindSerialPortDevice), so that SerialOpen(port)
// opens the device found.
int FindUsbPort(std::string_view pattern, const UsbSearchRoots& roots, std::uint32_t& port,
                std::string_view preferredSerial = {});

} // namespace va48
