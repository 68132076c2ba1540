#include "sim/control.h"

#include "sim/text_escape.h"

#include <algorithm>
#include <array>

namespace va48sim {

namespace {

constexpr std::array<std::string_view, 14> kCommandNames = {
    "DID", "CAL", "TDS", "TEC", "DOD", "IPA", "RES",
    "VER", "UHC", "ULC", "SES", "SET", "UPD", "TST",
};
constexpr std::int64_t kMaxMs = 600000;
constexpr std::size_t kMaxStatus = 32;
constexpr std::size_t kMaxVersion = 200;
constexpr std::size_t kMaxStray = 1024;

using Apply = std::string (*)(std::string_view value, SimState& state);

bool IsCommand(std::string_view name) {
    return std::ranges::find(kCommandNames, name) != kCommandNames.end();
}

bool Printable(std::string_view text) {
    return std::ranges::all_of(text, [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// "CMD:VALUE" split at the colon; the command must be one of the fourteen.
std::optional<std::pair<std::string, std::string_view>> CommandAndValue(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !IsCommand(text.substr(0, colon))) {
        return std::nullopt;
    }
    return std::pair{std::string(text.substr(0, colon)), text.substr(colon + 1)};
}

// "CH=VALUE" with CH 1..16.
std::optional<std::pair<int, std::string_view>> ChannelAndValue(std::string_view text) {
    const std::size_t equals = text.find('=');
    const auto channel = ParseInRange(text.substr(0, equals), 1, kChannelCount);
    if (equals == std::string_view::npos || !channel) {
        return std::nullopt;
    }
    return std::pair{static_cast<int>(*channel), text.substr(equals + 1)};
}

std::optional<bool> Switch(std::string_view value) {
    if (value.empty() || value == "on" || value == "1") {
        return true;
    }
    if (value == "off" || value == "0") {
        return false;
    }
    return std::nullopt;
}

std::string SetDelayMs(std::string_view value, SimState& state) {
    const auto ms = ParseInRange(value, 0, kMaxMs);
    if (!ms) {
        return "delay-ms wants milliseconds 0.." + std::to_string(kMaxMs);
    }
    state.faults.delay = Milliseconds(*ms);
    return {};
}

std::string SetCommandDelay(std::string_view value, SimState& state) {
    const auto parts = CommandAndValue(value);
    const auto ms = parts ? ParseInRange(parts->second, 0, kMaxMs) : std::nullopt;
    if (!ms) {
        return "delay wants CMD:MS";
    }
    state.faults.commands[parts->first].delay = Milliseconds(*ms);
    return {};
}

std::string SetSilent(std::string_view value, SimState& state) {
    if (!IsCommand(value)) {
        return "silent wants a command name";
    }
    state.faults.commands[std::string(value)].silent = true;
    return {};
}

std::string SetNak(std::string_view value, SimState& state) {
    const auto parts = CommandAndValue(value);
    if (!parts || parts->second.size() > kMaxStatus || !Printable(parts->second)) {
        return "nak wants CMD:STATUS";
    }
    state.faults.commands[parts->first].nakStatus = std::string(parts->second);
    return {};
}

std::string SetStrayBytes(std::string_view value, SimState& state) {
    const auto bytes = Unescape(value);
    if (!bytes || bytes->size() > kMaxStray || bytes->find('\x02') != std::string::npos) {
        return "stray-bytes wants text without STX (escapes \\r \\n \\t \\\\ \\xHH)";
    }
    state.faults.strayBytes = *bytes;
    return {};
}

std::string SetSplit(std::string_view value, SimState& state) {
    const auto on = Switch(value);
    if (!on) {
        return "split wants on or off";
    }
    state.faults.split = *on;
    return {};
}

std::string SetSplitAt(std::string_view value, SimState& state) {
    const auto at = ParseInRange(value, 0, 1024);
    if (!at) {
        return "split-at wants a byte position 0..1024";
    }
    state.faults.split = true;
    state.faults.splitAt = static_cast<std::size_t>(*at);
    return {};
}

std::string SetShortFrame(std::string_view value, SimState& state) {
    if (!IsCommand(value)) {
        return "short-frame wants a command name";
    }
    state.faults.commands[std::string(value)].shortFrame = true;
    return {};
}

std::string SetFlood(std::string_view value, SimState& state) {
    if (!IsCommand(value)) {
        return "flood wants a command name";
    }
    state.faults.commands[std::string(value)].flood = true;
    return {};
}

std::string SetDropAfter(std::string_view value, SimState& state) {
    const auto count = ParseInRange(value, 0, 1000000000);
    if (!count) {
        return "drop-after wants a reply count";
    }
    state.faults.dropAfter = static_cast<std::size_t>(*count);
    return {};
}

std::string SetLateDuplicate(std::string_view value, SimState& state) {
    const auto parts = CommandAndValue(value);
    const auto ms = parts ? ParseInRange(parts->second, 0, kMaxMs) : std::nullopt;
    if (!ms) {
        return "late-duplicate wants CMD:MS";
    }
    state.faults.commands[parts->first].lateDuplicate = Milliseconds(*ms);
    return {};
}

std::string SetFailWrite(std::string_view value, SimState& state) {
    if (value == "off") {
        state.faults.writeFailStatus.reset();
        return {};
    }
    if (value.size() > kMaxStatus || !Printable(value)) {
        return "fail-write wants a STATUS or off";
    }
    state.faults.writeFailStatus = std::string(value);
    return {};
}

std::string SetDropAtLine(std::string_view value, SimState& state) {
    const auto line = ParseInRange(value, 0, 1000000000);
    if (!line) {
        return "drop-at-line wants a line number (0: never)";
    }
    state.faults.dropAtLine = static_cast<std::size_t>(*line);
    return {};
}

std::string Clear(std::string_view value, SimState& state) {
    if (value.empty()) {
        state.faults = Faults{};
        return {};
    }
    if (!IsCommand(value)) {
        return "clear wants nothing or a command name";
    }
    state.faults.commands.erase(std::string(value));
    if (value == "UPD") {
        state.faults.writeFailStatus.reset();
        state.faults.dropAtLine = 0;
    }
    return {};
}

std::string SetLayout(std::string_view value, SimState& state) {
    const auto layout = ParseLayout(value);
    if (!layout) {
        return "layout wants 16 characters of S, V and 0";
    }
    state.amplifier.SetLayout(*layout);
    return {};
}

std::string SetTeds(std::string_view value, SimState& state) {
    const auto parts = ChannelAndValue(value);
    if (parts && parts->second == "default") {
        state.amplifier.SetTedsScript(parts->first, std::nullopt);
        return {};
    }
    auto script = parts ? ParseTedsScript(parts->second) : std::nullopt;
    if (!script) {
        return "teds wants CH=A,B,... with states 0..3, or CH=default";
    }
    state.amplifier.SetTedsScript(parts->first, std::move(*script));
    return {};
}

std::string SetLevel(std::string_view value, SimState& state) {
    const auto parts = ChannelAndValue(value);
    if (parts && parts->second == "walk") {
        state.amplifier.PinLevel(parts->first, std::nullopt);
        return {};
    }
    const auto db = parts ? ParseInRange(parts->second, -100, 20) : std::nullopt;
    if (!db) {
        return "level wants CH=DB (-100..20 dB re full scale) or CH=walk";
    }
    state.amplifier.PinLevel(parts->first, static_cast<int>(*db) * 10);
    return {};
}

std::string SetVersion(std::string_view value, SimState& state) {
    if (value.size() > kMaxVersion || !Printable(value)) {
        return "version wants printable text";
    }
    state.amplifier.SetVersion(std::string(value));
    return {};
}

std::string SetLog(std::string_view value, SimState& state) {
    const auto on = Switch(value);
    if (!on) {
        return "log wants on or off";
    }
    state.log = *on;
    return {};
}

struct SettingEntry {
    std::string_view name;
    ValueUse use;
    Apply apply;
};

constexpr std::array<SettingEntry, 19> kSettings = {{
    {"delay-ms", ValueUse::Required, &SetDelayMs},
    {"delay", ValueUse::Required, &SetCommandDelay},
    {"silent", ValueUse::Required, &SetSilent},
    {"nak", ValueUse::Required, &SetNak},
    {"stray-bytes", ValueUse::Required, &SetStrayBytes},
    {"split", ValueUse::None, &SetSplit},
    {"split-at", ValueUse::Required, &SetSplitAt},
    {"short-frame", ValueUse::Required, &SetShortFrame},
    {"flood", ValueUse::Required, &SetFlood},
    {"drop-after", ValueUse::Required, &SetDropAfter},
    {"late-duplicate", ValueUse::Required, &SetLateDuplicate},
    {"fail-write", ValueUse::Required, &SetFailWrite},
    {"drop-at-line", ValueUse::Required, &SetDropAtLine},
    {"clear", ValueUse::Optional, &Clear},
    {"layout", ValueUse::Required, &SetLayout},
    {"teds", ValueUse::Required, &SetTeds},
    {"level", ValueUse::Required, &SetLevel},
    {"version", ValueUse::Required, &SetVersion},
    {"log", ValueUse::None, &SetLog},
}};

const SettingEntry* Find(std::string_view name) {
    const auto found = std::ranges::find(kSettings, name, &SettingEntry::name);
    return found == kSettings.end() ? nullptr : &*found;
}

} // namespace

ValueUse SettingValueUse(std::string_view name) {
    const SettingEntry* entry = Find(name);
    return entry == nullptr ? ValueUse::Unknown : entry->use;
}

Setting ParseControlLine(std::string_view line) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    line = line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
    const std::size_t blank = line.find_first_of(kBlanks);
    if (blank == std::string_view::npos) {
        return Setting{std::string(line), std::nullopt};
    }
    const std::string_view value = line.substr(line.find_first_not_of(kBlanks, blank));
    return Setting{std::string(line.substr(0, blank)), std::string(value)};
}

std::string ApplySetting(const Setting& setting, SimState& state) {
    const SettingEntry* entry = Find(setting.name);
    if (entry == nullptr) {
        return "unknown setting '" + setting.name + "'";
    }
    if (entry->use == ValueUse::Required && !setting.value) {
        return setting.name + " wants a value";
    }
    return entry->apply(setting.value.value_or(""), state);
}

} // namespace va48sim
