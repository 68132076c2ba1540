#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace va48 {

// A sysfs tree in a temporary folder that shows USB serial devices, so that USB discovery
// finds device nodes of the test's choosing (for example pseudo-terminal slaves).
class FakeUsbTree {
  public:
    // `node` is the device node to be found, e.g. "/dev/pts/7": its folder becomes the device
    // root and its file name the tty name. An empty `serial` writes no serial attribute.
    explicit FakeUsbTree(const std::filesystem::path& node, const std::string& vendor = "7c4e",
                         const std::string& product = "0008", const std::string& revision = "0100",
                         const std::string& serial = "") {
        namespace fs = std::filesystem;
        static int count = 0;
        root_ = fs::temp_directory_path() /
                ("va48_sysfs_" + std::to_string(::getpid()) + "_" + std::to_string(++count));
        fs::remove_all(root_);
        devRoot_ = node.parent_path();
        Add(node, serial, vendor, product, revision);
    }
    ~FakeUsbTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeUsbTree(const FakeUsbTree&) = delete;
    FakeUsbTree& operator=(const FakeUsbTree&) = delete;

    // Another device on the next USB port; its node must sit in the same folder as the first.
    void Add(const std::filesystem::path& node, const std::string& serial,
             const std::string& vendor = "7c4e", const std::string& product = "0008",
             const std::string& revision = "0100") {
        namespace fs = std::filesystem;
        const fs::path usb = root_ / "devices" / "usb1" / ("1-" + std::to_string(++devices_));
        const fs::path interface = usb / (usb.filename().string() + ":1.0");
        fs::create_directories(interface);
        std::ofstream(usb / "idVendor") << vendor << "\n";
        std::ofstream(usb / "idProduct") << product << "\n";
        std::ofstream(usb / "bcdDevice") << revision << "\n";
        if (!serial.empty()) {
            std::ofstream(usb / "serial") << serial << "\n";
        }
        const fs::path tty = root_ / "class" / "tty" / node.filename();
        fs::create_directories(tty);
        fs::create_directory_symlink(interface, tty / "device");
    }

    const std::filesystem::path& SysfsRoot() const { return root_; }
    const std::filesystem::path& DevRoot() const { return devRoot_; }

  private:
    std::filesystem::path root_;
    std::filesystem::path devRoot_;
    int devices_ = 0;
};

} // namespace va48
