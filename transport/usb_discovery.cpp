#include "transport/usb_discovery.h"

#include "transport/serial_channel.h"

#include <algorithm>
#include <cstdio>

namespace va48 {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// ASCII only: hardware IDs are ASCII, and the result must not depend on the C locale.
char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return ToUpperAscii(c); });
    return upper;
}

std::string_view DigitRun(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return text.substr(from, end - from);
}

// Compares two digit runs by value without converting them, so any length works.
int CompareNumbers(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

std::string FormatHardwareId(std::uint16_t vendor, std::uint16_t product) {
    char text[32];
    std::snprintf(text, sizeof text, "USB\\VID_%04X&PID_%04X", static_cast<unsigned>(vendor),
                  static_cast<unsigned>(product));
    return text;
}

} // namespace

std::vector<std::string> UsbHardwareIds(std::uint16_t vendor, std::uint16_t product,
                                        std::optional<std::uint16_t> release) {
    const std::string base = FormatHardwareId(vendor, product);
    if (!release) {
        return {base};
    }
    char revision[16];
    std::snprintf(revision, sizeof revision, "&REV_%04X", static_cast<unsigned>(*release));
    return {base + revision, base};
}

bool NaturalNameLess(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view numberA = DigitRun(a, i);
            const std::string_view numberB = DigitRun(b, j);
            if (const int order = CompareNumbers(numberA, numberB); order != 0) {
                return order < 0;
            }
            i += numberA.size();
            j += numberB.size();
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size(); // the one that ran out first is a prefix of the other
    }
    return a < b;
}

std::optional<std::size_t> MatchHardwareId(std::string_view pattern,
                                           std::span<const UsbDevice> devices) {
    if (pattern.empty()) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < devices.size(); ++index) {
        for (const std::string& id : devices[index].hardwareIds) {
            if (ToUpperAscii(id).find(pattern) != std::string::npos) {
                return index;
            }
        }
    }
    return std::nullopt;
}

UsbDeviceList FindUsbDevices(std::string_view pattern, const UsbSearchRoots& roots) {
    UsbDeviceList matches;
    if (pattern.empty()) {
        return matches;
    }
    UsbDeviceList list = ListUsbSerialDevices(roots);
    matches.systemError = list.systemError;
    for (UsbDevice& device : list.devices) {
        if (MatchHardwareId(pattern, std::span<const UsbDevice>(&device, 1))) {
            matches.devices.push_back(std::move(device));
        }
    }
    return matches;
}

std::optional<std::size_t> FindSerialNumber(std::string_view serialNumber,
                                            std::span<const UsbDevice> devices) {
    if (serialNumber.empty()) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < devices.size(); ++index) {
        if (devices[index].serialNumber == serialNumber) {
            return index;
        }
    }
    return std::nullopt;
}

int FindUsbPort(std::string_view pattern, const UsbSearchRoots& roots, std::uint32_t& port,
                const SerialPortBinder& bind, std::string_view preferredSerial) {
    port = 0;
    if (pattern.empty()) {
        return kUsbPortNotFound;
    }
    const UsbDeviceList list = ListUsbSerialDevices(roots);
    if (list.systemError != 0) {
        // A service trace for whoever started the program from a terminal; the user sees only
        // the session's "not found" result.
        std::printf("error %d\r\n", list.systemError);
        std::fflush(stdout);
        return kUsbPortNotFound;
    }
    const std::span<const UsbDevice> devices(list.devices);
    if (const std::optional<std::size_t> preferred = FindSerialNumber(preferredSerial, devices);
        preferred && MatchHardwareId(pattern, devices.subspan(*preferred, 1))) {
        if (const int number = bind(devices[*preferred].node); number > 0) {
            port = static_cast<std::uint32_t>(number);
            return kUsbPortFound;
        }
    }
    for (std::size_t from = 0; from < devices.size();) {
        const std::optional<std::size_t> hit = MatchHardwareId(pattern, devices.subspan(from));
        if (!hit) {
            break;
        }
        const std::size_t index = from + *hit;
        if (const int number = bind(devices[index].node); number > 0) {
            port = static_cast<std::uint32_t>(number);
            return kUsbPortFound;
        }
        from = index + 1;
    }
    return kUsbPortNotFound;
}

int FindUsbPort(std::string_view pattern, const UsbSearchRoots& roots, std::uint32_t& port,
                std::string_view preferredSerial) {
    return FindUsbPort(pattern, roots, port, BindSerialPortDevice, preferredSerial);
}

} // namespace va48
