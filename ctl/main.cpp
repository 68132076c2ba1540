// va48ctl: the amplifier from the command line, over the viewer's own session and settings.
#include "ctl/commands.h"
#include "ctl/link_options.h"
#include "ctl/texts.h"
#include "shell/link_settings_file.h"
#include "shell/settings_file.h"

#include <CLI/CLI.hpp>

#include <string>

namespace va48 {

namespace {

// The viewer's executable: its settings file sits beside it, and va48ctl is installed beside it.
constexpr std::string_view kViewerName = "VA-48Viewer";

constexpr const char* kFooter = R"(
The link: --lan HOST[:PORT] or --usb [--hwid PATTERN]. Without either, the LAN link is used when
the settings file names an address ([LAN] IPAddress), else USB. What the command line leaves open
(port, hardware ID, serial line, reply time-out) comes from the viewer's settings file.

Exit status:
  0  success
  1  cancelled (the update question answered no, or the update aborted with Ctrl+C)
  2  usage error (the command line)
  3  link failure: no amplifier found or reachable, link lost, no reply in time
  4  the amplifier refused a request or answered something unusable
  5  apply: the read-back differs from the setup file (the differences are on stderr)
  6  file error: unreadable, malformed or refused setup file, refused firmware file
On failure the viewer's own message for it is written to standard error.)";

struct CommandLine {
    std::string settingsFile;
    std::string lan;
    bool usb = false;
    std::string hwid;
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    bool json = false;
    std::string file;
    LevelOptions levels;
    std::string calState;
    int tstCount = 10;
    bool yes = false;
};

std::filesystem::path DefaultSettingsPath() {
    const std::filesystem::path executable = ExecutablePath();
    if (executable.empty()) {
        return {};
    }
    return SettingsPathFor(executable.parent_path() / kViewerName);
}

// The link from the settings file and the options; false (reported) for a bad --lan value.
bool ResolveLink(const CommandLine& line, const CLI::Option& lanOption, LinkTarget& target) {
    const std::filesystem::path settingsPath = line.settingsFile.empty()
                                                   ? DefaultSettingsPath()
                                                   : std::filesystem::path(line.settingsFile);
    LoadLinkSettings(SettingsFile(settingsPath), target.settings);
    target.usbRoots = {line.sysfsRoot, line.devRoot};
    if (const std::filesystem::path executable = ExecutablePath(); !executable.empty()) {
        target.logPath = LogPathFor(executable);
    }
    if (!line.hwid.empty()) {
        target.settings.hardwareId = HardwareIdPattern(line.hwid);
    }
    if (lanOption.count() > 0) {
        target.kind = LinkKind::Lan;
        if (!line.lan.empty()) {
            const std::optional<LanTarget> lan = ParseLanTarget(line.lan);
            if (!lan) {
                Fail(ExitStatus::Usage, "--lan: \"" + line.lan +
                                            "\" is not an IPv4 address with an optional port "
                                            "(for example 192.168.1.10:2255)");
                return false;
            }
            target.settings.lanAddress = lan->address;
            if (lan->port) {
                target.settings.lanPort = *lan->port;
            }
        }
    } else if (line.usb) {
        target.kind = LinkKind::Usb;
    } else {
        target.kind = target.settings.lanAddress != kNoLanAddress ? LinkKind::Lan : LinkKind::Usb;
    }
    return true;
}

int Main(int argc, char** argv) {
    SetTextLanguage(SystemLanguage());
    CommandLine line;
    CLI::App app("va48ctl: sets up, reads and maintains a VA-48 amplifier from scripts.",
                 "va48ctl");
    app.footer(kFooter);
    app.fallthrough(); // the link options may also follow the command
    app.require_subcommand(1);

    app.add_option("--settings", line.settingsFile,
                   "settings file to take the link's defaults from (default: the viewer's, "
                   "beside it)")
        ->check(CLI::ExistingFile);
    CLI::Option* lanOption =
        app.add_option("--lan", line.lan, "LAN link to HOST[:PORT] (IPv4 address)")->expected(0, 1);
    CLI::Option* usbOption = app.add_flag("--usb", line.usb, "USB link")->excludes(lanOption);
    app.add_option("--hwid", line.hwid, "hardware-ID pattern of the USB amplifier")
        ->needs(usbOption);
    // Where USB discovery looks; for tests on a fake device tree.
    app.add_option("--sysfs-root", line.sysfsRoot)->group("");
    app.add_option("--dev-root", line.devRoot)->group("");

    CLI::App* read = app.add_subcommand("read", "read every channel's setup (the read-all)");
    read->add_flag("--json", line.json, "print it as a setup file");
    CLI::App* apply = app.add_subcommand(
        "apply", "write a setup file to the amplifier, read it back and compare");
    apply->add_option("FILE", line.file, "setup file (as read --json writes it)")->required();
    CLI::App* levels = app.add_subcommand(
        "levels", "poll the levels: one line per poll, time then the 16 levels (! above the "
                  "range, _ far below it)");
    levels->add_option("--count", line.levels.count, "polls to make (default 0: until Ctrl+C)")
        ->check(CLI::Range(0, 100000000));
    levels->add_option("--interval-ms", line.levels.intervalMs, "time between polls (default 1000)")
        ->check(CLI::Range(0, 3600000));
    levels->add_flag("--csv", line.levels.csv, "comma-separated, with a header line");
    CLI::App* cal = app.add_subcommand("cal", "switch the calibration signal on or off");
    cal->add_option("STATE", line.calState, "on or off")
        ->required()
        ->check(CLI::IsMember({"on", "off"}));
    CLI::App* version = app.add_subcommand("version", "print the amplifier's firmware version");
    CLI::App* reset = app.add_subcommand("reset", "reset the amplifier's setup (RES)");
    CLI::App* reboot = app.add_subcommand("reboot", "reboot the amplifier");
    CLI::App* tst = app.add_subcommand("tst", "measure reply times (TST round trips)");
    tst->add_option("--count", line.tstCount, "round trips (default 10)")
        ->check(CLI::Range(1, 1000000));
    CLI::App* update = app.add_subcommand("update", "update the firmware from an S-record file");
    update->add_option("FILE", line.file, "firmware file (.mot)")->required();
    update->add_flag("--yes", line.yes, "do not ask before writing");
    CLI::App* list =
        app.add_subcommand("list", "list the USB amplifiers: device node, serial number");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : ToInt(ExitStatus::Usage);
    }

    LinkTarget target;
    if (!ResolveLink(line, *lanOption, target)) {
        return ToInt(ExitStatus::Usage);
    }
    ExitStatus status = ExitStatus::Usage;
    if (*read) {
        status = RunRead(target, line.json);
    } else if (*apply) {
        status = RunApply(target, line.file);
    } else if (*levels) {
        status = RunLevels(target, line.levels);
    } else if (*cal) {
        status = RunCalibration(target, line.calState == "on");
    } else if (*version) {
        status = RunVersion(target);
    } else if (*reset) {
        status = RunReset(target);
    } else if (*reboot) {
        status = RunReboot(target);
    } else if (*tst) {
        status = RunReplyTest(target, line.tstCount);
    } else if (*update) {
        status = RunUpdate(target, line.file, line.yes);
    } else if (*list) {
        status = RunList(target);
    }
    return ToInt(status);
}

} // namespace

} // namespace va48

int main(int argc, char** argv) {
    return va48::Main(argc, argv);
}
