// The Linux device list: serial devices from sysfs, and the USB device each one sits on.

#include "transport/usb_discovery.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace va48 {

namespace {

namespace fs = std::filesystem;

// A sysfs attribute holding a hexadecimal number of at most 16 bits, such as "7c4e\n".
std::optional<std::uint16_t> ReadHexAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char buffer[32] = {};
    in.read(buffer, sizeof buffer);
    std::string_view text(buffer, static_cast<std::size_t>(in.gcount()));
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    text = text.substr(0, end == std::string_view::npos ? 0 : end + 1);
    std::uint16_t value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A sysfs text attribute such as "serial", without its line end; empty when it is missing. Only
// printable ASCII is kept: the text comes from the device.
std::string ReadTextAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char buffer[256] = {};
    in.read(buffer, sizeof buffer);
    std::string text(buffer, static_cast<std::size_t>(in.gcount()));
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    if (!std::ranges::all_of(text, [](char c) { return c >= 0x20 && c < 0x7F; })) {
        return {};
    }
    return text;
}

bool IsWithin(const fs::path& dir, const fs::path& root) {
    return std::mismatch(root.begin(), root.end(), dir.begin(), dir.end()).first == root.end();
}

// The nearest directory at or above `device` (and below `root`) that describes a USB device,
// i.e. holds both idVendor and idProduct. Empty when there is none.
fs::path FindUsbDeviceDir(const fs::path& device, const fs::path& root) {
    std::error_code ec;
    for (fs::path dir = device; dir != root && IsWithin(dir, root); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec)) {
            return dir;
        }
    }
    return {};
}

std::optional<UsbDevice> DescribeTty(const std::string& name, const fs::path& classDir,
                                     const fs::path& root, const fs::path& devRoot) {
    std::error_code ec;
    // Virtual terminals and pseudo-terminals have no "device" link.
    const fs::path device = fs::canonical(classDir / name / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    const fs::path usb = FindUsbDeviceDir(device, root);
    if (usb.empty()) {
        return std::nullopt;
    }
    const std::optional<std::uint16_t> vendor = ReadHexAttribute(usb / "idVendor");
    const std::optional<std::uint16_t> product = ReadHexAttribute(usb / "idProduct");
    if (!vendor || !product) {
        return std::nullopt;
    }
    return UsbDevice{(devRoot / name).string(),
                     UsbHardwareIds(*vendor, *product, ReadHexAttribute(usb / "bcdDevice")),
                     ReadTextAttribute(usb / "serial")};
}

} // namespace

UsbDeviceList ListUsbSerialDevices(const UsbSearchRoots& roots) {
    std::error_code ec;
    const fs::path root = fs::canonical(roots.sysfsRoot, ec);
    if (ec) {
        return {{}, ec.value()};
    }
    const fs::path classDir = root / "class" / "tty";
    std::vector<std::string> names;
    for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    if (ec) {
        return {{}, ec.value()};
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return NaturalNameLess(a, b); });

    UsbDeviceList list;
    for (const std::string& name : names) {
        if (std::optional<UsbDevice> device = DescribeTty(name, classDir, root, roots.devRoot)) {
            list.devices.push_back(std::move(*device));
        }
    }
    return list;
}

} // namespace va48
