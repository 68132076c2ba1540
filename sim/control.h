#pragma once

#include "sim/amplifier.h"
#include "sim/faults.h"

#include <optional>
#include <string>
#include <string_view>

namespace va48sim {

// Everything a setting can change while the simulator runs.
struct SimState {
    explicit SimState(AmplifierConfig config) : amplifier(std::move(config)) {}

    Amplifier amplifier;
    Faults faults;
    bool log = false; // print each request and reply text to stderr
};

// One setting: a name as on the command line without the dashes, and its value if any.
struct Setting {
    std::string name;
    std::optional<std::string> value;
};

// Whether a setting takes a value.
enum class ValueUse {
    Unknown,  // no such setting
    None,     // a plain switch ("split"); "on"/"off" may still be given
    Optional, // "clear" or "clear SET"
    Required, // "delay-ms 20"
};

// How `name` uses a value; Unknown for a name that is no run-time setting.
ValueUse SettingValueUse(std::string_view name);

// Splits a control line "name value" at its first blank; surrounding blanks are dropped, so
// "stray-bytes" keeps inner blanks of its value.
Setting ParseControlLine(std::string_view line);

// Applies a setting to the running simulator. Returns an empty text on success, else the reason
// it was refused (the state is then unchanged).
std::string ApplySetting(const Setting& setting, SimState& state);

} // namespace va48sim
