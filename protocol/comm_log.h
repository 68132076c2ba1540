#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <span>
#include <string_view>

namespace va48 {

// The communication log: a text file to which the program appends every frame, link event and
// failure. Once the file passes kRotateAboveBytes it is moved to the backup name (the log name
// with ".bak" appended), replacing an older backup, and the next write starts a new file.
//
// Texts are stored exactly as given, except that each "\n" is stored as CR LF, so the file reads
// the same on every platform. Writes from several threads are serialised: each text lands whole,
// and a rotation never loses a text. Failures to write are silent: the log is a service trace and
// must never disturb the exchange it records.
//
// The file stays open for appending between writes (a firmware update writes two texts per line
// sent, tens of thousands in a row) and every text is flushed to it at once, so a reader sees it
// and a crash loses nothing. A file that cannot be opened is tried again at the next write.
class CommLog {
  public:
    static constexpr std::uintmax_t kRotateAboveBytes = 1'024'000;

    // An empty path gives a log that writes nothing.
    explicit CommLog(std::filesystem::path logPath = {});
    ~CommLog();

    CommLog(const CommLog&) = delete;
    CommLog& operator=(const CommLog&) = delete;

    // Appends `text`, then rotates when the file has grown past the limit.
    void Write(std::string_view text);

    const std::filesystem::path& Path() const { return path_; }
    const std::filesystem::path& BackupPath() const { return backupPath_; }

  private:
    void CloseFile();

    std::mutex mutex_;
    std::FILE* file_ = nullptr; // open for appending while writes succeed; guarded by mutex_
    std::uintmax_t size_ = 0;   // bytes in the open file
    std::filesystem::path path_;
    std::filesystem::path backupPath_;
};

// Size of the buffers that hold a frame's hexadecimal text: 2047 characters and a NUL, enough
// for the first 682 bytes of a frame and the first digit of the next.
inline constexpr std::size_t kHexTextSize = 2048;

// Writes the bytes as "%02X " each (upper case, one space after every byte) into `out`, cut to
// out.size() - 1 characters and NUL-terminated. Returns the number of characters written; an
// empty `out` gets nothing and returns 0.
std::size_t HexText(std::span<const std::uint8_t> bytes, std::span<char> out);

} // namespace va48
