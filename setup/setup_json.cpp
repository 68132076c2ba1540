#include "setup/setup_json.h"

#include "protocol/user_filter_text.h"
#include "protocol/value_tables.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <vector>

namespace va48 {

namespace {

// Keeps the keys in the order they were added (writing) or read.
using Json = nlohmann::ordered_json;

// Texts for the list rows whose label is empty: a filter menu's last position, which hands the
// filter over to the fine list, and the fine list's user-filter row.
constexpr std::string_view kOtherText = "other";
constexpr std::string_view kUserText = "user";

constexpr IndexLabel kModuleNames[] = {
    {kNoModule, "none"}, {kSoundModule, "sound"}, {kVibrationModule, "vibration"}};

constexpr std::string_view kCoefficientNames[] = {"a2", "b2", "c2", "a1", "b1"};
constexpr std::int64_t kMaxCoefficient = (std::int64_t{1} << 48) - 1;
constexpr std::uint32_t kMinCutoff = 300;

// An enumerated field of a channel's setup: its name in the document, its list for each module
// kind (empty when the kind has no such field) and the setup value it stands for.
struct EnumField {
    std::string_view name;
    std::span<const IndexLabel> sound;
    std::span<const IndexLabel> vibration;
    int (*get)(const ChannelSetup&);
    void (*set)(ChannelSetup&, int);

    std::span<const IndexLabel> List(std::uint8_t moduleKind) const {
        return moduleKind == kSoundModule ? sound : vibration;
    }
};

template <auto Member>
int Get(const ChannelSetup& setup) {
    return static_cast<int>(setup.*Member);
}

// The list values were checked on reading, so the cast keeps them.
template <auto Member>
void Set(ChannelSetup& setup, int value) {
    setup.*Member = static_cast<std::remove_cvref_t<decltype(setup.*Member)>>(value);
}

template <auto Member>
constexpr EnumField Enum(std::string_view name, std::span<const IndexLabel> sound,
                         std::span<const IndexLabel> vibration) {
    return {name, sound, vibration, Get<Member>, Set<Member>};
}

// In document order.
const EnumField kEnumFields[] = {
    Enum<&ChannelSetup::freqWeightUnit>("frequencyWeighting", kFreqWeightingTable, {}),
    Enum<&ChannelSetup::freqWeightUnit>("unit", {}, kVibrationUnitTable),
    Enum<&ChannelSetup::timeWeightDetection>("timeWeighting", kTimeWeightingTable, {}),
    Enum<&ChannelSetup::timeWeightDetection>("detection", {}, kDetectionTable),
    Enum<&ChannelSetup::hpfMode>("highPassMenu", kSoundHpfMenu, kVibrationHpfMenu),
    Enum<&ChannelSetup::lpfMode>("lowPassMenu", kSoundLpfMenu, kVibrationLpfMenu),
    Enum<&ChannelSetup::hpfIndex>("highPassFine", kHpfFineList, kHpfFineList),
    Enum<&ChannelSetup::lpfIndex>("lowPassFine", kSoundLpfFineList, kVibrationLpfFineList),
};

// The text a list row is written as.
std::string RowText(const IndexLabel& row) {
    if (!row.label.empty()) {
        return std::string(row.label);
    }
    return std::string(row.index == kUserFilterIndex ? kUserText : kOtherText);
}

// The row's text, or the bare number when the list has no such row.
Json ListValue(std::span<const IndexLabel> list, int index) {
    const IndexLabel* row = FindRow(list, index);
    return row ? Json(RowText(*row)) : Json(index);
}

// "%g" without the locale: 6 significant digits, no trailing zeros.
std::string General(double value) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

// The range list the measure page offers: dB values from the sound sensitivity, or the full
// scales from the vibration exponent and unit. Empty when those are outside the tables.
std::vector<std::string> RangeTexts(std::uint8_t moduleKind, const ChannelSetup& setup) {
    std::vector<std::string> texts;
    if (moduleKind == kSoundModule) {
        for (std::uint32_t k = 0; k < kSoundRangeCount; ++k) {
            if (const auto db = SoundRangeDb(setup.sensitivity, k)) {
                texts.push_back(std::to_string(*db));
            }
        }
    } else {
        for (std::uint32_t k = 0; k < kVibrationRangeCount; ++k) {
            if (const auto value =
                    VibrationRangeValue(setup.sensitivityExp, setup.freqWeightUnit, k)) {
                texts.push_back(General(*value));
            }
        }
    }
    return texts;
}

const ConnectorRow* FindConnector(std::uint8_t moduleKind, int flags) {
    for (const ConnectorRow& row : ConnectorTable(moduleKind)) {
        if (row.Flags() == flags) {
            return &row;
        }
    }
    return nullptr;
}

// ---- writing ----

Json FilterJson(const UserFilter& filter, bool lowPass) {
    Json json;
    json["enabled"] = filter.enabled == 1;
    double frequency = filter.cutoff * kHpfCutoffToHz;
    std::string_view unit = LabelOf(kHpfCutoffUnitTable, 0);
    if (lowPass) {
        const bool khz = filter.cutoff >= kLpfKhzThreshold;
        frequency = khz ? filter.cutoff * kLpfHzToKhz : filter.cutoff;
        unit = LabelOf(kLpfCutoffUnitTable, khz ? 1 : 0);
    }
    json["frequency"] = frequency;
    json["frequencyUnit"] = std::string(unit);
    Json coefficients;
    for (std::size_t i = 0; i < filter.coef.size(); ++i) {
        coefficients[std::string(kCoefficientNames[i])] = filter.coef[i];
    }
    json["coefficients"] = std::move(coefficients);
    return json;
}

Json ChannelJson(const SetupChannel& channel, int number) {
    Json json;
    json["channel"] = number;
    json["module"] = ListValue(kModuleNames, channel.moduleKind);
    if (channel.moduleKind != kSoundModule && channel.moduleKind != kVibrationModule) {
        return json;
    }
    const ChannelSetup& setup = channel.setup;
    const int flags = ConnectorFlags(setup);
    const ConnectorRow* connector = FindConnector(channel.moduleKind, flags);
    json["connector"] = connector ? Json(std::string(connector->label)) : Json(flags);
    json["sensitivity"] = setup.sensitivity;
    json["sensitivityExponent"] = setup.sensitivityExp;
    const std::vector<std::string> ranges = RangeTexts(channel.moduleKind, setup);
    json["range"] =
        setup.rangeIndex < ranges.size() ? Json(ranges[setup.rangeIndex]) : Json(setup.rangeIndex);
    for (const EnumField& field : kEnumFields) {
        const std::span<const IndexLabel> list = field.List(channel.moduleKind);
        if (!list.empty()) {
            json[std::string(field.name)] = ListValue(list, field.get(setup));
        }
    }
    json["userHighPass"] = FilterJson(channel.userHpf, false);
    json["userLowPass"] = FilterJson(channel.userLpf, true);
    return json;
}

// ---- reading ----

// Thrown inside this file only, to leave the nested reading at the first refusal.
struct Refused {
    SetupRefusal refusal;
};

// Where the reader is: the channel (0 for the document) and the prefix of nested field names.
struct Place {
    int channel = 0;
    std::string prefix;
};

[[noreturn]] void Refuse(const Place& at, std::string_view field, std::string problem) {
    throw Refused{{at.channel, at.prefix + std::string(field), std::move(problem)}};
}

void RequireObject(const Json& json, const Place& at, std::string_view field) {
    if (!json.is_object()) {
        Refuse(at, field, "not an object ({ ... })");
    }
}

// Refuses the first key of `object` that is not among `known`.
void OnlyFields(const Json& object, const Place& at,
                std::initializer_list<std::string_view> known) {
    for (const auto& [key, value] : object.items()) {
        if (std::find(known.begin(), known.end(), key) == known.end()) {
            Refuse(at, key, "unknown field");
        }
    }
}

const Json& Field(const Json& object, const Place& at, std::string_view name) {
    const auto it = object.find(name);
    if (it == object.end()) {
        Refuse(at, name, "missing");
    }
    return *it;
}

std::int64_t Integer(const Json& object, const Place& at, std::string_view name, std::int64_t low,
                     std::int64_t high) {
    const Json& value = Field(object, at, name);
    if (!value.is_number_integer()) {
        Refuse(at, name, value.dump() + " is not a whole number");
    }
    const bool tooLarge =
        value.is_number_unsigned() && value.get<std::uint64_t>() > static_cast<std::uint64_t>(high);
    if (tooLarge || value.get<std::int64_t>() < low || value.get<std::int64_t>() > high) {
        Refuse(at, name,
               value.dump() + " is outside " + std::to_string(low) + ".." + std::to_string(high));
    }
    return value.get<std::int64_t>();
}

const std::string& Text(const Json& object, const Place& at, std::string_view name) {
    const Json& value = Field(object, at, name);
    if (!value.is_string()) {
        Refuse(at, name, value.dump() + " is not a text");
    }
    return value.get_ref<const std::string&>();
}

std::string Quoted(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += (joined.empty() ? "\"" : ", \"") + text + "\"";
    }
    return joined;
}

// The position of the text of `name` among `texts`.
std::size_t OneOf(const Json& object, const Place& at, std::string_view name,
                  const std::vector<std::string>& texts) {
    const Json& value = Field(object, at, name);
    if (value.is_string()) {
        const auto it = std::find(texts.begin(), texts.end(), value.get_ref<const std::string&>());
        if (it != texts.end()) {
            return static_cast<std::size_t>(it - texts.begin());
        }
    }
    Refuse(at, name, value.dump() + " is not one of " + Quoted(texts));
}

int ListIndex(const Json& object, const Place& at, std::string_view name,
              std::span<const IndexLabel> list) {
    std::vector<std::string> texts;
    for (const IndexLabel& row : list) {
        texts.push_back(RowText(row));
    }
    return list[OneOf(object, at, name, texts)].index;
}

UserFilter ReadFilter(const Json& object, const Place& channelAt, std::string_view name,
                      bool lowPass, std::uint8_t moduleKind) {
    const Json& json = Field(object, channelAt, name);
    RequireObject(json, channelAt, name);
    const Place at{channelAt.channel, std::string(name) + "."};
    OnlyFields(json, at, {"enabled", "frequency", "frequencyUnit", "coefficients"});

    UserFilter filter;
    const Json& enabled = Field(json, at, "enabled");
    if (!enabled.is_boolean()) {
        Refuse(at, "enabled", enabled.dump() + " is not true or false");
    }
    filter.enabled = enabled.get<bool>() ? 1 : 0;

    const Json& frequency = Field(json, at, "frequency");
    if (!frequency.is_number() || frequency.get<double>() < 0) {
        Refuse(at, "frequency", frequency.dump() + " is not a frequency (a number of 0 or more)");
    }
    const std::span<const IndexLabel> units =
        lowPass ? std::span<const IndexLabel>(kLpfCutoffUnitTable)
                : std::span<const IndexLabel>(kHpfCutoffUnitTable);
    const int unit = ListIndex(json, at, "frequencyUnit", units);
    // The cutoff is kept in 0.01 Hz (high-pass) or Hz (low-pass).
    const double scale = !lowPass ? 1 / kHpfCutoffToHz : unit == 1 ? 1 / kLpfHzToKhz : 1;
    const double cutoff = frequency.get<double>() * scale;
    const double whole = std::round(cutoff);
    const std::uint32_t maxCutoff = lowPass && moduleKind == kSoundModule ? 50000 : 20000;
    if (std::abs(cutoff - whole) > 1e-6 * std::max(1.0, whole)) {
        Refuse(at, "frequency",
               frequency.dump() +
                   (lowPass ? " is not a whole number of Hz" : " is finer than 0.01 Hz"));
    }
    if (whole != 0 && (whole < kMinCutoff || whole > maxCutoff)) {
        const std::string limits =
            lowPass ? std::to_string(kMinCutoff) + ".." + std::to_string(maxCutoff) + " Hz"
                    : "3.00..200.00 Hz";
        Refuse(at, "frequency", frequency.dump() + " is neither 0 nor within " + limits);
    }
    filter.cutoff = static_cast<std::uint32_t>(whole);
    if (lowPass) {
        SetLpfCutoffTexts(filter);
    } else {
        SetHpfCutoffTexts(filter);
    }

    const Json& coefficients = Field(json, at, "coefficients");
    RequireObject(coefficients, at, "coefficients");
    const Place coefAt{at.channel, at.prefix + "coefficients."};
    OnlyFields(coefficients, coefAt, {"a2", "b2", "c2", "a1", "b1"});
    for (std::size_t i = 0; i < filter.coef.size(); ++i) {
        filter.coef[i] = Integer(coefficients, coefAt, kCoefficientNames[i], 0, kMaxCoefficient);
    }
    return filter;
}

// A filter menu on its "other" position must name a fine filter, or a user filter that is
// enabled: the amplifier would otherwise filter with nothing the windows can show.
void CheckOtherFilter(const Place& at, std::string_view menuName, std::string_view fineName,
                      int mode, int index, const UserFilter& user, std::uint8_t moduleKind) {
    const int other =
        moduleKind == kSoundModule ? kSoundOtherFilterMode : kVibrationOtherFilterMode;
    if (mode != other) {
        return;
    }
    if (index == kFilterOffIndex) {
        Refuse(at, fineName,
               "\"- - -\" names no filter, but \"" + std::string(menuName) + "\" is \"other\"");
    }
    if (index == kUserFilterIndex && user.enabled != 1) {
        Refuse(at, fineName, "\"user\" names the user filter, which is not enabled");
    }
}

SetupChannel ReadChannel(const Json& json, int number) {
    const Place at{number, ""};
    RequireObject(json, at, "");
    SetupChannel channel;
    const std::int64_t stated = Integer(json, at, "channel", 1, kChannelCount);
    if (stated != number) {
        Refuse(at, "channel",
               std::to_string(stated) + " stands where channel " + std::to_string(number) +
                   " belongs (channels go 1..16 in order)");
    }
    channel.moduleKind = static_cast<std::uint8_t>(ListIndex(json, at, "module", kModuleNames));
    if (channel.moduleKind == kNoModule) {
        OnlyFields(json, at, {"channel", "module"});
        return channel;
    }
    const bool sound = channel.moduleKind == kSoundModule;
    if (sound) {
        OnlyFields(json, at,
                   {"channel", "module", "connector", "sensitivity", "sensitivityExponent", "range",
                    "frequencyWeighting", "timeWeighting", "highPassMenu", "lowPassMenu",
                    "highPassFine", "lowPassFine", "userHighPass", "userLowPass"});
    } else {
        OnlyFields(json, at,
                   {"channel", "module", "connector", "sensitivity", "sensitivityExponent", "range",
                    "unit", "detection", "highPassMenu", "lowPassMenu", "highPassFine",
                    "lowPassFine", "userHighPass", "userLowPass"});
    }

    ChannelSetup& setup = channel.setup;
    std::vector<std::string> connectors;
    for (const ConnectorRow& row : ConnectorTable(channel.moduleKind)) {
        connectors.emplace_back(row.label);
    }
    const ConnectorRow& connector =
        ConnectorTable(channel.moduleKind)[OneOf(json, at, "connector", connectors)];
    setup.rear = connector.rear;
    setup.charge = connector.charge;
    setup.ccld = connector.ccld;
    setup.teds = connector.teds;

    const SensitivityScaleRow scale = *SensitivityScale(channel.moduleKind, 0);
    setup.sensitivity =
        static_cast<std::uint16_t>(Integer(json, at, "sensitivity", scale.minimum, scale.maximum));
    setup.sensitivityExp = static_cast<std::uint8_t>(Integer(
        json, at, "sensitivityExponent", 0, sound ? 0 : kVibrationSensitivityScale.size() - 1));
    for (const EnumField& field : kEnumFields) {
        const std::span<const IndexLabel> list = field.List(channel.moduleKind);
        if (!list.empty()) {
            field.set(setup, ListIndex(json, at, field.name, list));
        }
    }
    // The range list follows the sensitivity (sound) or the exponent and unit (vibration).
    setup.rangeIndex =
        static_cast<std::uint8_t>(OneOf(json, at, "range", RangeTexts(channel.moduleKind, setup)));

    channel.userHpf = ReadFilter(json, at, "userHighPass", false, channel.moduleKind);
    channel.userLpf = ReadFilter(json, at, "userLowPass", true, channel.moduleKind);
    CheckOtherFilter(at, "highPassMenu", "highPassFine", setup.hpfMode, setup.hpfIndex,
                     channel.userHpf, channel.moduleKind);
    CheckOtherFilter(at, "lowPassMenu", "lowPassFine", setup.lpfMode, setup.lpfIndex,
                     channel.userLpf, channel.moduleKind);
    return channel;
}

bool IsTimestamp(std::string_view text) {
    constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != kShape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

AmplifierSetup ReadDocument(std::string_view text) {
    const Place at;
    Json doc;
    try {
        doc = Json::parse(text);
    } catch (const Json::parse_error& error) {
        // The library's text names the byte where reading stopped.
        Refuse(at, "", std::string("not JSON: ") + error.what());
    }
    if (!doc.is_object()) {
        Refuse(at, "", "the document is not a JSON object ({ ... })");
    }
    if (Field(doc, at, "format") != std::string(kSetupFormat)) {
        Refuse(at, "format",
               Field(doc, at, "format").dump() + " is not \"" + std::string(kSetupFormat) + "\"");
    }
    const Json& version = Field(doc, at, "version");
    if (!version.is_number_integer() || version != kSetupVersion) {
        Refuse(at, "version",
               version.dump() + " is not a version this program reads (it reads " +
                   std::to_string(kSetupVersion) + ")");
    }
    OnlyFields(doc, at, {"format", "version", "firmwareVersion", "savedAt", "channels"});

    AmplifierSetup setup;
    setup.firmwareVersion = Text(doc, at, "firmwareVersion");
    const bool printable = std::all_of(setup.firmwareVersion.begin(), setup.firmwareVersion.end(),
                                       [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!printable || setup.firmwareVersion.size() > 7) {
        Refuse(at, "firmwareVersion", "not a text of at most 7 printable ASCII characters");
    }
    setup.savedAt = Text(doc, at, "savedAt");
    if (!IsTimestamp(setup.savedAt)) {
        Refuse(at, "savedAt", "\"" + setup.savedAt + "\" is not of the form YYYY-MM-DDTHH:MM:SSZ");
    }
    const Json& channels = Field(doc, at, "channels");
    if (!channels.is_array() || channels.size() != kChannelCount) {
        Refuse(at, "channels", "not a list of the 16 channels");
    }
    for (int n = 1; n <= kChannelCount; ++n) {
        setup.channels[static_cast<std::size_t>(n - 1)] =
            ReadChannel(channels[static_cast<std::size_t>(n - 1)], n);
    }
    return setup;
}

} // namespace

std::string SetupToJson(const AmplifierSetup& setup) {
    Json doc;
    doc["format"] = std::string(kSetupFormat);
    doc["version"] = kSetupVersion;
    doc["firmwareVersion"] = setup.firmwareVersion;
    doc["savedAt"] = setup.savedAt;
    Json channels = Json::array();
    for (int n = 1; n <= kChannelCount; ++n) {
        channels.push_back(ChannelJson(setup.channels[static_cast<std::size_t>(n - 1)], n));
    }
    doc["channels"] = std::move(channels);
    // Texts that are not UTF-8 (only possible in a setup built by hand) are written with
    // replacement characters rather than failing.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

void Flatten(const Json& json, const std::string& prefix, std::vector<SetupField>& fields) {
    for (const auto& [key, value] : json.items()) {
        if (value.is_object()) {
            Flatten(value, prefix + key + ".", fields);
        } else {
            fields.push_back({prefix + key, value.dump()});
        }
    }
}

} // namespace

std::vector<SetupField> ChannelFields(const SetupChannel& channel, int number) {
    std::vector<SetupField> fields;
    Flatten(ChannelJson(channel, number), "", fields);
    return fields;
}

std::variant<AmplifierSetup, SetupRefusal> SetupFromJson(std::string_view text) {
    try {
        return ReadDocument(text);
    } catch (const Refused& refused) {
        return refused.refusal;
    }
}

} // namespace va48
