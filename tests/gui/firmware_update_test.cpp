// The firmware update dialog: on its own with a session the test plays, and through the real
// program against va48sim.
#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "maintenance/firmware_update_dialog.h"
#include "protocol/frame.h"
#include "tests/support/gui_support.h"
#include "tests/support/srecord_image.h"
#include "tests/support/temp_dir.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <string>
#include <vector>

using namespace va48;

namespace {

const std::string kLine = SRecordLine(1, 0x100, "abcd");
const std::string kEnd = SRecordLine(9, 0, "");
const std::string kSmall =
    SRecordLine(0, 0, "hdr") + "\n" + kLine + "\n" + kLine + "\n" + kEnd + "\n"; // 66 bytes

// The session as the test plays it: each job's text and the reply time-out it was started with.
struct FakeSession {
    FirmwareUpdateDialog::Hooks Hooks(LinkSettings& link) {
        return {3,
                [this, &link](const CommandJob& job) {
                    texts.emplace_back(
                        FrameText({job.entries[0].frame.data(), job.entries[0].frameLength}));
                    timeouts.push_back(link.replyTimeoutMs.load());
                    lastDone = job.doneMessage;
                    return answer;
                },
                [this] { ++linkCloses; }, [this](std::uint64_t total) { totals.push_back(total); }};
    }

    ResultCode answer = ResultCode::Success;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> timeouts;
    std::uint32_t lastDone = 0;
    int linkCloses = 0;
    std::vector<std::uint64_t> totals;
};

QPushButton* Button(const QWidget* dialog, int id) {
    return FindControl<QPushButton>(dialog, id);
}

QString Status(const QWidget* dialog) {
    return FindControl<QLabel>(dialog, 1806)->text();
}

int Bar(const QWidget* dialog) {
    return FindControl<QProgressBar>(dialog, 1804)->value();
}

// Idle: Start and Close; running: status, bar and Abort; finished: status, bar and Close.
QString Layout(const QWidget* dialog) {
    QString shown;
    for (const auto& [id, letter] :
         {std::pair{1802, 'S'}, {1806, 't'}, {1804, 'p'}, {1803, 'A'}, {1805, 'C'}}) {
        if (FindControl<QWidget>(dialog, id)->isVisibleTo(dialog)) {
            shown += QLatin1Char(letter);
        }
    }
    return shown;
}

// Presses "...", answers the file dialog with `path` and presses Start; returns what the file
// dialog was asked.
FileRequest ChooseAndStart(QWidget* dialog, const QString& path) {
    FileChooser files({path});
    QTest::mouseClick(Button(dialog, 1801), Qt::LeftButton);
    QTest::mouseClick(Button(dialog, 1802), Qt::LeftButton);
    return files.requests.empty() ? FileRequest{} : files.requests[0];
}

QString Failed(ResultCode code) {
    return UiText(TextId::UpdateFailed)
        .replace("%s", ResultText(static_cast<std::uintptr_t>(code)));
}

struct EndToEnd {
    bool usb = false; // Ctrl+U in the connection menu, which connects over USB
    std::vector<std::string> simArgs;
    std::string content;
    bool abort = false;             // press Abort once the bar passes 10 %
    QString status;                 // at the end; empty: refused before anything is sent
    std::vector<std::string> steps; // UPD requests received other than the lines
};

} // namespace

Q_DECLARE_METATYPE(EndToEnd)

class FirmwareUpdateTest : public QObject {
    Q_OBJECT

    QString Write(const QString& name, const std::string& content) {
        const QString path = dir_.filePath(name);
        WriteFile(path.toStdString(), content);
        return path;
    }

    QTemporaryDir dir_;

  private slots:
    void startRefusesWhatIsNoFirmwareImage() {
        // Which names are taken is the image suite's; here a taken one, a refused one and none.
        const std::pair<QString, QString> rows[] = {{"A.MOT", ""},
                                                    {"a.bin", UiText(TextId::UpdateIllegalFile)},
                                                    {"", UiText(TextId::UpdateIllegalFile)}};
        for (const auto& [name, box] : rows) { // name "": no such file; box "": accepted
            LinkSettings link;
            FakeSession session;
            BoxRecorder boxes;
            QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks(link));
            dialog->show();
            const FileRequest asked = ChooseAndStart(
                dialog, name.isEmpty() ? "/nonexistent/gone.mot" : Write(name, kSmall));
            QCOMPARE(asked.nameFilters.first(), QStringLiteral("MOT Files(*.mot)"));
            QCOMPARE(asked.defaultSuffix, QStringLiteral("mot"));
            QCOMPARE(boxes.boxes.size(), std::size_t{!box.isEmpty()});
            if (!box.isEmpty()) {
                QCOMPARE(boxes.boxes[0].text, box);
                QVERIFY(boxes.boxes[0].icon == BoxIcon::Error);
            } else { // what the file holds is shown
                QCOMPARE(FindControl<QLabel>(dialog, 1807)->text(),
                         QStringLiteral("2 data records, addresses 0100-0103, header \"hdr\""));
            }
            QCOMPARE(session.texts.size(), std::size_t{box.isEmpty()}); // "UPD 1" or nothing
            QCOMPARE(Layout(dialog), box.isEmpty() ? QStringLiteral("tpA") : QStringLiteral("SC"));
            delete dialog;
        }
    }

    void everyEndingRestoresTheTimeOutAndClosesTheLink_data() {
        QTest::addColumn<bool>("reboot");
        QTest::addColumn<QString>("failAt"); // the request answered UM_UPDATE_FAILED 32, if any
        QTest::addColumn<bool>("busy");      // the session refuses every job
        QTest::addColumn<QString>("status");
        QTest::newRow("completed with reboot")
            << true << "" << false << UiText(TextId::UpdateCompleted);
        QTest::newRow("completed without reboot")
            << false << "" << false << UiText(TextId::UpdateCompleted);
        QTest::newRow("write times out")
            << true << "UPD 2" << false << Failed(ResultCode::ReplyTimeout);
        QTest::newRow("session busy")
            << true << "" << true << Failed(ResultCode::SendReceiveFailed);
    }

    void everyEndingRestoresTheTimeOutAndClosesTheLink() {
        QFETCH(bool, reboot);
        QFETCH(QString, failAt);
        QFETCH(bool, busy);
        LinkSettings link;
        link.replyTimeoutMs = 3000;
        link.updateTimeoutMs = 60000;
        link.rebootAfterUpdate = reboot;
        FakeSession session;
        session.answer = busy ? ResultCode::NotStarted : ResultCode::Success;
        QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks(link));
        dialog->show();
        ChooseAndStart(dialog, Write("e.mot", kSmall));
        QCOMPARE(Status(dialog), UiText(TextId::UpdateEnteringMode));
        QCOMPARE(FindControl<QLineEdit>(dialog, 1800)->accessibleName(), QStringLiteral("File"));
        QTest::keyClick(dialog, Qt::Key_Escape); // does not end a running update
        QVERIFY(dialog->isVisible());
        while (Layout(dialog) == "tpA" && session.texts.size() < 20) {
            if (busy) {
                QVERIFY(WaitFor([&] { return Layout(dialog) != "tpA"; }));
            } else if (QString::fromStdString(session.texts.back()) == failAt) {
                SendWindowMessage(dialog, UM_UPDATE_FAILED, ToInt(ResultCode::ReplyTimeout));
            } else {
                SendWindowMessage(dialog, session.lastDone);
            }
        }
        QTEST(Status(dialog), "status");
        // The update time-out holds for the write and the reboot only.
        for (std::size_t i = 0; i < session.texts.size(); ++i) {
            const bool writing = session.texts[i] == "UPD 2" || session.texts[i] == "UPD 3";
            QCOMPARE(session.timeouts[i], writing ? 60000u : 3000u);
        }
        const char* last = busy ? "UPD 1" : reboot && failAt.isEmpty() ? "UPD 3" : "UPD 2";
        QCOMPARE(session.texts.back(), std::string(last));
        QCOMPARE(link.replyTimeoutMs.load(), 3000u);
        QCOMPARE(session.linkCloses, 1);
        QCOMPARE(Layout(dialog), QStringLiteral("tpC"));
        QCOMPARE(Bar(dialog), 100);
        SendWindowMessage(dialog, UM_UPDATE_STEP_DONE); // a late report changes nothing
        QCOMPARE(session.linkCloses, 1);
        QTest::mouseClick(Button(dialog, 1805), Qt::LeftButton);
        QCOMPARE(session.totals, std::vector<std::uint64_t>{kSmall.size()});
        QVERIFY(WaitFor([&] { return dialog.isNull(); }));
    }

    void throughTheProgram_data() {
        QTest::addColumn<EndToEnd>("row");
        // A long record goes in two pieces; the simulator puts them together again.
        const std::string valid = SRecordLine(0, 0, "fw") + "\n" + SRecordLine(1, 0, "x") + "\n" +
                                  SRecordLine(3, 0x1000, std::string(125, 'y')) + "\n" + kEnd +
                                  "\n";
        std::string corrupt = SRecordImage(32 * 10);
        char& checksum = corrupt[corrupt.find('\n', corrupt.find('\n') + 1) - 1]; // line 2's
        checksum = checksum == '0' ? '1' : '0';
        QTest::newRow("completed") << EndToEnd{
            false, {}, valid, false, UiText(TextId::UpdateCompleted), {"UPD 1", "UPD 2", "UPD 3"}};
        QTest::newRow("link dropped mid-transfer")
            << EndToEnd{false, {"--drop-at-line", "3"},          SRecordImage(256),
                        false, Failed(ResultCode::Disconnected), {"UPD 1"}};
        QTest::newRow("abort pressed mid-transfer")
            << EndToEnd{false, {"--delay", "UPD:20"},         SRecordImage(32 * 40),
                        true,  UiText(TextId::UpdateAborted), {"UPD 1", "UPD 0"}};
        QTest::newRow("one wrong checksum") << EndToEnd{false, {}, corrupt, false, {}, {}};
        QTest::newRow("from the menu over USB") << EndToEnd{
            true, {}, kSmall, false, UiText(TextId::UpdateCompleted), {"UPD 1", "UPD 2", "UPD 3"}};
    }

    void throughTheProgram() {
        QFETCH(EndToEnd, row);
        ProgramOnSim on(row.simArgs, 3000, SystemLanguage(), row.usb, "Update=45000\r\n");
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QVERIFY(row.usb || on.ConnectLan());
        QWidget* from = row.usb ? static_cast<QWidget*>(on.App().windows.connectionMenu)
                                : on.App().windows.settingsWindow;
        QTest::keyClick(from, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        QVERIFY(!from->isVisible());
        QVERIFY(on.App().session->Kind() == (row.usb ? LinkKind::Usb : LinkKind::Lan));
        // Typing goes to the path field, not to the settings window behind it.
        auto* path = FindControl<QLineEdit>(dialog, 1800);
        path->setFocus();
        QTest::keyClicks(path, "ab");
        QCOMPARE(path->text(), QStringLiteral("ab"));
        ChooseAndStart(dialog, Write("e2e.mot", row.content));
        if (row.abort) {
            QVERIFY(WaitFor([&] { return Bar(dialog) > 10; }));
            QTest::mouseClick(Button(dialog, 1803), Qt::LeftButton);
        }
        const bool started = !row.status.isEmpty();
        if (started) {
            QVERIFY(WaitFor([&] { return Status(dialog) == row.status; }));
            QCOMPARE(Bar(dialog), 100);
        } else {
            QCOMPARE(on.boxes.boxes.size(), std::size_t{1});
            QVERIFY(on.boxes.boxes[0].text.startsWith(UiText(TextId::UpdateIllegalFile) +
                                                      "\nline 2: checksum "));
            QTest::qWait(100);
        }
        std::string received;
        std::vector<std::string> steps;
        for (const std::string& request : on.sim->ReceivedRequests()) {
            if (request.starts_with("UPD 4 ")) {
                received += request.substr(6);
            } else if (request.starts_with("UPD")) {
                steps.push_back(request);
            }
        }
        QCOMPARE(steps, row.steps);
        if (row.status == UiText(TextId::UpdateCompleted)) {
            QCOMPARE(received, row.content);
        }
        QCOMPARE(on.App().link.replyTimeoutMs.load(), 3000u);
        QCOMPARE(on.App().session->Handle() == kNoConnection, started);
        // After an update the link is gone: back to the menu; else back to the settings window.
        QTest::mouseClick(Button(dialog, 1805), Qt::LeftButton);
        QVERIFY(WaitFor([&] {
            SettingsWindow* settings = on.App().windows.settingsWindow;
            return dialog.isNull() && !on.App().editor.busy &&
                   (started ? on.App().windows.connectionMenu->isVisible() && !settings
                            : settings && settings->isVisible());
        }));
    }
};

QTEST_MAIN(FirmwareUpdateTest)
#include "firmware_update_test.moc"
