// Watching the levels with the real program against va48sim: the overload history, the level
// recording and the poll period, driven through the settings window's menus as a person would.
#include "app/application.h"
#include "editor/settings_window.h"
#include "editor/status_line.h"
#include "monitor/level_watch.h"
#include "monitor/overload_window.h"
#include "shell/settings_file.h"
#include "tests/support/gui_support.h"
#include "tests/support/split.h"
#include "tests/support/temp_dir.h"
#include "ui/dialog_seam.h"
#include "ui/ui_text.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace va48;

namespace {

// Channel 3 starts well inside its range, so that only the test lights its red lamp.
const std::vector<std::string> kQuietChannel3 = {"--level", "3=-10"};

} // namespace

class LevelWatchTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<ProgramOnSim> p_;
    QTemporaryDir dir_;

    std::filesystem::path InDir(const char* name) const {
        return std::filesystem::path(dir_.path().toStdU16String()) / name;
    }

    void Connect(std::vector<std::string> simArgs = kQuietChannel3, int replyTimeoutMs = 3000) {
        p_ = std::make_unique<ProgramOnSim>(std::move(simArgs), replyTimeoutMs);
        QVERIFY2(p_->Started(), p_->sim->Error().c_str());
        QVERIFY(p_->ConnectLan());
    }

    // Waits for `polls` more polls to reach the program.
    bool WaitForPolls(int polls) {
        const std::size_t target = p_->App().watch.trend.Samples().size() + polls;
        return WaitFor([&] { return p_->App().watch.trend.Samples().size() >= target; });
    }

    const ChannelOverloads& Channel3() { return p_->App().watch.overloads.Channel(3); }

  private slots:
    void cleanup() { p_.reset(); }

    // Twice the red lamp on channel 3 while the history window is open and a recording runs.
    void theHistoryCountsEachOverloadAndTheRecordingKeepsTheLamps() {
        Connect();
        TriggerAction(p_->Settings(), QStringLiteral("pollPeriod200"));
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("overloadHistory")));
        QVERIFY(WaitFor([&] { return p_->App().windows.overloadWindow != nullptr; }));
        QPointer<OverloadWindow> history = p_->App().windows.overloadWindow.data();

        const std::filesystem::path csv = InDir("levels.csv");
        FileChooser chooser({QString::fromStdU16String(csv.u16string())});
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("recordLevels")));
        QVERIFY(p_->App().watch.recorder.Recording());
        QVERIFY(p_->Settings()->Status()->RecordingText().contains(QLatin1String("levels.csv")));

        for (int overload = 1; overload <= 2; ++overload) {
            QVERIFY(p_->sim->Control("level 3=3"));
            QVERIFY(
                WaitFor([&] { return Channel3().over.count == static_cast<unsigned>(overload); }));
            QVERIFY(p_->sim->Control("level 3=-10"));
            QVERIFY(WaitFor([&] { return p_->App().device.channels[2].reading.lampRed == 0; }));
            QVERIFY(WaitForPolls(2));
        }
        QCOMPARE(Channel3().over.count, 2u);
        QVERIFY(Channel3().over.last.has_value());

        // The open window has followed: channel 3's row shows the count (what else it shows is
        // the monitor windows suite's).
        QVERIFY(history);
        QCOMPARE(history->Table()->item(2, OverloadWindow::kOverCount)->text(),
                 QStringLiteral("2"));

        const std::uint64_t written = p_->App().watch.recorder.Lines();
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("recordLevels"))); // Stop recording
        QVERIFY(!p_->App().watch.recorder.Recording());
        QVERIFY(p_->Settings()->Status()->RecordingText().isEmpty());

        // Channel 3's lamp column reads "red" in exactly two runs of lines.
        const std::vector<std::string> lines = Split(ReadFile(csv), '\n');
        QCOMPARE(lines.size(), written + 1); // and the header
        const std::vector<std::string> header = Split(lines[0], ',');
        const auto lampColumn = std::find(header.begin(), header.end(), "No.3 lamp");
        QVERIFY(lampColumn != header.end());
        const auto column = static_cast<std::size_t>(lampColumn - header.begin());
        int runs = 0;
        bool red = false;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> fields = Split(lines[i], ',');
            QCOMPARE(fields.size(), header.size());
            const bool nowRed = fields[column] == "red";
            runs += nowRed && !red ? 1 : 0;
            red = nowRed;
        }
        QCOMPARE(runs, 2);
        QVERIFY(p_->boxes.boxes.empty());
    }

    // The file goes away under a running recording: one box says so and is left open as a person
    // would; the polls go on under it, and when the link then fails the box ends first.
    void aRecordingThatCannotWriteStopsAloneAndTheLinkMayFailUnderItsBox() {
        Connect(kQuietChannel3, 1000);
        const std::filesystem::path csv = InDir("gone.csv");
        FileChooser chooser({QString::fromStdU16String(csv.u16string())});
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("recordLevels")));
        QVERIFY(p_->App().watch.recorder.Recording());

        BoxRecorder& boxes = p_->boxes;
        boxes.HoldNext(UiText(TextId::RecordStopped).section(QLatin1Char('\n'), 0, 0));
        const auto polls = [&] { return std::ranges::count(p_->sim->ReceivedRequests(), "DOD?"); };
        std::ptrdiff_t pollsAtTheBox = -1;
        bool pollsWentOnUnderTheBox = false;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (pollsAtTheBox < 0 && ModalLoopRunning()) {
                pollsAtTheBox = polls();
            } else if (pollsAtTheBox >= 0 && !pollsWentOnUnderTheBox &&
                       polls() >= pollsAtTheBox + 2 && ModalLoopRunning()) {
                pollsWentOnUnderTheBox = true;
                p_->sim->Control("silent DOD");
            }
        });
        watcher.start(50);
        std::filesystem::remove(csv);
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }, 20000));
        QVERIFY(pollsWentOnUnderTheBox);
        QVERIFY(boxes.held.endedByProgram);
        QVERIFY(boxes.held.ownerLived);
        QCOMPARE(boxes.held.boxesOverIt, std::size_t{0});
        QCOMPARE(boxes.Texts(), QStringList{UiText(TextId::ReplyTimeout)});
        QVERIFY(!p_->App().watch.recorder.Recording());
    }

    // Starting a recording on a full disk fails at once with the reason; nothing else stops.
    void aRecordingOnAFullDiskIsRefusedWithTheReason() {
#ifdef __linux__
        Connect();
        FileChooser chooser({QStringLiteral("/dev/full")});
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("recordLevels")));
        QVERIFY(!p_->App().watch.recorder.Recording());
        QCOMPARE(p_->boxes.Texts().size(), 1);
        QVERIFY(p_->boxes.Texts().front().startsWith(
            UiText(TextId::RecordStartFailed).section(QLatin1Char('\n'), 0, 0)));
        QVERIFY(WaitForPolls(1));
#else
        QSKIP("needs /dev/full");
#endif
    }

    // At the fastest period a poll still waits for a sequence: CAL's read-all (its DID slowed
    // down) runs from start to end without a DOD between its requests.
    void aFastPollNeverCutsIntoASequence() {
        Connect();
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("pollPeriod200")));
        QVERIFY(WaitForPolls(2));
        QVERIFY(p_->sim->Control("delay DID:600"));
        const std::size_t mark = p_->Mark();
        QTest::mouseClick(FindControl<QPushButton>(p_->Settings(), 1501), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return p_->SimReceived("CAL 0 1"); }));
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
        QVERIFY(WaitForPolls(2));
        const std::vector<std::string> requests = p_->RequestsSince(mark);
        const auto isPoll = [](const std::string& request) { return request == "DOD?"; };
        const auto first = std::ranges::find_if_not(requests, isPoll);
        const auto last = std::ranges::find_if_not(requests.rbegin(), requests.rend(), isPoll);
        QVERIFY(first != requests.end());
        QCOMPARE(std::count_if(first, last.base(), isPoll), std::ptrdiff_t{0});
        QVERIFY(std::ranges::count(requests, "DID?") > 0);
    }

    // The period is kept in the settings file and checked in the menu of the next run.
    void thePollPeriodIsKeptForTheNextRun() {
        Connect();
        QVERIFY(TriggerAction(p_->Settings(), QStringLiteral("pollPeriod500")));
        QCOMPARE(p_->App().watch.pollPeriodMs, 500);
        QVERIFY(WaitForPolls(2));
        SettingsFile settings(p_->install.Settings());
        QCOMPARE(settings.ReadString("VIEW", "PollPeriod", ""), std::string("500"));
    }
};

QTEST_MAIN(LevelWatchTest)
#include "level_watch_test.moc"
