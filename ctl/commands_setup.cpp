// read and apply: the whole setup as the setup file holds it.
#include "ctl/commands.h"

#include "ctl/texts.h"
#include "setup/setup_apply.h"
#include "setup/setup_json.h"
#include "shell/sequence_jobs.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace va48 {

namespace {

// A setup file is a few kilobytes; anything far larger is not one, and is not read whole.
constexpr std::uintmax_t kMaxSetupFileBytes = 16 * 1024 * 1024;

// The file's bytes, or nullopt with the reason in `why`.
std::optional<std::string> ReadSetupFile(const std::filesystem::path& file, std::string& why) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error) {
        why = error.message();
        return std::nullopt;
    }
    if (size > kMaxSetupFileBytes) {
        why = "larger than any setup file";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        why = std::strerror(errno);
        return std::nullopt;
    }
    return text;
}

bool IsContradiction(ResultCode code) {
    return code == ResultCode::HpfContradiction || code == ResultCode::LpfContradiction;
}

// Connects and reads everything; nullopt on success, else the failure's exit status (reported).
// With `overwriting`, a filter menu that names no filter is no failure: the setup about to be
// written replaces it, and the read-back is checked again.
std::optional<ExitStatus> OpenAndReadAll(AmplifierLink& link, bool overwriting = false) {
    if (auto failed = Open(link)) {
        return failed;
    }
    std::string warnings;
    const Outcome outcome = link.ReadAll(&warnings);
    if (!warnings.empty()) {
        std::fprintf(stderr, "%s", warnings.c_str());
    }
    if (!outcome.Ok() && !(overwriting && IsContradiction(outcome.code))) {
        return Fail(outcome);
    }
    return std::nullopt;
}

// One line per channel: the setup file's fields as name=value, a user filter as "off" or its
// frequency (its coefficients are in the --json form).
void PrintPlain(const AmplifierSetup& setup) {
    std::printf("firmwareVersion \"%s\"\n", setup.firmwareVersion.c_str());
    for (int n = 1; n <= kChannelCount; ++n) {
        std::string line = "No." + std::to_string(n);
        std::string frequency;
        for (const SetupField& field :
             ChannelFields(setup.channels[static_cast<std::size_t>(n - 1)], n)) {
            const std::size_t dot = field.name.find('.');
            const std::string part = field.name.substr(dot == std::string::npos ? 0 : dot + 1);
            if (dot == std::string::npos) {
                if (field.name != "channel") {
                    line += " " + field.name + "=" + field.value;
                }
            } else if (part == "enabled" && field.value == "false") {
                line += " " + field.name.substr(0, dot) + "=off";
            } else if (part == "enabled") {
                line += " " + field.name.substr(0, dot) + "=";
            } else if (part == "frequency") {
                frequency = field.value;
            } else if (part == "frequencyUnit" && line.ends_with("=")) {
                line += frequency + field.value.substr(1, field.value.size() - 2);
            }
        }
        std::printf("%s\n", line.c_str());
    }
}

} // namespace

ExitStatus RunRead(LinkTarget& target, bool json) {
    AmplifierLink link(target);
    if (auto failed = OpenAndReadAll(link)) {
        return *failed;
    }
    // The firmware version goes into the file too; the read-all does not ask for it.
    CommandJob job;
    BuildVersionJob(job);
    if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }
    const AmplifierSetup setup =
        SetupFromDevice(link.Device(), UtcTimestamp(std::chrono::system_clock::now()));
    const std::string text = SetupToJson(setup);
    // What is printed must be a file that apply takes.
    if (const auto read = SetupFromJson(text); std::holds_alternative<SetupRefusal>(read)) {
        return Fail(ExitStatus::Amplifier, "the amplifier reports a setup no file can hold: " +
                                               DescribeRefusal(std::get<SetupRefusal>(read)));
    }
    if (json) {
        std::fwrite(text.data(), 1, text.size(), stdout);
    } else {
        PrintPlain(setup);
    }
    return std::fflush(stdout) == 0 ? ExitStatus::Success
                                    : Fail(ExitStatus::File, "cannot write the output");
}

ExitStatus RunApply(LinkTarget& target, const std::filesystem::path& file) {
    std::string why;
    const std::optional<std::string> text = ReadSetupFile(file, why);
    if (!text) {
        return Fail(ExitStatus::File, file.string() + ": " + why);
    }
    const auto read = SetupFromJson(*text);
    if (const auto* refusal = std::get_if<SetupRefusal>(&read)) {
        return Fail(ExitStatus::File, file.string() + ": " + DescribeRefusal(*refusal));
    }
    const AmplifierSetup& setup = std::get<AmplifierSetup>(read);

    AmplifierLink link(target);
    if (auto failed = OpenAndReadAll(link, true)) {
        return *failed;
    }
    if (const auto refusal = CheckAgainstAmplifier(setup, link.Device())) {
        return Fail(ExitStatus::File, file.string() + ": " + DescribeRefusal(*refusal));
    }

    CommandJob job;
    for (const SetupRequest& request : ApplyRequests(setup, link.Device())) {
        job.Add(request.text, request.command, 0, request.channel);
    }
    // As the viewer's send: channels now on their TEDS connector are watched in the read-back.
    LoadIntoEditCopies(setup, link.Device());
    for (std::size_t i = 0; i < link.Device().channels.size(); ++i) {
        if (TedsInput(link.Device().channels[i])) {
            link.TedsWatch()[i] = true;
        }
    }
    if (const ResultCode code = link.Run(job); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }
    std::string warnings;
    if (const Outcome outcome = link.ReadAll(&warnings); !outcome.Ok()) {
        std::fprintf(stderr, "%s", warnings.c_str());
        return Fail(outcome);
    }
    std::fprintf(stderr, "%s", warnings.c_str());

    const std::vector<SetupDifference> differences =
        CompareSetups(setup, SetupFromDevice(link.Device(), setup.savedAt));
    for (const SetupDifference& difference : differences) {
        std::fprintf(stderr, "va48ctl: %s\n", DescribeDifference(difference).c_str());
    }
    if (!differences.empty()) {
        return Fail(ExitStatus::Mismatch,
                    "the amplifier's setup differs from " + file.string() + " after applying it");
    }
    return ExitStatus::Success;
}

} // namespace va48
