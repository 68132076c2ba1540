#pragma once

#include "sim/levels.h"
#include "sim/module_setup.h"
#include "sim/request_text.h"
#include "sim/srecord.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace va48sim {

using Layout = std::array<ModuleKind, kChannelCount>;

// Parses a layout of exactly sixteen characters, slot 1 first: S sound module, V vibration
// module, 0 empty. nullopt for any other text.
std::optional<Layout> ParseLayout(std::string_view text);

// The default layout: sound modules in slots 1-8, vibration modules in 9-16.
Layout DefaultLayout();

// TEDS states as TDS? reports them: 0 no TEDS reading, 1 reading under way, 2 sensor read,
// 3 reading failed.
using TedsScript = std::vector<int>;

// Parses "A,B,C" with each state 0..3 (at least one, at most 64); nullopt otherwise.
std::optional<TedsScript> ParseTedsScript(std::string_view text);

struct AmplifierConfig {
    Layout layout = DefaultLayout();
    // Per channel (index 0 = channel 1) a scripted TEDS sequence, or nullopt for the built-in one.
    std::array<std::optional<TedsScript>, kChannelCount> tedsScripts{};
    std::string version = "1.02"; // VER? answer; the client keeps at most 7 characters
    std::uint32_t seed = 1;       // seed of the level walk
};

// The answer to one request: a data reply (possibly with an empty text) or a status reply.
struct Answer {
    bool nak = false;
    std::string text; // reply text, or the four-digit status when nak

    bool operator==(const Answer&) const = default;
};

inline constexpr std::string_view kStatusUndefined = "0001";
inline constexpr std::string_view kStatusParameter = "0002";
inline constexpr std::string_view kStatusImpossible = "0003";

// The simulated amplifier: sixteen slots with their setups, user filters, TEDS sequences and
// levels, the LAN parameters, the calibration signal and the firmware update. It answers request
// texts; it knows nothing of frames or links.
//
// TEDS: each channel answers TDS? from a script, one state per query, repeating the last state.
// A scripted channel (config or SetTedsScript) starts its script at start-up and restarts it on
// TEC and on a SET write that selects the TEDS connector. An unscripted channel answers 0 until a
// SET write selects its TEDS connector; then, and on every TEC while the TEDS connector is
// selected, it answers 1 once and then 2. When a channel on its TEDS connector reports 2 the
// sensor's own sensitivity is taken over (sound -26.8 dB/Pa, vibration 10.2 mV/(m/s2)).
class Amplifier {
  public:
    explicit Amplifier(AmplifierConfig config);

    // Answers one request text (without the frame). Unknown command, or a form of a known command
    // that the device does not have (for example "DID" without "?"): status 0001. Bad or missing
    // parameters, a channel outside 1..16 or an empty slot: 0002, and nothing changes.
    Answer Handle(std::string_view requestText);

    // Replaces the modules; slots whose module kind changes get the default setup and filters.
    void SetLayout(const Layout& layout);
    // Channel 1..16: a scripted TEDS sequence (started at once), or nullopt for the built-in one.
    void SetTedsScript(int channel, std::optional<TedsScript> script);
    // Channel 1..16: pins the level (0.1 dB re full scale) or lets it walk again (nullopt).
    void PinLevel(int channel, std::optional<int> level);
    void SetVersion(std::string version) { version_ = std::move(version); }

    // Inspection; channel 1..16.
    ModuleKind Kind(int channel) const { return At(channel).kind; }
    const ChannelSetup& Setup(int channel) const { return At(channel).setup; }
    const UserFilter& Filter(FilterSide side, int channel) const;
    bool CalibrationOn() const { return calibrationOn_; }
    const FirmwareUpdate& Update() const { return update_; }
    const std::array<int, 12>& Lan() const { return lan_; }

  private:
    struct Teds {
        TedsScript script{0};
        std::size_t next = 0;
        bool scripted = false;
    };
    struct Channel {
        ModuleKind kind = ModuleKind::None;
        ChannelSetup setup;
        UserFilter hpf;
        UserFilter lpf;
        Teds teds;
    };

    Channel& At(int channel) { return channels_[static_cast<std::size_t>(channel - 1)]; }
    const Channel& At(int channel) const {
        return channels_[static_cast<std::size_t>(channel - 1)];
    }
    // The channel named by a parameter, when it is 1..16 and holds a module.
    Channel* PresentChannel(std::string_view param);
    void ResetChannel(Channel& channel);
    void StartTeds(Channel& channel);

    Answer QueryDid(const RequestText& request);
    Answer WriteCal(const RequestText& request);
    Answer QueryTds(const RequestText& request);
    Answer WriteTec(const RequestText& request);
    Answer QueryDod(const RequestText& request);
    Answer QueryIpa(const RequestText& request);
    Answer WriteIpa(const RequestText& request);
    Answer WriteRes(const RequestText& request);
    Answer QueryVer(const RequestText& request);
    Answer QueryFilter(FilterSide side, const RequestText& request);
    Answer WriteFilter(FilterSide side, const RequestText& request);
    Answer QueryUhc(const RequestText& request) {
        return QueryFilter(FilterSide::HighPass, request);
    }
    Answer WriteUhc(const RequestText& request) {
        return WriteFilter(FilterSide::HighPass, request);
    }
    Answer QueryUlc(const RequestText& request) {
        return QueryFilter(FilterSide::LowPass, request);
    }
    Answer WriteUlc(const RequestText& request) {
        return WriteFilter(FilterSide::LowPass, request);
    }
    Answer WriteSes(const RequestText& request);
    Answer QuerySet(const RequestText& request);
    Answer WriteSet(const RequestText& request);
    Answer WriteUpd(const RequestText& request);
    Answer Test(const RequestText& request);

    std::array<Channel, kChannelCount> channels_;
    std::string version_;
    LevelWalk levels_;
    std::array<int, 12> lan_ = {192, 168, 1, 10, 255, 255, 255, 0, 192, 168, 1, 1};
    bool calibrationOn_ = false;
    FirmwareUpdate update_;
};

} // namespace va48sim
