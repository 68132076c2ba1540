#include "shell/version_info.h"

#include "shell/version_record.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <system_error>

namespace va48 {
namespace {

constexpr std::string_view kTokenSeparators = " \t,";

// 100 bytes is the size of the field the date ends up in.
constexpr std::size_t kDateBufferBytes = 100;

constexpr bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Returns false when the file's status cannot be read.
bool ModificationTime(const std::filesystem::path& file, std::time_t& mtime) {
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error) {
        return false;
    }
    const auto seconds = std::chrono::floor<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    mtime = static_cast<std::time_t>(seconds.count());
    return true;
}

} // namespace

std::string FitVersionText(std::string_view text) {
    if (text.size() <= kVersionTextMaxBytes) {
        return std::string(text);
    }
    std::size_t end = kVersionTextMaxBytes;
    // A UTF-8 sequence is at most 4 bytes, so at most 3 continuation bytes need dropping; going
    // no further keeps malformed text from being cut to nothing.
    for (int i = 0; i < 3 && end > 0 && IsUtf8Continuation(text[end]); ++i) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string ReshapeVersionText(std::string_view productVersion) {
    std::string result;
    int index = 0;
    std::size_t pos = productVersion.find_first_not_of(kTokenSeparators);
    while (pos != std::string_view::npos) {
        const std::size_t end = productVersion.find_first_of(kTokenSeparators, pos);
        const std::string_view token = productVersion.substr(pos, end - pos);
        ++index;
        if (index == 4 && token == "0") {
            break;
        }
        result += token;
        if (index == 1) {
            result += '.';
        }
        pos = productVersion.find_first_not_of(kTokenSeparators, end);
    }
    return result;
}

namespace {

// The thread-safe localtime: POSIX and Windows name it differently and swap its arguments.
#ifdef _WIN32
bool LocalTime(std::time_t time, std::tm& local) {
    return localtime_s(&local, &time) == 0;
}
#else
bool LocalTime(std::time_t time, std::tm& local) {
    return localtime_r(&time, &local) != nullptr;
}
#endif

} // namespace

std::string FormatFileDate(std::time_t mtime, bool japanese) {
    std::tm local{};
    if (!LocalTime(mtime, local)) {
        return {};
    }
    std::array<char, kDateBufferBytes> buffer{};
    if (japanese) {
        const int written = std::snprintf(buffer.data(), buffer.size(), "%04d/%02d/%02d",
                                          local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        return written > 0 ? FitVersionText(buffer.data()) : std::string();
    }
    // strftime returns 0 both for an empty result and when the buffer is too small; either way
    // there is no usable date.
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), "%x", &local);
    return std::string(buffer.data(), length);
}

bool ReadVersionInfo(const std::filesystem::path& executable, bool japanese, VersionInfo& out) {
    out.productName = FitVersionText(version_record::kProductName);
    out.versionText = FitVersionText(ReshapeVersionText(version_record::kProductVersion));
    out.comments = FitVersionText(version_record::kComments);
    out.legalNotice = FitVersionText(version_record::kLegalCopyright);

    std::time_t mtime{};
    out.fileDate = ModificationTime(executable, mtime) ? FormatFileDate(mtime, japanese) : "";
    return true;
}

} // namespace va48
