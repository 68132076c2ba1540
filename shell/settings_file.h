#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace va48 {

// A value read from the settings file holds at most this many bytes; longer values are cut. The
// program has always read its settings into 100-byte zero-terminated buffers, and files written
// for it expect no more.
inline constexpr std::size_t kSettingValueMaxBytes = 99;

// The settings file: a profile file of "[Section]" lines each followed by "key=value" lines.
//
// Reading: section and key names compare case-insensitively (ASCII). Blanks (spaces, tabs) around
// names and values are ignored, as is a UTF-8 byte-order mark. Lines starting with ";" are
// comments; lines without "=" and key lines before the first section are ignored. Where a key
// appears twice in a section, or in two sections of the same name, the first one counts.
// Lines may end in LF or CR LF; the last line needs no line end.
//
// Writing changes one key and keeps every other byte of the file: the first occurrence of the key
// gets the new value in place; a key not yet present is added after the last non-blank line of
// its section; a section not yet present is added at the end of the file. New lines use the line
// end of the file's first line (CR LF for a new file). The file is replaced as a whole (see
// ReplaceFileContents), so a crash never leaves it half written.
//
// Each call reads the file afresh, so changes made by another program are seen.
class SettingsFile {
  public:
    // An empty path gives a file that reads as all defaults and refuses every write.
    explicit SettingsFile(std::filesystem::path path = {}) : path_(std::move(path)) {}

    const std::filesystem::path& Path() const { return path_; }

    // The value of `key` in `section`, or `defaultValue` when the file, the section or the key is
    // missing or the file cannot be read. Either way cut to kSettingValueMaxBytes bytes.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Sets `key` in `section` to `value`, creating the file, the section or the key as needed.
    // Returns false, leaving the file as it was, when the path is empty, a name or the value
    // cannot be stored in a profile line (see IsStorableSetting), the existing file cannot be read,
    // or the new file cannot be written; `why`, when given, then receives the reason (the system's
    // error, or invalid_argument for what cannot be stored). A value is stored without blanks at
    // either end.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value,
                     std::error_code* why = nullptr);

  private:
    std::filesystem::path path_;
};

// Whether a section, key and value survive a write and read back as given: names not empty and
// without blanks at either end; no line break or NUL anywhere; no "]" or "[" in the section; no "="
// in the key, which must not start with ";" or "[".
bool IsStorableSetting(std::string_view section, std::string_view key, std::string_view value);

// The value of `key` in `section` of profile text `text`, uncut; nullopt when absent. The rules
// are those of SettingsFile::ReadString.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key);

// `text` with `key` in `section` set to `value`, by the rules of SettingsFile::WriteString.
// The names and the value must be storable (see IsStorableSetting).
std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value);

// The settings file and the communication log sit beside the executable and take its name with
// the extension ".ini" and ".log": everything from the last "." of the file name is replaced, and a
// file name without "." (or whose only "." leads it, as in ".va48") gets the extension appended.
// A dot in a directory name is never cut at. Empty for a path without a file name.
std::filesystem::path SettingsPathFor(const std::filesystem::path& executable);
std::filesystem::path LogPathFor(const std::filesystem::path& executable);

// Platform backend.

// The full path of the running executable; empty when it cannot be had.
std::filesystem::path ExecutablePath();

// Replaces the contents of `file` with `contents` so that the file is either wholly old or wholly
// new, whatever happens meanwhile: the contents go to a new file in the same directory, which is
// flushed to disk and then renamed over `file`. An existing file keeps its permission bits; a
// symbolic link is followed and its target replaced. Returns false, with `file` untouched and no
// temporary file left behind, when any step fails; `why`, when given, then receives the system's
// error of that step.
bool ReplaceFileContents(const std::filesystem::path& file, std::string_view contents,
                         std::error_code* why = nullptr);

} // namespace va48
