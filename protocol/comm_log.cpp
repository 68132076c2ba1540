#include "protocol/comm_log.h"

#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

namespace va48 {

namespace {

// Opens `path` for appending bytes. Windows paths are wide; the narrow fopen would lose every
// character outside the ANSI code page.
#ifdef _WIN32
std::FILE* OpenForAppend(const std::filesystem::path& path) {
    return _wfopen(path.c_str(), L"ab");
}
#else
std::FILE* OpenForAppend(const std::filesystem::path& path) {
    return std::fopen(path.c_str(), "ab");
}
#endif

} // namespace

CommLog::CommLog(std::filesystem::path logPath) : path_(std::move(logPath)) {
    if (!path_.empty()) {
        backupPath_ = path_;
        backupPath_ += ".bak";
    }
}

CommLog::~CommLog() {
    CloseFile();
}

void CommLog::CloseFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
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
    if (file_ == nullptr) {
        file_ = OpenForAppend(path_);
        if (file_ == nullptr) {
            return;
        }
        // In append mode the position is the end of the file; from here on it is counted.
        std::fseek(file_, 0, SEEK_END);
        const long size = std::ftell(file_);
        size_ = size < 0 ? 0 : static_cast<std::uintmax_t>(size);
    }
    if (std::fwrite(stored.data(), 1, stored.size(), file_) != stored.size() ||
        std::fflush(file_) != 0) {
        CloseFile(); // opened afresh next time: the folder or the disk may have changed
        return;
    }
    size_ += stored.size();
    if (size_ <= kRotateAboveBytes) {
        return;
    }
    CloseFile();
    std::error_code error;
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
