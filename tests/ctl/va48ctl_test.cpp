// va48ctl end to end: the real program against va48sim on loopback.
#include "tests/support/fake_usb_tree.h"
#include "tests/support/raw_client.h"
#include "tests/support/sim_process.h"
#include "tests/support/split.h"
#include "tests/support/srecord_image.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace va48 {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CtlTest : public ::testing::Test {
  protected:
    CtlTest() {
        // A short reply time-out, so that a silent amplifier fails quickly.
        std::ofstream(temp.Path() / "settings.ini") << "[TIMEOUT]\nRecv=3000\n";
    }

    void StartSim(std::vector<std::string> args = {}) {
        args.push_back("--log");
        sim = std::make_unique<SimProcess>(std::move(args));
        ASSERT_TRUE(sim->Started()) << sim->Error();
    }

    // Runs va48ctl with `args` after the settings and link options; standard output goes to
    // `outFile` (in the test's folder) as well as into the result.
    CtlRun Ctl(const std::vector<std::string>& args, const std::string& outFile = "out.txt") {
        std::string command =
            std::string(VA48CTL_PATH) + " --settings " + (temp.Path() / "settings.ini").string();
        if (sim && sim->Port() != 0 && std::ranges::find(args, "--lan") == args.end()) {
            command += " --lan 127.0.0.1:" + std::to_string(sim->Port());
        }
        for (const std::string& arg : args) {
            command += " '" + arg + "'";
        }
        const fs::path out = temp.Path() / outFile;
        const fs::path err = temp.Path() / "err.txt";
        command += " < /dev/null > " + out.string() + " 2> " + err.string();
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
    }

    fs::path File(const std::string& name) const { return temp.Path() / name; }

    // The simulator's exchanges in order: each request with the reply it gave.
    std::vector<std::pair<std::string, std::string>> Exchanges() const {
        std::vector<std::pair<std::string, std::string>> exchanges;
        for (const std::string& line : Split(sim->StderrLog(), '\n')) {
            if (line.starts_with("rx ")) {
                exchanges.emplace_back(line.substr(3), "");
            } else if (line.starts_with("tx ") && !exchanges.empty()) {
                exchanges.back().second = line.substr(3);
            }
        }
        return exchanges;
    }

    TempDir temp{"va48ctl"};
    std::unique_ptr<SimProcess> sim;
};

TEST_F(CtlTest, ReadThenApplyOfTheSameFileWritesBackWhatTheAmplifierReported) {
    StartSim({"--layout", "SS0SVV0000000V00"});
    // First a setup of some substance: a range, a TEDS sensor and a user low-pass filter in use.
    ASSERT_EQ(Ctl({"read", "--json"}, "first.json").status, 0);
    Json doc = Json::parse(ReadFile(File("first.json")));
    doc["channels"][0]["range"] = "120";
    doc["channels"][1]["connector"] = "REAR CCLD TEDS";
    Json& vibration = doc["channels"][5];
    vibration["lowPassMenu"] = "other";
    vibration["lowPassFine"] = "user";
    vibration["userLowPass"] = Json::parse(R"({"enabled": true, "frequency": 1.5,
        "frequencyUnit": "kHz", "coefficients": {"a2": 1, "b2": 2, "c2": 3, "a1": 4, "b1": 5}})");
    std::ofstream(File("changed.json")) << doc.dump(2);
    const CtlRun changed = Ctl({"apply", File("changed.json").string()});
    ASSERT_EQ(changed.status, 0) << changed.err;

    // The must-show: read --json > a.json, then apply a.json.
    const CtlRun read = Ctl({"read", "--json"}, "a.json");
    ASSERT_EQ(read.status, 0) << read.err;
    const Json readBack = Json::parse(read.out);
    EXPECT_EQ(readBack["channels"][5]["userLowPass"]["frequency"], 1.5);
    EXPECT_EQ(readBack["channels"][1]["sensitivity"], 268) << "the sensor's, taken over";
    const std::size_t from = Exchanges().size();
    const CtlRun apply = Ctl({"apply", File("a.json").string()});
    ASSERT_EQ(apply.status, 0) << apply.err;

    // Each SET the apply wrote is the last SET? reply of its channel, first flag sent as 0.
    std::map<std::string, std::string> reported;
    std::size_t sets = 0;
    const auto exchanges = Exchanges();
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        const auto& [request, reply] = exchanges[i];
        const std::vector<std::string> words = Split(request, ' ');
        if (request.starts_with("SET? ")) {
            std::string set = "SET " + words[1] + " 0" + reply.substr(reply.find(','));
            std::ranges::replace(set, ',', ' ');
            reported[words[1]] = set;
        } else if (i >= from && request.starts_with("SET ")) {
            EXPECT_EQ(request, reported[words[1]]);
            ++sets;
        }
        EXPECT_FALSE(i >= from && (request.starts_with("UHC ") || request.starts_with("ULC ")))
            << "filters that are the same are not sent: " << request;
    }
    EXPECT_EQ(sets, 6u) << "one per present channel";
}

TEST_F(CtlTest, ApplyRestoresAnAmplifierThatTheViewerWouldRefuse) {
    StartSim({"--layout", "SS00000000000000"});
    ASSERT_EQ(Ctl({"read", "--json"}, "good.json").status, 0);
    // Channel 2's high-pass menu on "other" with no filter named: the read-all refuses it.
    ASSERT_FALSE(RawClient(sim->Port()).Ask("SET 2 0 0 0 0 0 1 1 3 1 250 0 2 -1 -1").empty());
    const CtlRun refused = Ctl({"read"});
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.err, "va48ctl: Contradiction in HPF setting (No.2)\n");

    const CtlRun apply = Ctl({"apply", File("good.json").string()});
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_EQ(Ctl({"read"}).status, 0);
}

TEST_F(CtlTest, LevelsCsvHasAHeaderAndOneRowOfSixteenLevelsPerPoll) {
    StartSim({"--layout", "S000000000000V00", "--level", "1=5"});
    const CtlRun run = Ctl({"levels", "--csv", "--count", "3", "--interval-ms", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Split(run.out, '\n');
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_TRUE(lines[0].starts_with("time,No.1 (dB),No.2,")) << lines[0];
    EXPECT_NE(lines[0].find(",No.14 (m/s2),"), std::string::npos) << lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Split(lines[i], ',');
        ASSERT_EQ(cells.size(), 17u) << lines[i];
        EXPECT_EQ(cells[0].size(), 24u) << "2026-12-06T17:30:01.123Z: " << cells[0];
        EXPECT_TRUE(cells[1].ends_with("!")) << "above full scale: " << cells[1];
        EXPECT_EQ(cells[2], "- - -");
    }
}

TEST_F(CtlTest, EachKindOfFailureHasItsExitStatusAndMessage) {
    StartSim({"--layout", "SS00000000000000"});
    ASSERT_EQ(Ctl({"read", "--json"}, "good.json").status, 0);
    Json doc = Json::parse(ReadFile(File("good.json")));
    doc["channels"][1]["sensitivity"] = 5000;
    std::ofstream(File("refused.json")) << doc.dump(2);
    doc = Json::parse(ReadFile(File("good.json")));
    doc["channels"][2] = doc["channels"][0];
    doc["channels"][2]["channel"] = 3;
    std::ofstream(File("other.json")) << doc.dump(2);
    std::ofstream(File("broken.json")) << "{\"format\": ";
    std::ofstream(File("firmware.bin")) << "S9030000FC\n";

    const struct {
        std::vector<std::string> args;
        std::string control; // simulator control line before the run
        int status;
        std::string message;
    } rows[] = {
        {{"apply", File("missing.json").string()}, "", 6, "missing.json: "},
        {{"apply", File("broken.json").string()}, "", 6, "not JSON"},
        {{"apply", File("refused.json").string()}, "", 6, "channel 2, \"sensitivity\": 5000"},
        {{"apply", File("other.json").string()},
         "",
         6,
         "channel 3, \"module\": the setup is for \"sound\", the amplifier has \"none\" in this "
         "slot"},
        {{"apply", File("good.json").string()}, "nak SET:0002", 4, "Parameter error."},
        {{"version"}, "silent VER", 3, "Timeout."},
        {{"update", File("firmware.bin").string()}, "", 6, "Illegal file."},
        {{"cal", "maybe"}, "", 2, "maybe"},
        {{"--lan", "localhost", "version"}, "", 2, "--lan: \"localhost\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[0] + " " + row.control);
        ASSERT_TRUE(sim->Control(row.control.empty() ? "clear" : row.control)) << sim->Error();
        const CtlRun run = Ctl(row.args);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    }

    // Nobody listening: the viewer's "Not Connect.".
    sim->Stop();
    const CtlRun nobody = Ctl({"read"});
    EXPECT_EQ(nobody.status, 3);
    EXPECT_EQ(nobody.err, "va48ctl: Not Connect.\n");
}

TEST_F(CtlTest, UpdateAsksFirstThenSendsTheImageWithProgressOnStderr) {
    StartSim();
    std::ofstream(File("firmware.mot")) << SRecordImage(4000);
    const CtlRun declined = Ctl({"update", File("firmware.mot").string()});
    EXPECT_EQ(declined.status, 1) << declined.err;
    EXPECT_NE(declined.err.find("[y/N]"), std::string::npos);
    EXPECT_TRUE(Exchanges().empty()) << "nothing sent before the answer";

    const CtlRun run = Ctl({"update", File("firmware.mot").string(), "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.ends_with("Writing...\nRebooting...\nUpdate is completed.\n")) << run.err;
    EXPECT_NE(run.err.find("Data transfer( 0 / "), std::string::npos) << run.err;
    EXPECT_EQ(Exchanges().empty() ? "" : Exchanges().back().first, "UPD 3");
}

TEST_F(CtlTest, UsbFindsTheAmplifierAndListsEveryOneWithItsSerialNumber) {
    StartSim({"--pty"});
    FakeUsbTree tree(sim->PtyPath(), "7c4e", "0008", "0100", "VA48-0001");
    tree.Add(fs::path(sim->PtyPath()).parent_path() / "ttyVA48-other", "");
    const auto ctl = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--sysfs-root", tree.SysfsRoot().string(), "--dev-root",
                                   tree.DevRoot().string()});
        return Ctl(args);
    };
    const CtlRun listed = ctl({"list"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out,
              sim->PtyPath() + "\tVA48-0001\n" + tree.DevRoot().string() + "/ttyVA48-other\t-\n");
    const CtlRun run = ctl({"--usb", "version"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1.02\n");
}

} // namespace
} // namespace va48
