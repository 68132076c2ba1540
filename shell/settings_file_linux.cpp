// The Linux side of the settings file: where the executable is, and replacing a file whole.

#include "shell/settings_file.h"

#include <atomic>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace va48 {

namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryNameAttempts = 16;

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A hidden name beside `file` that no other writer uses: two threads or processes replacing the
// same file each write their own temporary file, and the last rename wins whole.
fs::path TemporaryNameFor(const fs::path& file) {
    static std::atomic<unsigned> counter{0};
    const std::string name = "." + file.filename().string() + "." + std::to_string(::getpid()) +
                             "-" + std::to_string(counter++) + ".tmp";
    return file.parent_path() / name;
}

// Stores the system's error `error` in `why` when the caller asked for it (a step that failed
// without saying why counts as an I/O error); returns false for the caller to pass on.
bool Failed(std::error_code* why, int error) {
    if (why) {
        *why = std::error_code(error != 0 ? error : EIO, std::generic_category());
    }
    return false;
}

// Without this the rename itself may be lost in a power cut, leaving the old file. Best effort:
// the new contents are already safe on disk either way.
void SyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

fs::path ExecutablePath() {
    std::error_code ec;
    fs::path path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : path;
}

bool ReplaceFileContents(const fs::path& file, std::string_view contents, std::error_code* why) {
    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        target = fs::canonical(file, ec); // a dangling link fails here
        if (ec) {
            return Failed(why, ec.value());
        }
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    // Renaming over a file the user made read-only would defeat the point of making it so.
    if (existed && ::access(target.c_str(), W_OK) != 0) {
        return Failed(why, errno);
    }

    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && fd < 0; ++attempt) {
        temporary = TemporaryNameFor(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Failed(why, errno);
        }
    }
    if (fd < 0) {
        return Failed(why, EEXIST);
    }
    errno = 0;
    bool ok = (!existed || ::fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, contents) &&
              ::fsync(fd) == 0;
    int error = ok ? 0 : errno; // before close() and unlink() can change it
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return Failed(why, error);
    }
    SyncDirectory(target.parent_path());
    return true;
}

} // namespace va48
