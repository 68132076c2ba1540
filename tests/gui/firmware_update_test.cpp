// The firmware update dialog: on its own with a session the test plays, and through the real
// program against va48sim.
#include "app/connection_menu.h"
#include "app/messages.h"
#include "app/ui_text.h"
#include "app/window_message.h"
#include "editor/settings_window.h"
#include "maintenance/firmware_update_dialog.h"
#include "protocol/frame.h"
#include "tests/support/gui_support.h"
#include "tests/support/srecord_image.h"
#include "tests/support/temp_dir.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

using namespace va48;

namespace {

const std::string kLine = SRecordLine(1, 0x100, "abcd");
const std::string kEnd = SRecordLine(9, 0, "");
const std::string kSmall =
    SRecordLine(0, 0, "hdr") + "\n" + kLine + "\n" + kLine + "\n" + kEnd + "\n";

// A file for the test in a folder of its own.
struct Files {
    QString Write(const std::string& name, const std::string& content) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("va48_fw_" + std::to_string(::getpid()) + "_" + name);
        WriteFile(path, content);
        written.push_back(path);
        return QString::fromStdString(path.string());
    }
    ~Files() {
        for (const auto& path : written) {
            std::filesystem::remove(path);
        }
    }
    std::vector<std::filesystem::path> written;
};

// The session as the test plays it: records each job's text and the reply time-out it ran with.
struct FakeSession {
    explicit FakeSession(LinkSettings& link) : link(link) {}

    FirmwareUpdateDialog::Hooks Hooks() {
        FirmwareUpdateDialog::Hooks hooks;
        hooks.self = 3;
        hooks.startJob = [this](const CommandJob& job) {
            const JobEntry& entry = job.entries[0];
            texts.emplace_back(FrameText({entry.frame.data(), entry.frameLength}));
            timeouts.push_back(link.replyTimeoutMs.load());
            last = job;
            return answer;
        };
        hooks.closeLink = [this] { ++linkCloses; };
        hooks.closed = [this](std::uint64_t total) { totals.push_back(total); };
        return hooks;
    }

    LinkSettings& link;
    ResultCode answer = ResultCode::Success;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> timeouts;
    CommandJob last;
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

void ChooseAndStart(QWidget* dialog, const QString& path) {
    FileAnswerer files(path);
    QTest::mouseClick(Button(dialog, 1801), Qt::LeftButton);
    QTest::mouseClick(Button(dialog, 1802), Qt::LeftButton);
}

enum class Ending { Complete, AbortMidTransfer, FailWrite, Busy };

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(va48::ResultCode)

class FirmwareUpdateTest : public QObject {
    Q_OBJECT

  private:
    // Plays the session until the dialog ends: each job succeeds, except as `ending` says.
    static void Play(FirmwareUpdateDialog& dialog, FakeSession& session, Ending ending) {
        for (int guard = 0; guard < 100 && Layout(&dialog) == "tpA"; ++guard) {
            const std::string& text = session.texts.back();
            if (ending == Ending::AbortMidTransfer && text.starts_with("UPD 4") &&
                Button(&dialog, 1803)->isEnabled()) {
                QTest::mouseClick(Button(&dialog, 1803), Qt::LeftButton);
            }
            if (ending == Ending::Busy) {
                QVERIFY(WaitFor([&] { return Layout(&dialog) != "tpA"; }));
            } else if (ending == Ending::FailWrite && text == "UPD 2") {
                SendWindowMessage(&dialog, UM_UPDATE_FAILED, ToInt(ResultCode::ReplyTimeout));
            } else {
                SendWindowMessage(&dialog, session.last.doneMessage);
            }
        }
    }

  private slots:
    void startRefusesWhatIsNoFirmwareImage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("content"); // empty: no such file
        QTest::addColumn<QString>("box");     // empty: accepted
        const QString valid = QString::fromStdString(kSmall);
        QTest::newRow("capital .MOT accepted") << "A.MOT" << valid << "";
        QTest::newRow(".bin") << "a.bin" << valid << "Illegal file.";
        QTest::newRow("no extension") << "firmware" << valid << "Illegal file.";
        QTest::newRow("missing file") << "gone.mot"
                                      << ""
                                      << "Illegal file.";
        QTest::newRow("one wrong checksum")
            << "bad.mot"
            << QString::fromStdString(SRecordLine(0, 0, "hdr") + "\n" + kLine + "\n" +
                                      kLine.substr(0, kLine.size() - 1) + "0\n" + kEnd)
            << "Illegal file.\nline 3: checksum 60, computed 6D";
        QTest::newRow("truncated") << "cut.mot" << QString::fromStdString(kLine + "\n")
                                   << "Illegal file.\nno termination record (S7, S8 or S9)";
    }

    void startRefusesWhatIsNoFirmwareImage() {
        QFETCH(QString, name);
        QFETCH(QString, content);
        QFETCH(QString, box);
        LinkSettings link;
        FakeSession session(link);
        BoxRecorder boxes;
        Files files;
        const QString path = content.isEmpty()
                                 ? QStringLiteral("/nonexistent/gone.mot")
                                 : files.Write(name.toStdString(), content.toStdString());
        QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks());
        dialog->show();
        ChooseAndStart(dialog, path);
        if (box.isEmpty()) {
            QVERIFY(boxes.boxes.empty());
            QCOMPARE(session.texts, std::vector<std::string>{"UPD 1"});
            QCOMPARE(Layout(dialog), QStringLiteral("tpA"));
        } else {
            QCOMPARE(boxes.boxes.size(), std::size_t{1});
            QCOMPARE(boxes.boxes[0].text, box);
            QVERIFY(boxes.boxes[0].icon == BoxIcon::Error);
            QVERIFY(session.texts.empty()); // the amplifier was never touched
            QCOMPARE(Layout(dialog), QStringLiteral("SC"));
        }
        delete dialog;
    }

    void browseOffersMotFilesAndShowsWhatTheFileHolds() {
        LinkSettings link;
        FakeSession session(link);
        Files files;
        const QString path = files.Write("s.mot", kSmall);
        QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks());
        FileAnswerer chooser(path);
        QTest::mouseClick(Button(dialog, 1801), Qt::LeftButton);
        QCOMPARE(chooser.requests.size(), std::size_t{1});
        QCOMPARE(chooser.requests[0].title, QStringLiteral("Select File"));
        QCOMPARE(chooser.requests[0].nameFilters.first(), QStringLiteral("MOT Files(*.mot)"));
        QCOMPARE(chooser.requests[0].defaultSuffix, QStringLiteral("mot"));
        QCOMPARE(FindControl<QLineEdit>(dialog, 1800)->text(), path);
        QCOMPARE(FindControl<QLineEdit>(dialog, 1800)->accessibleName(), QStringLiteral("File"));
        QCOMPARE(FindControl<QLabel>(dialog, 1807)->text(),
                 QStringLiteral("2 data records, addresses 0100-0103, header \"hdr\""));
        // Cancelling the file dialog keeps the path.
        chooser.answer.clear();
        QTest::mouseClick(Button(dialog, 1801), Qt::LeftButton);
        QCOMPARE(FindControl<QLineEdit>(dialog, 1800)->text(), path);
        delete dialog;
    }

    void everyEndingRestoresTheTimeOutAndClosesTheLink_data() {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("reboot");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("last"); // the last request sent
        QTest::newRow("completed with reboot") << Ending::Complete << true << "Update is completed."
                                               << "UPD 3";
        QTest::newRow("completed without reboot")
            << Ending::Complete << false << "Update is completed."
            << "UPD 2";
        QTest::newRow("abort mid-transfer") << Ending::AbortMidTransfer << true << "Aborted."
                                            << "UPD 0";
        QTest::newRow("write times out")
            << Ending::FailWrite << true
            << "Update is failed. (" + UiText(ResultMessage(ResultCode::ReplyTimeout)) + ")"
            << "UPD 2";
        QTest::newRow("session busy")
            << Ending::Busy << true
            << "Update is failed. (" + UiText(ResultMessage(ResultCode::SendReceiveFailed)) + ")"
            << "UPD 1";
    }

    void everyEndingRestoresTheTimeOutAndClosesTheLink() {
        QFETCH(Ending, ending);
        QFETCH(bool, reboot);
        LinkSettings link;
        link.replyTimeoutMs = 3000;
        link.updateTimeoutMs = 60000;
        link.rebootAfterUpdate = reboot;
        FakeSession session(link);
        session.answer = ending == Ending::Busy ? ResultCode::NotStarted : ResultCode::Success;
        Files files;
        QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks());
        dialog->show();
        ChooseAndStart(dialog, files.Write("e.mot", kSmall));
        QCOMPARE(Status(dialog), UiText(394));
        Play(*dialog, session, ending);

        QTEST(Status(dialog), "status");
        QTEST(QString::fromStdString(session.texts.back()), "last");
        for (std::size_t i = 0; i < session.texts.size(); ++i) {
            const bool writing = session.texts[i] == "UPD 2" || session.texts[i] == "UPD 3";
            QCOMPARE(session.timeouts[i], writing ? 60000u : 3000u);
        }
        QCOMPARE(link.replyTimeoutMs.load(), 3000u);
        QCOMPARE(session.linkCloses, 1);
        QCOMPARE(Layout(dialog), QStringLiteral("tpC"));
        QCOMPARE(Bar(dialog), 100);
        QVERIFY(!FindControl<QLineEdit>(dialog, 1800)->isEnabled());
        // Reports arriving after the end change nothing.
        SendWindowMessage(dialog, UM_UPDATE_STEP_DONE);
        QCOMPARE(session.linkCloses, 1);
        QTest::mouseClick(Button(dialog, 1805), Qt::LeftButton);
        QCOMPARE(session.totals, std::vector<std::uint64_t>{kSmall.size()});
        QVERIFY(WaitFor([&] { return dialog.isNull(); }));
    }

    void escapeLeavesARunningUpdateAloneButTheCloseBoxEndsIt() {
        LinkSettings link;
        link.replyTimeoutMs = 3000;
        FakeSession session(link);
        Files files;
        QPointer dialog = new FirmwareUpdateDialog(link, session.Hooks());
        dialog->show();
        ChooseAndStart(dialog, files.Write("c.mot", kSmall));
        SendWindowMessage(dialog, UM_UPDATE_STEP_DONE);
        link.replyTimeoutMs = 60000; // as if the write step were under way
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        dialog->close();
        QCOMPARE(session.totals, std::vector<std::uint64_t>{kSmall.size()});
        QCOMPARE(link.replyTimeoutMs.load(), 3000u);
        QVERIFY(WaitFor([&] { return dialog.isNull(); }));

        // Closed before any update: total 0, the link stays.
        FakeSession idle(link);
        QPointer second = new FirmwareUpdateDialog(link, idle.Hooks());
        second->show();
        QTest::keyClick(second, Qt::Key_Escape);
        QCOMPARE(idle.totals, std::vector<std::uint64_t>{0});
        QCOMPARE(idle.linkCloses, 0);
        QVERIFY(WaitFor([&] { return second.isNull(); }));
    }

    // --- Through the program, against the simulator ----------------------------------------

    void aValidFileGoesOutLineByLineAndTheLinkIsDroppedAtClose() {
        ProgramOnSim on({}, "[TIMEOUT]\r\nUpdate=45000\r\n");
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QVERIFY(on.ConnectLan());
        // A long record goes in two pieces; the simulator puts them together again.
        const std::string content = SRecordLine(0, 0, "fw") + "\n" + SRecordLine(1, 0, "x") + "\n" +
                                    SRecordLine(3, 0x1000, std::string(125, 'y')) + "\n" + kEnd +
                                    "\n";
        Files files;
        QTest::keyClick(on.App().windows.settingsWindow, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        QVERIFY(!on.App().windows.settingsWindow->isVisible());
        // Typing goes to the path field, not to the settings window behind it.
        auto* path = FindControl<QLineEdit>(dialog, 1800);
        path->setFocus();
        QTest::keyClicks(path, "ab");
        QCOMPARE(path->text(), QStringLiteral("ab"));
        ChooseAndStart(dialog, files.Write("ok.mot", content));
        QVERIFY(WaitFor([&] { return Status(dialog) == UiText(398); }));
        QCOMPARE(Bar(dialog), 100);

        std::string received;
        std::vector<std::string> steps;
        for (const std::string& request : on.sim->ReceivedRequests()) {
            if (request.starts_with("UPD 4 ")) {
                received += request.substr(6);
            } else if (request.starts_with("UPD")) {
                steps.push_back(request);
            }
        }
        QCOMPARE(received, content);
        QCOMPARE(steps, (std::vector<std::string>{"UPD 1", "UPD 2", "UPD 3"}));
        QCOMPARE(on.App().session->Handle(), kNoConnection);
        QCOMPARE(on.App().link.replyTimeoutMs.load(), 3000u);
        QTest::mouseClick(Button(dialog, 1805), Qt::LeftButton);
        QVERIFY(WaitFor([&] {
            return dialog.isNull() && on.App().windows.connectionMenu &&
                   on.App().windows.connectionMenu->isVisible() && !on.App().windows.settingsWindow;
        }));
    }

    void failuresOnTheWayShowTheirReason_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<ResultCode>("result");
        QTest::addColumn<QString>("mustNotSee");
        QTest::newRow("write refused")
            << QStringList{"--fail-write", "0003"} << ResultCode::StatusImpossible << "UPD 3";
        QTest::newRow("link dropped mid-transfer")
            << QStringList{"--drop-at-line", "3"} << ResultCode::Disconnected << "UPD 2";
    }

    void failuresOnTheWayShowTheirReason() {
        QFETCH(QStringList, simArgs);
        QFETCH(ResultCode, result);
        QFETCH(QString, mustNotSee);
        std::vector<std::string> args;
        for (const QString& arg : simArgs) {
            args.push_back(arg.toStdString());
        }
        ProgramOnSim on(args);
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QVERIFY(on.ConnectLan());
        Files files;
        QTest::keyClick(on.App().windows.settingsWindow, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        ChooseAndStart(dialog, files.Write("f.mot", SRecordImage(256)));
        const QString expected = UiText(400).replace("%s", UiText(ResultMessage(result)));
        QVERIFY(WaitFor([&] { return Status(dialog) == expected; }));
        QCOMPARE(on.App().link.replyTimeoutMs.load(), 3000u);
        QCOMPARE(on.App().session->Handle(), kNoConnection);
        for (const std::string& request : on.sim->ReceivedRequests()) {
            QVERIFY(request != mustNotSee.toStdString());
        }
    }

    void abortPressedMidTransferSendsStepZero() {
        ProgramOnSim on({"--delay", "UPD:20"});
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QVERIFY(on.ConnectLan());
        Files files;
        QTest::keyClick(on.App().windows.settingsWindow, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        ChooseAndStart(dialog, files.Write("a.mot", SRecordImage(32 * 40)));
        QVERIFY(WaitFor([&] { return Bar(dialog) > 10; }));
        QTest::mouseClick(Button(dialog, 1803), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return Status(dialog) == UiText(402); }));
        const auto requests = on.sim->ReceivedRequests();
        QCOMPARE(requests.back(), std::string("UPD 0"));
        QVERIFY(std::ranges::find(requests, std::string("UPD 2")) == requests.end());
    }

    void aCorruptFileNeverReachesTheAmplifier() {
        ProgramOnSim on({});
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QVERIFY(on.ConnectLan());
        std::string content = SRecordImage(32 * 10);
        char& checksum = content[content.find('\n', content.find('\n') + 1) - 1]; // line 2's
        checksum = checksum == '0' ? '1' : '0';
        Files files;
        QTest::keyClick(on.App().windows.settingsWindow, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        ChooseAndStart(dialog, files.Write("c.mot", content));
        QCOMPARE(on.boxes->boxes.size(), std::size_t{1});
        QVERIFY(on.boxes->boxes[0].text.startsWith(UiText(401) + "\nline 2: checksum "));
        QTest::qWait(100);
        for (const std::string& request : on.sim->ReceivedRequests()) {
            QVERIFY(!request.starts_with("UPD"));
        }
        // Closing now changes nothing: back to the settings window on the same link.
        QTest::mouseClick(Button(dialog, 1805), Qt::LeftButton);
        QVERIFY(WaitFor([&] {
            return on.App().windows.settingsWindow &&
                   on.App().windows.settingsWindow->isVisible() && !on.App().editor.busy;
        }));
        QVERIFY(on.App().session->Handle() != kNoConnection);
    }

    void controlUInTheMenuConnectsOverUsb() {
        ProgramOnSim on({}, {}, true);
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QTest::keyClick(on.App().windows.connectionMenu, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return on.App().windows.updateDialog != nullptr; }));
        QPointer<QWidget> dialog = on.App().windows.updateDialog;
        QVERIFY(on.App().session->Kind() == LinkKind::Usb);
        QVERIFY(!on.App().windows.connectionMenu->isVisible());
        Files files;
        ChooseAndStart(dialog, files.Write("u.mot", kSmall));
        QVERIFY(WaitFor([&] { return Status(dialog) == UiText(398); }));
        dialog->close();
        QVERIFY(WaitFor([&] {
            return on.App().windows.connectionMenu && on.App().windows.connectionMenu->isVisible();
        }));
    }

    void japaneseWindowsGetQtsOwnTextsInJapanese() {
        ProgramOnSim on({}, {}, false, Language::Japanese);
        QVERIFY2(on.Started(), on.sim->Error().c_str());
        QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No);
        QVERIFY2(!box.button(QMessageBox::Yes)->text().contains("Yes"),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QPointer<QWidget> dialog = on.App().dialogs.update();
        QCOMPARE(Button(dialog, 1802)->text(), QString::fromUtf8("開始"));
        delete dialog;
    }
};

QTEST_MAIN(FirmwareUpdateTest)
#include "firmware_update_test.moc"
