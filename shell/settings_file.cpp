#include "shell/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace va48 {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kNewFileLineEnd = "\r\n";

// One line as offsets into the file text; [bodyEnd, end) is its line end, empty for a last line
// without one.
struct Line {
    std::size_t begin = 0;
    std::size_t bodyEnd = 0;
    std::size_t end = 0;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section or key name, trimmed
    std::string_view value;     // trimmed
    std::size_t valueStart = 0; // offset of the value in the line body
};

// Where a key is, or where it would go.
struct Location {
    std::optional<Line> keyLine;
    std::size_t valueStart = 0;      // offset of the value in the file text
    std::optional<Line> sectionTail; // last non-blank line of the first section of that name
};

std::string_view TrimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string_view Trim(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(kBlanks), text.size()));
    return TrimRight(text);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    // The mark belongs to no line, so it is neither parsed nor lost.
    std::size_t pos = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (pos < text.size()) {
        const std::size_t feed = text.find('\n', pos);
        Line line{pos, feed == std::string_view::npos ? text.size() : feed, 0};
        line.end = feed == std::string_view::npos ? text.size() : feed + 1;
        if (line.bodyEnd < line.end && line.bodyEnd > pos && text[line.bodyEnd - 1] == '\r') {
            --line.bodyEnd;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

std::string_view Body(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.bodyEnd - line.begin);
}

ParsedLine ParseLine(std::string_view body) {
    const std::size_t start = std::min(body.find_first_not_of(kBlanks), body.size());
    const std::string_view rest = body.substr(start);
    if (rest.empty() || rest.front() == ';') {
        return {};
    }
    if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return {LineKind::Section, Trim(rest.substr(1, close - 1)), {}, 0};
    }
    const std::size_t equals = rest.find('=');
    const std::string_view name = TrimRight(rest.substr(0, std::min(equals, rest.size())));
    if (equals == std::string_view::npos || name.empty()) {
        return {};
    }
    const std::string_view afterEquals = rest.substr(equals + 1);
    const std::size_t blanks = std::min(afterEquals.find_first_not_of(kBlanks), afterEquals.size());
    return {LineKind::Key, name, TrimRight(afterEquals.substr(blanks)),
            start + equals + 1 + blanks};
}

Location Locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location location;
    bool inSection = false;      // within a section of that name
    bool inFirstSection = false; // within the first of them
    bool sectionSeen = false;
    for (const Line& line : lines) {
        const std::string_view body = Body(text, line);
        const ParsedLine parsed = ParseLine(body);
        if (parsed.kind == LineKind::Section) {
            inSection = EqualsIgnoringCase(parsed.name, section);
            inFirstSection = inSection && !sectionSeen;
            sectionSeen = sectionSeen || inSection;
        } else if (parsed.kind == LineKind::Key && inSection &&
                   EqualsIgnoringCase(parsed.name, key)) {
            location.keyLine = line;
            location.valueStart = line.begin + parsed.valueStart;
            return location;
        }
        if (inFirstSection && !Trim(body).empty()) {
            location.sectionTail = line;
        }
    }
    return location;
}

std::string_view LineEndOf(std::string_view text, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        if (line.end > line.bodyEnd) {
            return text.substr(line.bodyEnd, line.end - line.bodyEnd);
        }
    }
    return kNewFileLineEnd;
}

// The line end to put after a last line that has none. A CR that ends such a line is part of its
// body; an LF right after it would make it a CR LF line end and change the line.
std::string_view EndForUnendedLine(std::string_view body, std::string_view lineEnd) {
    return body.ends_with('\r') ? kNewFileLineEnd : lineEnd;
}

// Stores `code` in `why` when the caller asked for it; returns false for the caller to pass on.
bool Fail(std::error_code* why, std::error_code code) {
    if (why) {
        *why = code;
    }
    return false;
}

// The file's text; empty when there is no file; nullopt when it exists but cannot be read (the
// reason in `why`), so that a write never mistakes an unreadable file for an empty one.
std::optional<std::string> ReadFileText(const fs::path& file, std::error_code* why = nullptr) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (status.type() == fs::file_type::not_found) {
        return std::string();
    }
    if (ec || status.type() != fs::file_type::regular) {
        Fail(why, ec ? ec
                     : std::make_error_code(status.type() == fs::file_type::directory
                                                ? std::errc::is_a_directory
                                                : std::errc::invalid_argument));
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Fail(why, std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        Fail(why, std::make_error_code(std::errc::io_error));
        return std::nullopt;
    }
    return text;
}

bool HasNoneOf(std::string_view text, std::string_view forbidden) {
    return text.find_first_of(forbidden) == std::string_view::npos;
}

bool IsCleanName(std::string_view name) {
    return !name.empty() && Trim(name) == name;
}

fs::path WithExtension(const fs::path& executable, std::string_view extension) {
    if (!executable.has_filename()) {
        return {};
    }
    // replace_extension cuts at the last "." of the file name only, and treats a leading "." as
    // part of the name.
    fs::path path = executable;
    path.replace_extension(extension);
    return path;
}

} // namespace

bool IsStorableSetting(std::string_view section, std::string_view key, std::string_view value) {
    using namespace std::string_view_literals;
    const std::string_view lineBreaks = "\r\n\0"sv;
    return IsCleanName(section) && IsCleanName(key) && HasNoneOf(section, lineBreaks) &&
           HasNoneOf(section, "[]") && HasNoneOf(key, lineBreaks) && HasNoneOf(key, "=") &&
           key.front() != ';' && key.front() != '[' && HasNoneOf(value, lineBreaks);
}

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
    const Location location = Locate(text, SplitLines(text), section, key);
    if (!location.keyLine) {
        return std::nullopt;
    }
    return std::string(ParseLine(Body(text, *location.keyLine)).value);
}

std::string SetProfileValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
    // Stored as it reads back. Blanks before the value would otherwise pile up in front of it,
    // one set more at every write, as the reader skips them when it finds where the value starts.
    value = Trim(value);
    const std::vector<Line> lines = SplitLines(text);
    const Location location = Locate(text, lines, section, key);
    const std::string_view lineEnd = LineEndOf(text, lines);
    const std::string keyLine = std::string(key) + "=" + std::string(value) + std::string(lineEnd);

    if (location.keyLine) {
        return std::string(text.substr(0, location.valueStart)) + std::string(value) +
               std::string(text.substr(location.keyLine->bodyEnd));
    }
    if (location.sectionTail) {
        const Line& tail = *location.sectionTail;
        std::string result(text.substr(0, tail.end));
        if (tail.end == tail.bodyEnd) {
            result += EndForUnendedLine(Body(text, tail), lineEnd); // the tail was the last line
        }
        return result + keyLine + std::string(text.substr(tail.end));
    }
    std::string result(text);
    if (!lines.empty() && lines.back().end == lines.back().bodyEnd) {
        result += EndForUnendedLine(Body(text, lines.back()), lineEnd);
    }
    if (!lines.empty() && !Trim(Body(text, lines.back())).empty()) {
        result += lineEnd; // a blank line between sections, for the reader's eye
    }
    return result + "[" + std::string(section) + "]" + std::string(lineEnd) + keyLine;
}

std::string SettingsFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    std::optional<std::string> value;
    if (!path_.empty()) {
        if (const std::optional<std::string> text = ReadFileText(path_)) {
            value = FindProfileValue(*text, section, key);
        }
    }
    std::string result = value ? std::move(*value) : std::string(defaultValue);
    if (result.size() > kSettingValueMaxBytes) {
        result.resize(kSettingValueMaxBytes);
    }
    return result;
}

bool SettingsFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value, std::error_code* why) {
    if (path_.empty()) {
        return Fail(why, std::make_error_code(std::errc::no_such_file_or_directory));
    }
    if (!IsStorableSetting(section, key, value)) {
        return Fail(why, std::make_error_code(std::errc::invalid_argument));
    }
    const std::optional<std::string> text = ReadFileText(path_, why);
    if (!text) {
        return false;
    }
    const std::string updated = SetProfileValue(*text, section, key, value);
    if (updated == *text) {
        return true; // already so; spare the disk
    }
    return ReplaceFileContents(path_, updated, why);
}

fs::path SettingsPathFor(const fs::path& executable) {
    return WithExtension(executable, ".ini");
}

fs::path LogPathFor(const fs::path& executable) {
    return WithExtension(executable, ".log");
}

} // namespace va48
