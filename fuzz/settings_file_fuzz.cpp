// Reads keys from arbitrary settings-file text and writes one key into it: the key must read back
// as written, every other line must survive unchanged and in order, every other key must keep its
// value, and a second identical write must change nothing.
#include "shell/settings_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Names the file is likely to hold, so that lookups hit: the real sections and keys in other
// cases, with blanks, and names the writer refuses.
constexpr std::array<std::string_view, 12> kNames = {
    "LAN", "lan", "PortNo", "IPAddress", "TIMEOUT", "Recv", "recv ", " x", "a=b", ";c", "[d", "",
};

std::string_view PickName(std::uint8_t selector, std::string_view tail) {
    if (selector < 0xE0) {
        return kNames[selector % kNames.size()];
    }
    return tail.substr(0, std::min<std::size_t>(selector - 0xE0, tail.size()));
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The lines of `text` as the reader sees them: split at LF, one CR before the LF dropped, a
// leading byte-order mark not part of any line.
std::vector<std::string_view> Lines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        std::string_view line = text.substr(0, feed);
        text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
        if (feed != std::string_view::npos && line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}

// Section and key names that a lookup may try: every bracketed name and every name before "=".
std::vector<std::pair<std::string, std::string>> Probes(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    for (const std::string_view raw : Lines(text)) {
        const std::string_view line = Trim(raw);
        if (line.starts_with('[') && line.find(']') != std::string_view::npos) {
            section = std::string(Trim(line.substr(1, line.find(']') - 1)));
        } else if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            probes.emplace_back(section, std::string(Trim(line.substr(0, equals))));
        }
        if (probes.size() >= 32) {
            break;
        }
    }
    return probes;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// `before`'s lines appear in `after` in order; at most `replaced` of them changed and at most
// `added` lines are new.
bool LinesSurvive(std::string_view before, std::string_view after, std::size_t replaced,
                  std::size_t added) {
    const std::vector<std::string_view> old = Lines(before);
    const std::vector<std::string_view> now = Lines(after);
    if (now.size() < old.size() || now.size() > old.size() + added) {
        return false;
    }
    // Lines added at the end of a file whose last line had no line end may follow a blank one.
    std::size_t changed = 0;
    std::size_t j = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        while (j < now.size() && now[j] != old[i] && now.size() - j > old.size() - i) {
            ++j; // an added line
        }
        if (j == now.size()) {
            return false;
        }
        changed += now[j] != old[i] ? 1 : 0;
        ++j;
    }
    return changed <= replaced;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    // Three selector bytes, then the value's length, the value, and the file text.
    const std::string_view tail = all.substr(3);
    const std::string_view section = PickName(data[0], tail);
    const std::string_view key =
        PickName(data[1], tail.substr(std::min<std::size_t>(3, tail.size())));
    const std::size_t valueLength = std::min<std::size_t>(data[2] % 16, tail.size());
    const std::string_view value = tail.substr(0, valueLength);
    const std::string_view text = tail.substr(valueLength);

    const std::optional<std::string> found = va48::FindProfileValue(text, section, key);
    if (found) {
        Check(*found == Trim(*found));
        Check(found->find('\n') == std::string::npos);
    }
    if (!va48::IsStorableSetting(section, key, value)) {
        return 0;
    }

    const std::string written = va48::SetProfileValue(text, section, key, value);
    Check(va48::FindProfileValue(written, section, key) == std::string(Trim(value)));
    Check(va48::SetProfileValue(written, section, key, value) == written);
    Check(written.starts_with("\xEF\xBB\xBF") == text.starts_with("\xEF\xBB\xBF"));
    // In place: one line changes. Added: the key line, and perhaps a blank line and the section.
    Check(found ? LinesSurvive(text, written, 1, 0) : LinesSurvive(text, written, 0, 3));

    for (const auto& [otherSection, otherKey] : Probes(text)) {
        if (SameIgnoringCase(otherSection, section) && SameIgnoringCase(otherKey, key)) {
            continue;
        }
        Check(va48::FindProfileValue(written, otherSection, otherKey) ==
              va48::FindProfileValue(text, otherSection, otherKey));
    }
    return 0;
}
