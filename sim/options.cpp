#include "sim/options.h"

#include "sim/request_text.h"

namespace va48sim {

namespace {

constexpr std::string_view kHelp = R"(va48sim - a simulated VA-48 amplifier

Usage: va48sim [options]

Serves one client at a time on 127.0.0.1 (or a pseudo-terminal) and answers the amplifier's
framed ASCII commands. On start it prints one line to stdout:
    listening tcp 127.0.0.1:<port>      or      listening pty <slave path>
It stops on SIGTERM or SIGINT.

Link:
  --port N               TCP port on 127.0.0.1 (default 2255; 0 picks a free port)
  --pty                  serve a pseudo-terminal instead of TCP; the client opens the slave
                         path. A --drop-after in this mode hangs the line up for good.
  --exit-on-stdin-eof    stop when stdin reaches end of file (for test harnesses)

Device:
  --layout XXXXXXXXXXXXXXXX
                         the 16 slots, slot 1 first: S sound module, V vibration module,
                         0 empty (default SSSSSSSSVVVVVVVV)
  --teds CH=A,B,C        TEDS states answered by TDS? on channel CH (1..16), one per query,
                         the last one repeated: 0 none, 1 under way, 2 read, 3 failed.
                         Example: --teds 3=1,1,3 answers 1, 1, 3, 3, ... The script restarts
                         on TEC CH and when a SET selects the TEDS connector. CH=default
                         returns to the built-in behaviour: 0, and after a SET or TEC on the
                         TEDS connector 1 once, then 2 (the sensor's sensitivity is taken over).
  --level CH=DB          pin channel CH's level to DB dB re full scale (-100..20); CH=walk
                         lets it walk again. The red lamp lights above full scale, the cyan
                         lamp more than 50 dB below it.
  --seed N               seed of the level walk (default 1); the same seed, the same levels
  --version TEXT         answer to VER? (default 1.02; printable, may exceed 7 characters)

Faults (CMD is a command name: DID CAL TDS TEC DOD IPA RES VER UHC ULC SES SET UPD TST):
  --delay-ms N           delay every reply by N ms
  --delay CMD:MS         delay that command's replies by MS ms (instead of --delay-ms)
  --silent CMD           never answer that command (the request is not executed)
  --nak CMD:STATUS       answer that command with a NAK carrying STATUS, e.g. 0003 or 0009
                         (any printable text up to 32 characters, empty allowed; not executed)
  --stray-bytes TEXT     send TEXT (no STX) before every reply; escapes \r \n \t \\ \xHH
  --split                write every reply in two pieces 20 ms apart (cut in the middle)
  --split-at N           the same, cut after byte N of the frame
  --short-frame CMD      send a 6-byte frame (STX 01 06 ETX CR LF) before that command's reply
  --flood CMD            answer that command with 4096 bytes of garbage (no STX, CR or LF)
  --drop-after N         close the connection right after the Nth reply on each connection
  --late-duplicate CMD:MS
                         send that command's reply again MS ms later
  --fail-write STATUS    answer the firmware write (UPD 2) with a NAK carrying STATUS, e.g.
                         0003, without writing; "off" ends it
  --drop-at-line N       close the connection, unanswered, when the Nth firmware line (UPD 4)
                         since the last UPD 1 arrives; 0 never
  --log                  print each request ("rx TEXT") and reply ("tx TEXT", "tx nak STATUS",
                         "tx flood", "tx none") to stderr, control bytes escaped as above
  --help                 print this text

Run-time control: each line on stdin is a setting without the leading dashes, applied at
once and answered on stdout with "ok" or "error <reason>":
    nak SET:0002    delay-ms 0    silent DOD    split off    log on    level 3=5
    fail-write 0003    fail-write off    drop-at-line 40    drop-at-line 0
    teds 3=1,1,3    layout SSSS0000VVVV0000    version 2.00
    clear           (all faults off)      clear SET       (that command's faults off;
                                                           clear UPD also the update faults)
Faults switched this way apply from the next request on; device settings at once.

Unknown commands are answered with status 0001, bad parameters with 0002.
)";

bool IsSwitch(std::string_view name) {
    return name == "pty" || name == "exit-on-stdin-eof" || name == "help" ||
           SettingValueUse(name) == ValueUse::None;
}

std::string ApplyStartOption(std::string_view name, std::string_view value, Options& options) {
    if (name == "port") {
        const auto port = ParseInRange(value, 0, 65535);
        if (!port) {
            return "--port wants 0..65535";
        }
        options.port = static_cast<std::uint16_t>(*port);
    } else if (name == "seed") {
        const auto seed = ParseInRange(value, 0, 4294967295);
        if (!seed) {
            return "--seed wants 0..4294967295";
        }
        options.seed = static_cast<std::uint32_t>(*seed);
    }
    return {};
}

} // namespace

std::string ParseOptions(const std::vector<std::string_view>& args, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            return "unexpected argument '" + std::string(arg) + "'";
        }
        arg.remove_prefix(2);
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const bool startOption = name == "help" || name == "pty" || name == "exit-on-stdin-eof" ||
                                 name == "port" || name == "seed";
        if (!startOption && SettingValueUse(name) == ValueUse::Unknown) {
            return "unknown option '--" + std::string(name) + "'";
        }
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (!IsSwitch(name) && SettingValueUse(name) != ValueUse::Optional) {
            if (i + 1 == args.size()) {
                return "--" + std::string(name) + " wants a value";
            }
            value = args[++i];
        }

        if (name == "help") {
            options.help = true;
        } else if (name == "pty") {
            options.pty = true;
        } else if (name == "exit-on-stdin-eof") {
            options.exitOnStdinEof = true;
        } else if (name == "port" || name == "seed") {
            if (auto error = ApplyStartOption(name, *value, options); !error.empty()) {
                return error;
            }
        } else {
            options.settings.push_back(Setting{
                std::string(name), value ? std::optional<std::string>(*value) : std::nullopt});
        }
    }
    return {};
}

std::string_view HelpText() {
    return kHelp;
}

} // namespace va48sim
