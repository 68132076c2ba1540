#include "protocol/command_session.h"

#include "protocol/request_builders.h"
#include "protocol/value_tables.h"
#include "tests/support/session_rig.h"
#include "tests/support/temp_dir.h"
#include "transport/serial_channel.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <thread>

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
    void StartSim(std::vector<std::string> args) {
        args.push_back("--log");
        sim_ = std::make_unique<SimProcess>(std::move(args));
        ASSERT_TRUE(sim_->Started()) << sim_->Error();
        rig.settings.lanPort = sim_->Port();
    }

    CommandSession& Session() { return rig.Session(); }

    void ConnectLan() { Connect(LinkKind::Lan); }

    // Connects over the simulator's pseudo-terminal, found as a USB device in a fake tree.
    void ConnectUsb() {
        Connect(LinkKind::Usb);
        EXPECT_EQ(SerialPortDevice(static_cast<int>(rig.settings.comPort)), sim_->PtyPath());
    }

    void Connect(LinkKind kind) {
        ASSERT_TRUE(rig.Connect(kind, *sim_));
        rig.log.Write("--\n"); // marks where the exchanges begin
    }

    // After one good job the link goes (the simulator drops it after its first reply) and the
    // channel sees it go. The next job must fail at once with the link's fault, sending nothing.
    // The reply time-out is long, so a path that sends and waits reports ReplyTimeout instead.
    void ExpectTheJobAfterALostLinkToFailAtOnce(ResultCode expected, std::string_view logEnd) {
        rig.settings.replyTimeoutMs = 10000;
        ASSERT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
        AutoResetEvent* const notify[] = {&rig.events.commNotify};
        ASSERT_EQ(WaitAny(notify, milliseconds(5000)), 0) << "the channel saw the link go";
        EXPECT_EQ(Run(Job({{"DOD?", CommandCode::DOD}})), expected);
        EXPECT_TRUE(Log().ends_with(logEnd)) << Log();
        EXPECT_EQ(sim_->ReceivedRequests(), std::vector<std::string>{"VER?"});
    }

    CommandJob Job(const std::vector<std::pair<std::string, CommandCode>>& requests,
                   std::uint8_t expectsData = 1, std::uint8_t channel = 0) {
        CommandJob job = SessionRig::NewJob();
        for (const auto& [text, command] : requests) {
            EXPECT_TRUE(job.Add(text, command, expectsData, channel));
        }
        return job;
    }

    // Runs a job and returns its outcome: Success for the done message, else the failure code.
    ResultCode Run(const CommandJob& job) {
        EXPECT_EQ(Session().StartJob(job), ResultCode::Success);
        return Outcome();
    }

    ResultCode Outcome() {
        const auto message = rig.inbox.Wait(milliseconds(15000));
        if (!message) {
            ADD_FAILURE() << "no message";
            return ResultCode::Unused30;
        }
        EXPECT_EQ(message->window, SessionRig::kWindow);
        if (message->message == SessionRig::kDone) {
            EXPECT_EQ(message->wParam, 0u);
            return ResultCode::Success;
        }
        EXPECT_EQ(message->message, SessionRig::kFailed);
        return static_cast<ResultCode>(message->wParam);
    }

    // The log since the connection, with its CR LF read back as "\n".
    std::string Log() const {
        std::string log = ReadFile(rig.logPath);
        std::erase(log, '\r');
        const std::size_t mark = log.find("--\n");
        return mark == std::string::npos ? log : log.substr(mark + 3);
    }

    std::unique_ptr<SimProcess> sim_; // outlives the session
    SessionRig rig{LogName()};

  private:
    // The test's name as a file name: a parameterised test's has a '/'.
    static std::string LogName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(name, '/', '_');
        return "va48_session_" + name;
    }
};

// Stands in for the log file: a FIFO read on a thread of its own, which can stop reading for a
// while so that the next log write, and the thread making it, is held. The pipe is opened for
// reading and writing here, so writers never block in open() nor write to a pipe without reader.
class HeldLog {
  public:
    explicit HeldLog(const std::filesystem::path& path) {
        if (::mkfifo(path.c_str(), 0600) == 0) {
            fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            ::fcntl(fd_, F_SETPIPE_SZ, 4096);
            reader_ = std::jthread([this](std::stop_token stop) { Read(stop); });
        }
    }
    ~HeldLog() {
        reader_ = {}; // stops and joins the reader
        ::close(fd_);
    }
    bool Ready() const { return fd_ >= 0; }

    // From now on every log write waits until `hold` has passed.
    void Hold(milliseconds hold) { holdUntil_ = std::chrono::steady_clock::now() + hold; }

    // The text read so far once it holds `text`, or after five seconds.
    std::string WaitFor(std::string_view text) const {
        std::string read;
        for (int round = 0; round < 500 && read.find(text) == std::string::npos; ++round) {
            std::this_thread::sleep_for(milliseconds(10));
            const std::lock_guard lock(mutex_);
            read = text_;
        }
        return read;
    }

  private:
    void Read(const std::stop_token& stop) {
        for (int round = 0; round < 100000 && !stop.stop_requested(); ++round) {
            if (const auto until = holdUntil_.load(); std::chrono::steady_clock::now() < until) {
                // A full pipe blocks the next writer until the reading resumes.
                const std::array<char, 512> filler{};
                while (::write(fd_, filler.data(), filler.size()) > 0) {
                }
                std::this_thread::sleep_until(until);
            }
            pollfd ready{fd_, POLLIN, 0};
            ::poll(&ready, 1, 10);
            std::array<char, 4096> buffer{};
            const ssize_t count = std::max<ssize_t>(::read(fd_, buffer.data(), buffer.size()), 0);
            const std::lock_guard lock(mutex_);
            std::copy_if(buffer.begin(), buffer.begin() + count, std::back_inserter(text_),
                         [](char c) { return c != '\0'; }); // not the filler
        }
    }

    int fd_ = -1;
    std::atomic<std::chrono::steady_clock::time_point> holdUntil_{};
    mutable std::mutex mutex_;
    std::string text_;
    std::jthread reader_;
};

TEST_F(SessionTest, ASuccessfulExchangeIsLoggedByteForByte) {
    StartSim({});
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(rig.device), "1.02");
    EXPECT_EQ(Log(), "SendData -> 02 01 43 56 45 52 3F 03 00 0D 0A \n"
                     "\t(Data) : VER?\n"
                     "RecvData <- 02 01 06 31 2E 30 32 03 00 0D 0A \n"
                     "\t(Data) : 1.02\n");
    Session().Disconnect();
    EXPECT_TRUE(Log().ends_with("LAN Connection End\n"));
}

// Over LAN, and over USB (the pseudo-terminal) with every reply split in two.
class EveryCommandTest : public SessionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EveryCommandTest, ReadsWritesAndReadsBackOverTheLink) {
    const bool usb = GetParam();
    StartSim(usb ? std::vector<std::string>{"--layout", "SV00000000000000", "--pty", "--split"}
                 : std::vector<std::string>{"--layout", "SV00000000000000"});
    usb ? ConnectUsb() : ConnectLan();
    ASSERT_EQ(Run(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    ASSERT_EQ(rig.device.channels[0].moduleKind, kSoundModule);
    ASSERT_EQ(rig.device.channels[1].moduleKind, kVibrationModule);

    CommandJob reads = Job({});
    for (std::uint8_t ch : {1, 2}) {
        for (CommandCode code :
             {CommandCode::SET, CommandCode::UHC, CommandCode::ULC, CommandCode::TDS}) {
            reads.Add(Query(code, ch), code, 1, ch);
        }
    }
    reads.Add("DOD?", CommandCode::DOD, 1, 0);
    reads.Add("IPA?", CommandCode::IPA, 1, 0);
    reads.Add("VER?", CommandCode::VER, 1, 0);
    ASSERT_EQ(Run(reads), ResultCode::Success);
    EXPECT_EQ(rig.device.channels[0].deviceSetup.sensitivity, 250);
    EXPECT_EQ(rig.device.channels[1].deviceSetup.sensitivityExp, 1);
    EXPECT_EQ(rig.device.deviceLan.address, (std::array<std::uint8_t, 4>{192, 168, 1, 10}));

    // Writes built from what was read, and the commands without data.
    std::array<char, kRequestTextSize> text{};
    CommandJob writes = Job({}, 0);
    const auto add = [&](int length, CommandCode code, std::uint8_t channel = 0) {
        ASSERT_GT(length, 0);
        writes.Add(text.data(), code, 0, channel);
    };
    rig.device.channels[1].editSetup.rangeIndex = 5;
    for (std::uint8_t ch : {1, 2}) {
        ChannelSettings& channel = rig.device.channels[ch - 1];
        add(BuildSetup(ch, channel, text), CommandCode::SET, ch);
        channel.editUserHpf.enabled = 1;
        channel.editUserHpf.cutoff = 1250;
        channel.editUserHpf.coef = {1, 2, 3, 4, 5};
        add(BuildUserFilter(0, ch, channel.editUserHpf, text), CommandCode::UHC, ch);
        add(BuildUserFilter(1, ch, channel.editUserLpf, text), CommandCode::ULC, ch);
        add(BuildTedsExecute(ch, text), CommandCode::TEC, ch);
    }
    add(BuildLanSetting(rig.device.deviceLan, text), CommandCode::IPA);
    add(BuildCalibration(0, 1, text), CommandCode::CAL);
    add(BuildCalibration(0, 0, text), CommandCode::CAL);
    add(BuildUpdate(1, "", 0, text), CommandCode::UPD);
    add(BuildUpdate(0, "", 0, text), CommandCode::UPD);
    writes.Add(kTestText, CommandCode::TST, 1, 0);
    writes.Add("RES", CommandCode::RES, 0, 0);
    ASSERT_EQ(Run(writes), ResultCode::Success);

    // Read back what the amplifier now holds.
    ASSERT_EQ(Run(Job({{"SET? 2", CommandCode::SET}}, 1, 2)), ResultCode::Success);
    const auto requests = sim_->ReceivedRequests();
    const auto has = [&](const std::string& request) {
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    };
    EXPECT_TRUE(has("SET 2 0 0 0 1 0 1 1 1 1 500 1 5 -1 -1")) << ::testing::PrintToString(requests);
    EXPECT_TRUE(has("UHC 1 1 1250 1 2 3 4 5"));
    EXPECT_TRUE(has("ULC 2 0 0 0 0 0 0 0"));
    EXPECT_TRUE(has(std::string(kTestText)));
    Session().Disconnect();
    EXPECT_TRUE(Log().ends_with(usb ? "USB Connection End\n" : "LAN Connection End\n")) << Log();
}

INSTANTIATE_TEST_SUITE_P(Links, EveryCommandTest, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Usb" : "Lan"); });

TEST_F(SessionTest, AFailedEntryEndsTheJobWithItsResultAndNamesItsCommandAndChannel) {
    StartSim({"--layout", "S000000000000000"});
    ConnectLan();
    const std::pair<std::string, ResultCode> cases[] = {
        {"0001", ResultCode::StatusUndefined},
        {"0003", ResultCode::StatusImpossible},
    };
    for (const auto& [status, expected] : cases) {
        ASSERT_TRUE(sim_->Control("nak DOD:" + status));
        EXPECT_EQ(Run(Job({{"DID?", CommandCode::DID},
                           {"DOD?", CommandCode::DOD},
                           {"VER?", CommandCode::VER}})),
                  expected)
            << status;
    }
    // The failing entry ended the job: the third request was never sent.
    EXPECT_EQ(sim_->ReceivedRequests().size(), 2 * std::size(cases));
    EXPECT_NE(Log().find("Command Process Failed <Cmd=DOD Param=0>\n"), std::string::npos);
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

TEST_F(SessionTest, NoReplyInTimeFailsAndTheLateReplyIsNotTakenForTheNextRequest) {
    StartSim({"--delay", "VER:400"});
    rig.settings.replyTimeoutMs = 100;
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::ReplyTimeout);
    EXPECT_TRUE(Log().ends_with("\t(Data) : VER?\n<< Recv Timeout >>\n")) << Log();
    AutoResetEvent* const recv[] = {&rig.events.recv};
    ASSERT_EQ(WaitAny(recv, milliseconds(5000)), 0) << "the late reply arrives";
    rig.settings.replyTimeoutMs = 5000;
    EXPECT_EQ(Run(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    EXPECT_EQ(rig.device.channels[0].moduleKind, kSoundModule);
    EXPECT_NE(Log().find("<< Discard Recv Data (11) >>\n"), std::string::npos) << Log();
}

TEST_F(SessionTest, ThePeerClosingFailsTheJobWithDisconnect) {
    StartSim({"--silent", "VER"});
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_TRUE(sim_->WaitForRequests(1, milliseconds(5000)));
    sim_->Stop();
    EXPECT_EQ(Outcome(), ResultCode::Disconnected);
    EXPECT_TRUE(Log().ends_with("Comm Notify Code=201 ErrorCode=31\n")) << Log();
}

TEST_F(SessionTest, ThePeerClosingBetweenJobsFailsTheNextJobWithDisconnect) {
    StartSim({"--drop-after", "1"});
    ConnectLan();
    ExpectTheJobAfterALostLinkToFailAtOnce(ResultCode::Disconnected,
                                           "Comm Notify Code=201 ErrorCode=31\n");
}

TEST_F(SessionTest, ALineHungUpBetweenJobsFailsTheNextJobWithCommunicationError) {
    StartSim({"--pty", "--drop-after", "1"});
    ConnectUsb();
    ExpectTheJobAfterALostLinkToFailAtOnce(ResultCode::CommunicationError,
                                           "Comm Notify Code=108 ErrorCode=29\n");
}

TEST_F(SessionTest, TheFirstJobAfterEachReconnectSucceeds) {
    StartSim({});
    for (int round = 0; round < 20; ++round) {
        ConnectLan(); // closes the link of the round before
        ASSERT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::Success) << round;
        if (round % 2 == 0) {
            Session().Disconnect();
        }
    }
}

TEST_F(SessionTest, AWorkerGivenUpOnTouchesTheLinkNoMore) {
    // The worker is held in its log write of the first reply, past the disconnect's 3 s wait.
    // When it resumes it must neither drop the input buffered meanwhile (a late duplicate of the
    // reply) nor send its next request.
    HeldLog held(rig.logPath);
    ASSERT_TRUE(held.Ready());
    StartSim({"--delay", "VER:300", "--late-duplicate", "VER:50"});
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}, {"DID?", CommandCode::DID}})),
              ResultCode::Success);
    ASSERT_NE(held.WaitFor("(Data) : VER?").find("(Data) : VER?"), std::string::npos);
    held.Hold(milliseconds(5000));
    std::this_thread::sleep_for(milliseconds(1000)); // the reply comes 300 ms after the request
    Session().Disconnect();
    rig.session.reset(); // joins the worker that was given up on
    const std::string log = held.WaitFor("<< End Connection Thread Close >>");
    ASSERT_NE(log.find("(Data) : 1.02"), std::string::npos) << "the reply came too late:\n" << log;
    EXPECT_NE(log.find("<< End Connection Thread Close >>"), std::string::npos) << log;
    EXPECT_EQ(log.find("Discard"), std::string::npos) << log;
    EXPECT_EQ(log.find("DID?"), std::string::npos) << log;
    EXPECT_EQ(sim_->ReceivedRequests(), std::vector<std::string>{"VER?"});
    EXPECT_FALSE(rig.inbox.Wait(milliseconds(0)));
}

TEST_F(SessionTest, AFullReceiveRingFailsTheJobWithCommunicationError) {
    StartSim({"--flood", "VER"});
    ConnectLan();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::CommunicationError);
    EXPECT_TRUE(Log().ends_with("Comm Notify Code=204 ErrorCode=29\n")) << Log();
}

TEST_F(SessionTest, DisconnectWhileWaitingEndsTheWorkerWithoutAMessage) {
    StartSim({"--silent", "VER"});
    rig.settings.replyTimeoutMs = 30000;
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_TRUE(sim_->WaitForRequests(1, milliseconds(5000)));
    Session().Disconnect();
    EXPECT_FALSE(Session().WorkerRunning());
    EXPECT_TRUE(Log().ends_with("<< Close Event Recv (Recv) >>\nLAN Connection End\n")) << Log();
    EXPECT_FALSE(rig.inbox.Wait(milliseconds(200)));
}

TEST_F(SessionTest, BackToBackStartsRunOneAfterTheOther) {
    StartSim({"--delay", "VER:100"});
    ConnectLan();
    ASSERT_EQ(Session().StartJob(Job({{"VER?", CommandCode::VER}})), ResultCode::Success);
    ASSERT_EQ(Session().StartJob(Job({{"DID?", CommandCode::DID}})), ResultCode::Success);
    EXPECT_EQ(Outcome(), ResultCode::Success);
    EXPECT_EQ(Outcome(), ResultCode::Success);
    EXPECT_EQ(sim_->ReceivedRequests(), (std::vector<std::string>{"VER?", "DID?"}));
}

TEST_F(SessionTest, JobsWithoutEntriesOrWithoutALink) {
    StartSim({});
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::NotConnected);
    ConnectLan();
    EXPECT_EQ(Run(Job({})), ResultCode::Success);
    Session().Disconnect();
    EXPECT_EQ(Run(Job({{"VER?", CommandCode::VER}})), ResultCode::NotConnected);
    EXPECT_TRUE(sim_->ReceivedRequests().empty());
}

TEST_F(SessionTest, ConnectFailures) {
    rig.settings.lanPort = [] {
        SimProcess gone;
        return gone.Port();
    }();
    const FakeUsbTree other("/dev/pts/999", "1234", "5678");
    rig.Session({other.SysfsRoot(), other.DevRoot()});
    EXPECT_EQ(Session().Connect(LinkKind::Lan, SessionRig::kConnected), ResultCode::NotConnected);
    EXPECT_EQ(Session().Kind(), LinkKind::None);
    EXPECT_EQ(Session().Connect(LinkKind::Usb, SessionRig::kConnected),
              ResultCode::ComPortNotFound);
    EXPECT_EQ(Session().Kind(), LinkKind::None);
    EXPECT_EQ(Session().Connect(LinkKind::None, SessionRig::kConnected), ResultCode::NotConnected);
    EXPECT_FALSE(rig.inbox.Wait(milliseconds(0)));
    EXPECT_EQ(Log(), "LAN Connection Start\n");
}

} // namespace
} // namespace va48
