#pragma once

#include "monitor/level_record.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace va48 {

// Writes a level recording to a CSV file, one line per poll, each line flushed to the system as it
// is written so that nothing recorded is lost when the program or the machine stops.
// Not copyable; window thread only.
class LevelRecorder {
  public:
    LevelRecorder() = default;
    ~LevelRecorder();
    LevelRecorder(const LevelRecorder&) = delete;
    LevelRecorder& operator=(const LevelRecorder&) = delete;

    // Creates (or empties) `path` and writes the header for the channels present in `device`.
    // False, with the reason in `why` and nothing recording, when the file cannot be created or
    // written.
    bool Start(const std::filesystem::path& path, const DeviceState& device, std::error_code& why);

    // Appends the line of one poll and flushes it. On failure (the disk is full, the file was
    // removed or can no longer be written) the recording stops, the file is closed with what it
    // holds, and false comes back with the reason in `why`. Does nothing (true) when not recording.
    bool Write(const DeviceState& device, WallClock::time_point at, std::error_code& why);

    // Closes the file. Safe when not recording.
    void Stop();

    bool Recording() const { return file_ != nullptr; }
    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t Lines() const { return lines_; } // poll lines written since Start

  private:
    // Writes and flushes `text`; on failure stops with the reason in `why`.
    bool Put(const std::string& text, std::error_code& why);

    std::FILE* file_ = nullptr;
    std::filesystem::path path_;
    RecordedChannels channels_;
    std::uint64_t lines_ = 0;
};

} // namespace va48
