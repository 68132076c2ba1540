#include "sim/amplifier.h"

#include <algorithm>

namespace va48sim {

namespace {

const TedsScript kTedsIdle = {0};
const TedsScript kTedsReading = {1, 2};
constexpr int kTedsRead = 2;
constexpr std::size_t kMaxTedsScript = 64;

// What a TEDS sensor reports about itself.
constexpr int kSoundSensorSensitivity = 268;
constexpr int kVibrationSensorMantissa = 102;
constexpr int kVibrationSensorExponent = 2;

Answer Ack(std::string text = {}) {
    return Answer{false, std::move(text)};
}

Answer Nak(std::string_view status) {
    return Answer{true, std::string(status)};
}

// Parses every parameter from `first` on as an integer; nullopt when one is not a number or the
// count differs from `count`.
template <std::size_t N>
std::optional<std::array<std::int64_t, N>> Numbers(const RequestText& request, std::size_t first) {
    if (request.params.size() != first + N) {
        return std::nullopt;
    }
    std::array<std::int64_t, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        const auto value = ParseInteger(request.params[first + i]);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    return values;
}

} // namespace

std::optional<Layout> ParseLayout(std::string_view text) {
    if (text.size() != kChannelCount) {
        return std::nullopt;
    }
    Layout layout{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case 'S':
            layout[i] = ModuleKind::Sound;
            break;
        case 'V':
            layout[i] = ModuleKind::Vibration;
            break;
        case '0':
            layout[i] = ModuleKind::None;
            break;
        default:
            return std::nullopt;
        }
    }
    return layout;
}

Layout DefaultLayout() {
    return *ParseLayout("SSSSSSSSVVVVVVVV");
}

std::optional<TedsScript> ParseTedsScript(std::string_view text) {
    TedsScript script;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto state = ParseInRange(text.substr(0, comma), 0, 3);
        if (!state || script.size() == kMaxTedsScript) {
            return std::nullopt;
        }
        script.push_back(static_cast<int>(*state));
        if (comma == std::string_view::npos) {
            return script;
        }
        text.remove_prefix(comma + 1);
    }
}

Amplifier::Amplifier(AmplifierConfig config)
    : version_(std::move(config.version)), levels_(config.seed) {
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& channel = channels_[i];
        channel.kind = config.layout[i];
        ResetChannel(channel);
        if (config.tedsScripts[i]) {
            channel.teds = Teds{*config.tedsScripts[i], 0, true};
        }
    }
}

void Amplifier::ResetChannel(Channel& channel) {
    channel.setup = DefaultSetup(channel.kind);
    channel.hpf = {};
    channel.lpf = {};
    if (!channel.teds.scripted) {
        channel.teds = Teds{};
    }
}

// Starts a TEDS reading: a scripted channel replays its script, an unscripted one reads its
// sensor when the TEDS connector is selected and otherwise has nothing to read.
void Amplifier::StartTeds(Channel& channel) {
    channel.teds.next = 0;
    if (!channel.teds.scripted) {
        channel.teds.script = SelectsTeds(channel.kind, channel.setup) ? kTedsReading : kTedsIdle;
    }
}

void Amplifier::SetLayout(const Layout& layout) {
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        if (channels_[i].kind != layout[i]) {
            channels_[i].kind = layout[i];
            ResetChannel(channels_[i]);
        }
    }
}

void Amplifier::SetTedsScript(int channel, std::optional<TedsScript> script) {
    Channel& target = At(channel);
    target.teds = script ? Teds{std::move(*script), 0, true} : Teds{};
    StartTeds(target);
}

void Amplifier::PinLevel(int channel, std::optional<int> level) {
    levels_.Pin(channel - 1, level);
}

const UserFilter& Amplifier::Filter(FilterSide side, int channel) const {
    return side == FilterSide::HighPass ? At(channel).hpf : At(channel).lpf;
}

Amplifier::Channel* Amplifier::PresentChannel(std::string_view param) {
    const auto number = ParseInRange(param, 1, kChannelCount);
    if (!number) {
        return nullptr;
    }
    Channel& channel = At(static_cast<int>(*number));
    return channel.kind == ModuleKind::None ? nullptr : &channel;
}

Answer Amplifier::Handle(std::string_view requestText) {
    using Handler = Answer (Amplifier::*)(const RequestText&);
    struct Command {
        std::string_view name;
        Handler query; // "NAME?" form, or nullptr when the device has none
        Handler write; // "NAME" form, or nullptr
    };
    static constexpr std::array<Command, 14> kCommands = {{
        {"DID", &Amplifier::QueryDid, nullptr},
        {"CAL", nullptr, &Amplifier::WriteCal},
        {"TDS", &Amplifier::QueryTds, nullptr},
        {"TEC", nullptr, &Amplifier::WriteTec},
        {"DOD", &Amplifier::QueryDod, nullptr},
        {"IPA", &Amplifier::QueryIpa, &Amplifier::WriteIpa},
        {"RES", nullptr, &Amplifier::WriteRes},
        {"VER", &Amplifier::QueryVer, nullptr},
        {"UHC", &Amplifier::QueryUhc, &Amplifier::WriteUhc},
        {"ULC", &Amplifier::QueryUlc, &Amplifier::WriteUlc},
        {"SES", nullptr, &Amplifier::WriteSes},
        {"SET", &Amplifier::QuerySet, &Amplifier::WriteSet},
        {"UPD", nullptr, &Amplifier::WriteUpd},
        {"TST", &Amplifier::Test, &Amplifier::Test},
    }};
    const RequestText request = ParseRequestText(requestText);
    const auto command = std::ranges::find(kCommands, request.name, &Command::name);
    if (command == kCommands.end()) {
        return Nak(kStatusUndefined);
    }
    const Handler handler = request.query ? command->query : command->write;
    if (handler == nullptr) {
        return Nak(kStatusUndefined);
    }
    return (this->*handler)(request);
}

Answer Amplifier::QueryDid(const RequestText& request) {
    if (!request.wellFormed || !request.params.empty()) {
        return Nak(kStatusParameter);
    }
    std::vector<std::int64_t> fields{0};
    for (const Channel& channel : channels_) {
        fields.push_back(static_cast<std::int64_t>(channel.kind));
    }
    return Ack(JoinFields(fields));
}

Answer Amplifier::WriteCal(const RequestText& request) {
    const auto values = Numbers<2>(request, 0);
    if (!request.wellFormed || !values || (*values)[0] != 0 || (*values)[1] < 0 ||
        (*values)[1] > 1) {
        return Nak(kStatusParameter);
    }
    calibrationOn_ = (*values)[1] == 1;
    return Ack();
}

Answer Amplifier::QueryTds(const RequestText& request) {
    Channel* channel = request.wellFormed && request.params.size() == 1
                           ? PresentChannel(request.params[0])
                           : nullptr;
    if (channel == nullptr) {
        return Nak(kStatusParameter);
    }
    Teds& teds = channel->teds;
    const std::size_t position = std::min(teds.next, teds.script.size() - 1);
    const int state = teds.script[position];
    if (teds.next < teds.script.size()) {
        ++teds.next;
    }
    if (state == kTedsRead && SelectsTeds(channel->kind, channel->setup)) {
        const bool sound = channel->kind == ModuleKind::Sound;
        channel->setup.sensitivity = sound ? kSoundSensorSensitivity : kVibrationSensorMantissa;
        channel->setup.sensitivityExp = sound ? 0 : kVibrationSensorExponent;
    }
    return Ack(std::to_string(state));
}

Answer Amplifier::WriteTec(const RequestText& request) {
    Channel* channel = request.wellFormed && request.params.size() == 1
                           ? PresentChannel(request.params[0])
                           : nullptr;
    if (channel == nullptr) {
        return Nak(kStatusParameter);
    }
    StartTeds(*channel);
    return Ack();
}

Answer Amplifier::QueryDod(const RequestText& request) {
    if (!request.wellFormed || !request.params.empty()) {
        return Nak(kStatusParameter);
    }
    levels_.Step();
    std::vector<std::int64_t> fields;
    fields.reserve(kChannelCount * kReadingFieldCount);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        const Channel& channel = channels_[i];
        const int level = calibrationOn_ ? kCalibrationLevel : levels_.Level(static_cast<int>(i));
        const auto reading = ReadingFields(channel.kind, channel.setup, level);
        fields.insert(fields.end(), reading.begin(), reading.end());
    }
    return Ack(JoinFields(fields));
}

Answer Amplifier::QueryIpa(const RequestText& request) {
    if (!request.wellFormed || !request.params.empty()) {
        return Nak(kStatusParameter);
    }
    const std::vector<std::int64_t> fields(lan_.begin(), lan_.end());
    return Ack(JoinFields(fields));
}

Answer Amplifier::WriteIpa(const RequestText& request) {
    const auto values = Numbers<12>(request, 0);
    if (!request.wellFormed || !values ||
        !std::ranges::all_of(*values, [](std::int64_t v) { return v >= 0 && v <= 255; })) {
        return Nak(kStatusParameter);
    }
    std::ranges::transform(*values, lan_.begin(),
                           [](std::int64_t v) { return static_cast<int>(v); });
    return Ack();
}

// A reset brings every module back to its default setup and clears the user filters; the LAN
// parameters survive, or the amplifier would lose its network.
Answer Amplifier::WriteRes(const RequestText& request) {
    if (!request.wellFormed || !request.params.empty()) {
        return Nak(kStatusParameter);
    }
    for (Channel& channel : channels_) {
        ResetChannel(channel);
        StartTeds(channel);
    }
    calibrationOn_ = false;
    return Ack();
}

Answer Amplifier::QueryVer(const RequestText& request) {
    if (!request.wellFormed || !request.params.empty()) {
        return Nak(kStatusParameter);
    }
    return Ack(version_);
}

Answer Amplifier::QueryFilter(FilterSide side, const RequestText& request) {
    const Channel* channel = request.wellFormed && request.params.size() == 1
                                 ? PresentChannel(request.params[0])
                                 : nullptr;
    if (channel == nullptr) {
        return Nak(kStatusParameter);
    }
    return Ack(FilterToText(side == FilterSide::HighPass ? channel->hpf : channel->lpf));
}

Answer Amplifier::WriteFilter(FilterSide side, const RequestText& request) {
    Channel* channel =
        request.wellFormed && !request.params.empty() ? PresentChannel(request.params[0]) : nullptr;
    const auto values = Numbers<7>(request, 1);
    if (channel == nullptr || !values) {
        return Nak(kStatusParameter);
    }
    const auto filter = FilterFromWire(side, channel->kind, *values);
    if (!filter) {
        return Nak(kStatusParameter);
    }
    (side == FilterSide::HighPass ? channel->hpf : channel->lpf) = *filter;
    return Ack();
}

// Not used by the viewer; the amplifier acknowledges it whatever it carries.
Answer Amplifier::WriteSes(const RequestText&) {
    return Ack();
}

Answer Amplifier::QuerySet(const RequestText& request) {
    const Channel* channel = request.wellFormed && request.params.size() == 1
                                 ? PresentChannel(request.params[0])
                                 : nullptr;
    if (channel == nullptr) {
        return Nak(kStatusParameter);
    }
    return Ack(JoinFields(SetupToWire(channel->kind, channel->setup)));
}

Answer Amplifier::WriteSet(const RequestText& request) {
    Channel* channel =
        request.wellFormed && !request.params.empty() ? PresentChannel(request.params[0]) : nullptr;
    const auto values = Numbers<kSetupFieldCount>(request, 1);
    if (channel == nullptr || !values) {
        return Nak(kStatusParameter);
    }
    const auto setup = SetupFromWire(channel->kind, *values);
    if (!setup) {
        return Nak(kStatusParameter);
    }
    const bool wasTeds = SelectsTeds(channel->kind, channel->setup);
    channel->setup = *setup;
    const bool isTeds = SelectsTeds(channel->kind, channel->setup);
    // Choosing the TEDS connector reads the sensor; leaving it ends an unscripted reading.
    if (isTeds || (wasTeds && !channel->teds.scripted)) {
        StartTeds(*channel);
    }
    return Ack();
}

// UPD step [data]: 1 enter update mode, 4 one firmware line, 2 write the image, 3 reboot,
// 0 abort. The data of step 4 is raw text after one space and may hold anything but the frame's
// own bytes, so it is taken from the text as it stands rather than from the parameters.
Answer Amplifier::WriteUpd(const RequestText& request) {
    std::string_view rest = request.rest;
    if (rest.size() < 2 || rest.front() != ' ') {
        return Nak(kStatusParameter);
    }
    rest.remove_prefix(1);
    const std::size_t space = rest.find(' ');
    const auto step = ParseInRange(rest.substr(0, space), 0, 4);
    const std::string_view data =
        space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    const bool hasData = space != std::string_view::npos;
    if (!step || hasData != (*step == 4)) {
        return Nak(kStatusParameter);
    }
    switch (*step) {
    case 0:
        update_.Abort();
        return Ack();
    case 1:
        update_.Enter();
        return Ack();
    case 2:
        switch (update_.Write()) {
        case FirmwareUpdate::WriteResult::Written:
            return Ack();
        case FirmwareUpdate::WriteResult::NoData:
            return Nak(kStatusImpossible);
        case FirmwareUpdate::WriteResult::NotInUpdateMode:
            return Nak(kStatusParameter);
        }
        return Nak(kStatusParameter);
    case 3:
        // A reboot ends update mode and switches the calibration signal off; setups survive.
        update_.Abort();
        calibrationOn_ = false;
        for (Channel& channel : channels_) {
            StartTeds(channel);
        }
        return Ack();
    default:
        return update_.AddLine(data) ? Ack() : Nak(kStatusParameter);
    }
}

// The reply-time test echoes whatever follows the command name, so a round trip moves as many
// bytes back as forth.
Answer Amplifier::Test(const RequestText& request) {
    return Ack(std::string(request.text.substr(request.name.size())));
}

} // namespace va48sim
