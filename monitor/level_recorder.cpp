#include "monitor/level_recorder.h"

#include <cerrno>
#include <string>

namespace va48 {

namespace {

// The reason of the last failed C library call, never "no error".
std::error_code LastError() {
    const int code = errno;
    return code != 0 ? std::error_code(code, std::generic_category())
                     : std::make_error_code(std::errc::io_error);
}

std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    // The wide form, so that a path outside the system's code page opens too.
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

} // namespace

LevelRecorder::~LevelRecorder() {
    Stop();
}

bool LevelRecorder::Start(const std::filesystem::path& path, const DeviceState& device,
                          std::error_code& why) {
    Stop();
    why.clear();
    errno = 0;
    std::FILE* file = OpenForWriting(path);
    if (file == nullptr) {
        why = LastError();
        return false;
    }
    file_ = file;
    path_ = path;
    channels_ = PresentChannels(device);
    lines_ = 0;
    return Put(RecordHeader(channels_), why);
}

bool LevelRecorder::Write(const DeviceState& device, WallClock::time_point at,
                          std::error_code& why) {
    why.clear();
    if (file_ == nullptr) {
        return true;
    }
    // Writing on through a handle whose file was deleted succeeds on POSIX systems and keeps
    // nothing, so the file's path is looked at before every line.
    std::error_code probe;
    if (!std::filesystem::exists(path_, probe)) {
        why = probe ? probe : std::make_error_code(std::errc::no_such_file_or_directory);
        Stop();
        return false;
    }
    if (!Put(RecordLine(device, channels_, at), why)) {
        return false;
    }
    ++lines_;
    return true;
}

void LevelRecorder::Stop() {
    if (file_ != nullptr) {
        std::fclose(file_); // every line was flushed when written; nothing is left to lose here
        file_ = nullptr;
    }
}

bool LevelRecorder::Put(const std::string& text, std::error_code& why) {
    errno = 0;
    const bool written =
        std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
    if (!written) {
        why = LastError();
        Stop();
    }
    return written;
}

} // namespace va48
