#include "protocol/comm_log.h"

#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace va48 {

CommLog::CommLog(std::filesystem::path logPath) : path_(std::move(logPath)) {
    if (!path_.empty()) {
        backupPath_ = path_;
        backupPath_ += ".bak";
    }
}

void CommLog::Write(std::string_view text) {
    if (path_.empty()) {
        return;
    }
    std::string stored;
    stored.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n') {
            stored += '\r';
        }
        stored += c;
    }

    const std::lock_guard lock(mutex_);
    {
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path_.c_str(), "ab"),
                                                                   &std::fclose);
        if (!file) {
            return;
        }
        std::fwrite(stored.data(), 1, stored.size(), file.get());
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (error || size <= kRotateAboveBytes) {
        return;
    }
    std::filesystem::remove(backupPath_, error);
    std::filesystem::rename(path_, backupPath_, error);
}

std::size_t HexText(std::span<const std::uint8_t> bytes, std::span<char> out) {
    if (out.empty()) {
        return 0;
    }
    constexpr char kDigits[] = "0123456789ABCDEF";
    const std::size_t capacity = out.size() - 1;
    std::size_t length = 0;
    for (const std::uint8_t byte : bytes) {
        const char cell[3] = {kDigits[byte >> 4], kDigits[byte & 0x0F], ' '};
        for (const char c : cell) {
            if (length == capacity) {
                out[length] = '\0';
                return length;
            }
            out[length++] = c;
        }
    }
    out[length] = '\0';
    return length;
}

} // namespace va48
