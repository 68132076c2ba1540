// The Windows side of the settings file: where the executable is, and replacing a file whole.

#include "shell/settings_file.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <system_error>
#include <thread>

namespace va48 {

namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryNameAttempts = 16;

// A virus scanner or an indexer may hold the file for a moment just after it changed; the
// rename is tried again a few times before the write is given up.
constexpr int kRenameAttempts = 5;
constexpr auto kRenamePause = std::chrono::milliseconds(50);

bool Failed(std::error_code* why, DWORD error) {
    if (why) {
        *why = std::error_code(static_cast<int>(error != 0 ? error : ERROR_WRITE_FAULT),
                               std::system_category());
    }
    return false;
}

// A name beside `file` that no other writer uses: two threads or processes replacing the same
// file each write their own temporary file, and the last rename wins whole.
fs::path TemporaryNameFor(const fs::path& file) {
    static std::atomic<unsigned> counter{0};
    const std::wstring name = L"." + file.filename().wstring() + L"." +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++) + L".tmp";
    return file.parent_path() / name;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool Busy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_ACCESS_DENIED;
}

} // namespace

fs::path ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return fs::path(path);
        }
        if (path.size() >= 32768) { // the longest path Windows has
            return {};
        }
        path.resize(path.size() * 2);
    }
}

bool ReplaceFileContents(const fs::path& file, std::string_view contents, std::error_code* why) {
    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        target = fs::canonical(file, ec); // a dangling link fails here
        if (ec) {
            if (why) {
                *why = ec;
            }
            return false;
        }
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    // Replacing a file the user made read-only would defeat the point of making it so.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return Failed(why, ERROR_ACCESS_DENIED);
    }

    fs::path temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && handle == INVALID_HANDLE_VALUE;
         ++attempt) {
        temporary = TemporaryNameFor(target);
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return Failed(why, GetLastError());
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return Failed(why, ERROR_FILE_EXISTS);
    }
    bool ok = WriteAll(handle, contents) && FlushFileBuffers(handle);
    DWORD error = ok ? 0 : GetLastError(); // before CloseHandle and DeleteFile can change it
    if (!CloseHandle(handle) && ok) {
        ok = false;
        error = GetLastError();
    }
    // MOVEFILE_WRITE_THROUGH returns only once the rename is on the disk.
    for (int attempt = 0; ok; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        error = GetLastError();
        if (!Busy(error) || attempt + 1 >= kRenameAttempts) {
            ok = false;
            break;
        }
        std::this_thread::sleep_for(kRenamePause);
    }
    DeleteFileW(temporary.c_str());
    return Failed(why, error);
}

} // namespace va48
