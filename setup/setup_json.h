#pragma once

#include "setup/amplifier_setup.h"

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace va48 {

// The setup file: a JSON document, "format": "va48-setup", "version": 1 (docs/setup-file.md).

inline constexpr std::string_view kSetupFormat = "va48-setup";
inline constexpr int kSetupVersion = 1;

// The document for `setup`: keys in a fixed order, two-space indent, a line end at the end, so
// that writing what was read gives the same bytes. Enumerated values are written as the texts the
// windows show for them. A value without a text of its own (possible only for a setup that
// SetupFromJson would refuse) is written as its number.
std::string SetupToJson(const AmplifierSetup& setup);

// Reads a document strictly: every field present and nothing else, each of its type and range,
// the range one that the channel's sensitivity (sound) or exponent and unit (vibration) offers,
// and a filter menu on its "other" position naming a fine filter or an enabled user filter.
// Returns the setup, or the first refusal (the fields are checked in a fixed order).
std::variant<AmplifierSetup, SetupRefusal> SetupFromJson(std::string_view text);

// One channel's fields as the document writes them, flattened in document order: the name
// ("userHighPass.coefficients.a2" for a nested one) and the value as JSON text ("\"FRONT\"",
// "250").
struct SetupField {
    std::string name;
    std::string value;
};
std::vector<SetupField> ChannelFields(const SetupChannel& channel, int number);

} // namespace va48
