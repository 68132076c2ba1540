#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace va48 {

// A sysfs tree in a temporary folder that shows one USB serial device, so that USB discovery
// finds a device node of the test's choosing (for example a pseudo-terminal's slave).
class FakeUsbTree {
  public:
    // `node` is the device node to be found, e.g. "/dev/pts/7": its folder becomes the device
    // root and its file name the tty name.
    FakeUsbTree(const std::filesystem::path& node, const std::string& vendor = "7c4e",
                const std::string& product = "0008", const std::string& revision = "0100") {
        namespace fs = std::filesystem;
        static int serial = 0;
        root_ = fs::temp_directory_path() /
                ("va48_sysfs_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        fs::remove_all(root_);
        const fs::path usb = root_ / "devices" / "usb1" / "1-1";
        const fs::path interface = usb / "1-1:1.0";
        fs::create_directories(interface);
        std::ofstream(usb / "idVendor") << vendor << "\n";
        std::ofstream(usb / "idProduct") << product << "\n";
        std::ofstream(usb / "bcdDevice") << revision << "\n";
        const fs::path tty = root_ / "class" / "tty" / node.filename();
        fs::create_directories(tty);
        fs::create_directory_symlink(interface, tty / "device");
        devRoot_ = node.parent_path();
    }
    ~FakeUsbTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    FakeUsbTree(const FakeUsbTree&) = delete;
    FakeUsbTree& operator=(const FakeUsbTree&) = delete;

    const std::filesystem::path& SysfsRoot() const { return root_; }
    const std::filesystem::path& DevRoot() const { return devRoot_; }

  private:
    std::filesystem::path root_;
    std::filesystem::path devRoot_;
};

} // namespace va48
