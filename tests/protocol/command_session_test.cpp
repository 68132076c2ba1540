#include "protocol/command_session.h"

#include "protocol/request_builders.h"
#include "protocol/value_tables.h"
#include "tests/support/session_rig.h"
#include "transport/serial_channel.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

using std::chrono::milliseconds;

std::string Query(CommandCode command, std::uint8_t channel = 0) {
    std::array<char, kRequestTextSize> text{};
    BuildQuery(command, channel, text);
    return text.data();
}

class SessionTest : public ::testing::Test {
  protected:
    SessionTest() : rig_("session"), device_(rig_.device), settings_(rig_.settings) {}

    // Starts the simulator with its request record on.
    void StartSim(std::vector<std::string> args) {
        args.push_back("--log");
        ASSERT_TRUE(rig_.StartSim(std::move(args))) << rig_.Sim().Error();
    }
    SimProcess& Sim() { return rig_.Sim(); }
    CommandSession& Session(UsbSearchRoots roots = {}) { return rig_.Session(std::move(roots)); }
    void ConnectLan() { ASSERT_TRUE(rig_.Connect(LinkKind::Lan)); }
    static CommandJob Job(const std::vector<std::pair<std::string, CommandCode>>& requests,
                          std::uint8_t expectsData = 1, std::uint8_t channel = 0) {
        return SessionRig::Job(requests, expectsData, channel);
    }
    std::optional<ResultCode> Run(const CommandJob& job) { return rig_.Run(job); }
    std::optional<ResultCode> Outcome() { return rig_.Outcome(); }
    std::string Log() const { return rig_.Log(); }

    SessionRig rig_;
    DeviceState& device_;
    LinkSettings& settings_;
};

TEST_F(SessionTest, ASuccessfulExchangeIsLoggedByteForByte) {
    StartSim({});
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(device_), "1.02");
    EXPECT_EQ(Log(), "SendData -> 02 01 43 56 45 52 3F 03 00 0D 0A \n"
                     "\t(Data) : VER?\n"
                     "RecvData <- 02 01 06 31 2E 30 32 03 00 0D 0A \n"
                     "\t(Data) : 1.02\n");
    Session().Disconnect();
    EXPECT_TRUE(Log().ends_with("LAN Connection End\n"));
}

TEST_F(SessionTest, EveryCommandOverLan) {
    StartSim({"--layout", "SV00000000000000"});
    ConnectLan();
    ASSERT_EQ(Run(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    ASSERT_EQ(device_.channels[0].moduleKind, kSoundModule);
    ASSERT_EQ(device_.channels[1].moduleKind, kVibrationModule);

    CommandJob reads = Job({});
    for (std::uint8_t ch : {1, 2}) {
        reads.Add(Query(CommandCode::SET, ch), CommandCode::SET, 1, ch);
        reads.Add(Query(CommandCode::UHC, ch), CommandCode::UHC, 1, ch);
        reads.Add(Query(CommandCode::ULC, ch), CommandCode::ULC, 1, ch);
        reads.Add(Query(CommandCode::TDS, ch), CommandCode::TDS, 1, ch);
    }
    reads.Add("DOD?", CommandCode::DOD, 1, 0);
    reads.Add("IPA?", CommandCode::IPA, 1, 0);
    reads.Add("VER?", CommandCode::VER, 1, 0);
    ASSERT_EQ(Run(reads), ResultCode::Success);
    EXPECT_EQ(device_.channels[0].deviceSetup.sensitivity, 250);
    EXPECT_EQ(device_.channels[1].deviceSetup.sensitivityExp, 1);
    EXPECT_EQ(device_.deviceLan.address, (std::array<std::uint8_t, 4>{192, 168, 1, 10}));

    // Writes built from what was read, and the commands without data.
    std::array<char, kRequestTextSize> text{};
    CommandJob writes = Job({}, 0);
    device_.channels[1].editSetup.rangeIndex = 5;
    for (std::uint8_t ch : {1, 2}) {
        ChannelSettings& channel = device_.channels[ch - 1];
        BuildSetup(ch, channel, text);
        writes.Add(text.data(), CommandCode::SET, 0, ch);
        channel.editUserHpf.enabled = 1;
        channel.editUserHpf.cutoff = 1250;
        channel.editUserHpf.coef = {1, 2, 3, 4, 5};
        BuildUserFilter(0, ch, channel.editUserHpf, text);
        writes.Add(text.data(), CommandCode::UHC, 0, ch);
        BuildUserFilter(1, ch, channel.editUserLpf, text);
        writes.Add(text.data(), CommandCode::ULC, 0, ch);
        BuildTedsExecute(ch, text);
        writes.Add(text.data(), CommandCode::TEC, 0, ch);
    }
    BuildLanSetting(device_.deviceLan, text);
    writes.Add(text.data(), CommandCode::IPA, 0, 0);
    BuildCalibration(0, 1, text);
    writes.Add(text.data(), CommandCode::CAL, 0, 0);
    BuildCalibration(0, 0, text);
    writes.Add(text.data(), CommandCode::CAL, 0, 0);
    BuildUpdate(1, "", 0, text);
    writes.Add(text.data(), CommandCode::UPD, 0, 0);
    BuildUpdate(0, "", 0, text);
    writes.Add(text.data(), CommandCode::UPD, 0, 0);
    writes.Add(kTestText, CommandCode::TST, 1, 0);
    writes.Add("RES", CommandCode::RES, 0, 0);
    ASSERT_EQ(Run(writes), ResultCode::Success);

    // Read back what the amplifier now holds.
    ASSERT_EQ(Run(Job({{"SET? 2", CommandCode::SET}}, 1, 2)), ResultCode::Success);
    const auto requests = Sim().ReceivedRequests();
    const auto has = [&](const std::string& request) {
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    };
    EXPECT_TRUE(has("SET 2 0 0 0 1 0 1 1 1 1 500 1 5 -1 -1")) << ::testing::PrintToString(requests);
    EXPECT_TRUE(has("UHC 1 1 1250 1 2 3 4 5"));
    EXPECT_TRUE(has("ULC 2 0 0 0 0 0 0 0"));
    EXPECT_TRUE(has(std::string(kTestText)));
}

TEST_F(SessionTest, EveryStatusCodeFailsTheJobWithItsResult) {
    StartSim({});
    ConnectLan();
    const std::pair<std::string, ResultCode> cases[] = {
        {"0000", ResultCode::StatusBcc},       {"0001", ResultCode::StatusUndefined},
        {"0002", ResultCode::StatusParameter}, {"0003", ResultCode::StatusImpossible},
        {"0004", ResultCode::StatusTimeout},   {"0009", ResultCode::StatusOther},
    };
    for (const auto& [status, expected] : cases) {
        ASSERT_TRUE(Sim().Control("nak DOD:" + status));
        EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER},
                           {"DOD?", CommandCode::DOD},
                           {"VER?", CommandCode::VER}})),
                  expected)
            << status;
    }
    EXPECT_NE(Log().find("Command Process Failed <Cmd=DOD Param=0>\n"), std::string::npos);
    // The failing entry ended the job: the third request was never sent.
    EXPECT_EQ(Sim().ReceivedRequests().size(), 2 * std::size(cases));
}

TEST_F(SessionTest, ARefusedReplyNamesItsCommandAndChannel) {
    StartSim({"--layout", "S000000000000000"});
    ConnectLan();
    ASSERT_EQ(Run(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    // The sim answers SET? for channel 1, but the parser is told channel 2, which is empty.
    EXPECT_EQ(Run(Job({{"SET? 1", CommandCode::SET}}, 1, 2)), ResultCode::IllegalValueSet);
    EXPECT_NE(Log().find("Command Process Failed <Cmd=SET Param=2>\n"), std::string::npos);
}

TEST_F(SessionTest, SplitRepliesStrayBytesAndShortFramesStillGiveTheReply) {
    StartSim({"--split", "--stray-bytes", "zz", "--short-frame", "VER"});
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}, {"DID?", CommandCode::DID}})),
              ResultCode::Success);
    const std::string log = Log();
    EXPECT_NE(log.find("RecvData <- 02 01 06 03 0D 0A \nInvalic Length\n"
                       "RecvData <- 02 01 06 31 2E 30 32 03 00 0D 0A \n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("7A 7A"), std::string::npos) << "stray bytes must be dropped";
}

TEST_F(SessionTest, NoReplyFailsWithTimeOut) {
    StartSim({"--silent", "VER"});
    settings_.replyTimeoutMs = 200;
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::ReplyTimeout);
    EXPECT_TRUE(Log().ends_with("\t(Data) : VER?\n<< Recv Timeout >>\n")) << Log();
}

TEST_F(SessionTest, ALateReplyIsNotTakenForTheNextRequest) {
    StartSim({"--delay", "VER:400"});
    settings_.replyTimeoutMs = 100;
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::ReplyTimeout);
    AutoResetEvent* const recv[] = {&rig_.events.recv};
    ASSERT_EQ(WaitAny(recv, milliseconds(5000)), 0) << "the late reply arrives";
    settings_.replyTimeoutMs = 5000;
    EXPECT_EQ(Run(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    EXPECT_EQ(device_.channels[0].moduleKind, kSoundModule);
    EXPECT_NE(Log().find("<< Discard Recv Data (11) >>\n"), std::string::npos) << Log();
}

TEST_F(SessionTest, ThePeerClosingFailsTheJobWithDisconnect) {
    StartSim({"--silent", "VER"});
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_TRUE(Sim().WaitForRequests(1, milliseconds(5000)));
    Sim().Stop();
    EXPECT_EQ(Outcome(), ResultCode::Disconnected);
    EXPECT_TRUE(Log().ends_with("Comm Notify Code=201 ErrorCode=31\n")) << Log();
}

TEST_F(SessionTest, AFullReceiveRingFailsTheJobWithCommunicationError) {
    StartSim({"--flood", "VER"});
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::CommunicationError);
    EXPECT_TRUE(Log().ends_with("Comm Notify Code=204 ErrorCode=29\n")) << Log();
}

TEST_F(SessionTest, DisconnectWhileWaitingEndsTheWorkerWithoutAMessage) {
    StartSim({"--silent", "VER"});
    settings_.replyTimeoutMs = 30000;
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_TRUE(Sim().WaitForRequests(1, milliseconds(5000)));
    Session().Disconnect();
    EXPECT_FALSE(Session().WorkerRunning());
    EXPECT_TRUE(Log().ends_with("<< Close Event Recv (Recv) >>\nLAN Connection End\n")) << Log();
    EXPECT_FALSE(rig_.inbox.Wait(milliseconds(200)));
}

TEST_F(SessionTest, BackToBackStartsRunOneAfterTheOther) {
    StartSim({"--delay", "VER:100"});
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_EQ(Session().StartJob(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    EXPECT_EQ(Outcome(), ResultCode::Success);
    EXPECT_EQ(Outcome(), ResultCode::Success);
    EXPECT_EQ(Sim().ReceivedRequests(), (std::vector<std::string>{"VER?", "DID?"}));
}

TEST_F(SessionTest, JobsWithoutEntriesOrWithoutALink) {
    StartSim({});
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::NotConnected);
    ConnectLan();
    EXPECT_EQ(Run(Job({})), ResultCode::Success);
    Session().Disconnect();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::NotConnected);
    EXPECT_TRUE(Sim().ReceivedRequests().empty());
}

TEST_F(SessionTest, ConnectFailures) {
    settings_.lanPort = [] {
        SimProcess gone;
        return gone.Port();
    }();
    EXPECT_EQ(Session().Connect(LinkKind::Lan, SessionRig::kConnected), ResultCode::NotConnected);
    EXPECT_EQ(Session().Kind(), LinkKind::None);
    EXPECT_EQ(Session().Connect(LinkKind::None, SessionRig::kConnected), ResultCode::NotConnected);
    EXPECT_FALSE(rig_.inbox.Wait(milliseconds(0)));
    EXPECT_EQ(Log(), "LAN Connection Start\n");
}

TEST_F(SessionTest, NoMatchingUsbDeviceGivesComPortNotFound) {
    const FakeUsbTree other("/dev/pts/999", "1234", "5678");
    Session({other.SysfsRoot(), other.DevRoot()});
    EXPECT_EQ(Session().Connect(LinkKind::Usb, SessionRig::kConnected),
              ResultCode::ComPortNotFound);
    EXPECT_EQ(Session().Kind(), LinkKind::None);
}

TEST_F(SessionTest, EveryCommandKindOverThePseudoTerminal) {
    StartSim({"--pty", "--split"});
    ASSERT_TRUE(rig_.Connect(LinkKind::Usb));
    EXPECT_GE(settings_.comPort, 1u);
    EXPECT_EQ(SerialPortDevice(static_cast<int>(settings_.comPort)), Sim().PtyPath());

    CommandJob job = Job({{"DID?", CommandCode::DID},
                          {"VER?", CommandCode::VER},
                          {"DOD?", CommandCode::DOD},
                          {"IPA?", CommandCode::IPA}});
    job.Add("SET? 1", CommandCode::SET, 1, 1);
    job.Add("UHC? 1", CommandCode::UHC, 1, 1);
    job.Add("ULC? 1", CommandCode::ULC, 1, 1);
    job.Add("TDS? 1", CommandCode::TDS, 1, 1);
    job.Add("TEC 1", CommandCode::TEC, 0, 1);
    job.Add("CAL 0 0", CommandCode::CAL, 0, 0);
    job.Add(kTestText, CommandCode::TST, 1, 0);
    EXPECT_EQ(Run(job), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(device_), "1.02");
    Session().Disconnect();
    EXPECT_TRUE(Log().ends_with("USB Connection End\n"));
}

} // namespace
} // namespace va48
