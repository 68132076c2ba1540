// The real program against va48sim: the coefficient dialogs opened with Ctrl+H and Ctrl+L from
// the settings window, edited with keys, sent as UHC and ULC and read back; and a send whose link
// fails while a box of the dialog is open. Runs in English and under the Japanese string block.
#include "app/application.h"
#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"
#include "ui/ui_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <memory>

using namespace va48;

class CoefficientSendTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<FakeInstall> install_;
    std::unique_ptr<Application> program_;
    std::unique_ptr<BoxRecorder> boxes_;
    QPointer<QWidget> dialog_;

    // Channels 1 and 2 hold sound modules, 3 and 4 vibration modules. The read-all's first step
    // is slowed so that a key can be typed while it runs.
    void Connect(int replyTimeoutMs = 3000) {
        sim_ = std::make_unique<SimProcess>(std::vector<std::string>{
            "--layout", "SSVV000000000000", "--delay", "DID:300", "--log"});
        QVERIFY2(sim_->Started(), sim_->Error().c_str());
        install_ = std::make_unique<FakeInstall>();
        std::ofstream(install_->Settings(), std::ios::binary)
            << "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=" << sim_->Port()
            << "\r\n[TIMEOUT]\r\nRecv=" << replyTimeoutMs << "\r\n";
        program_ = std::make_unique<Application>(AppPaths::ForExecutable(install_->Executable()),
                                                 SystemLanguage());
        boxes_ = std::make_unique<BoxRecorder>();
        QTest::mouseClick(FindControl<QPushButton>(App().windows.connectionMenu, 1012),
                          Qt::LeftButton);
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
    }

    AppContext& App() { return program_->Context(); }
    bool SettingsShown() {
        SettingsWindow* settings = App().windows.settingsWindow;
        return settings && settings->isVisible() && settings->isEnabled() && !App().editor.busy;
    }

    // Ctrl+H or Ctrl+L typed into the settings window.
    bool OpenDialog(Qt::Key key) {
        QTest::keyClick(App().windows.settingsWindow, key, Qt::ControlModifier);
        const bool lowPass = key == Qt::Key_L;
        if (!WaitFor([&] { return lowPass ? App().windows.lpfDialog : App().windows.hpfDialog; })) {
            return false;
        }
        dialog_ = lowPass ? App().windows.lpfDialog : App().windows.hpfDialog;
        dialog_->activateWindow();
        return QTest::qWaitForWindowActive(dialog_);
    }

    template <typename T = QWidget>
    T* Control(int id) {
        return FindControl<T>(dialog_, id);
    }
    QString Text(int id) { return Control<QLineEdit>(id)->text(); }
    void Press(int id, Qt::Key key) {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), key);
    }
    void TypeOver(int id, const char* keys) {
        QLineEdit* field = Control<QLineEdit>(id);
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, keys);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    // The user-filter writes of the last send, once its read-back is shown.
    QStringList Send(int sendId, const char* prefix) {
        const std::size_t mark = sim_->ReceivedRequests().size();
        QTest::mouseClick(Control<QPushButton>(sendId), Qt::LeftButton);
        // Pressed again at once, while the write runs: a second send would collide with it.
        QTest::keyClick(Control<QPushButton>(sendId), Qt::Key_Space);
        if (!WaitFor([&] { return !dialog_->isEnabled(); })) {
            return {"(no read-back)"};
        }
        // A key typed while the values are read back is no edit.
        QTest::keyClick(dialog_, Qt::Key_5);
        if (!WaitFor([&] {
                return dialog_->isEnabled() && !Control<QPushButton>(sendId)->isEnabled();
            })) {
            return {"(read-back not shown)"};
        }
        QCoreApplication::sendPostedEvents();
        QStringList writes;
        const auto requests = sim_->ReceivedRequests();
        for (std::size_t i = mark; i < requests.size(); ++i) {
            if (requests[i].rfind(prefix, 0) == 0) {
                writes << QString::fromStdString(requests[i]);
            }
        }
        return writes;
    }

    bool RefusedAt(int channel) {
        boxes_->boxes.clear();
        QTest::mouseClick(Control<QPushButton>(8051), Qt::LeftButton);
        return boxes_->boxes.size() == 1 &&
               boxes_->boxes[0].text == UiTextFormatted(TextId::ConfirmDisplay, channel) &&
               QApplication::focusWidget() == Control(8300 + channel - 1);
    }

  private slots:
    void cleanup() {
        SetBoxAnswerer({});
        boxes_.reset();
        program_.reset();
        install_.reset();
        sim_.reset();
    }

    void theHighPassIsSentAsTypedAndShownAsReadBack() {
        Connect();
        QVERIFY(OpenDialog(Qt::Key_H));
        Press(7200, Qt::Key_Space);
        TypeOver(7300, "12.3");
        TypeOver(7500, "abc");
        QCOMPARE(Send(7051, "UHC "), QStringList{"UHC 1 1 1230 2748 0 0 0 0"});
        QCOMPARE(Text(7300), QStringLiteral("12.3"));
        QCOMPARE(Text(7500), QStringLiteral("000000000ABC"));
        QCOMPARE(Text(7600), QStringLiteral("000000000000"));
        QVERIFY(boxes_->boxes.empty());
        QTest::keyClick(dialog_, Qt::Key_Escape);
        QVERIFY(WaitFor([&] { return !dialog_ && SettingsShown(); }));
    }

    void theLowPassIsCheckedAgainstEachModuleBeforeItIsSent() {
        Connect();
        QVERIFY(OpenDialog(Qt::Key_L));
        Press(8202, Qt::Key_Space);
        QCOMPARE(Text(8302), QStringLiteral("1.00"));
        QVERIFY(RefusedAt(3));
        Press(8402, Qt::Key_Down);
        TypeOver(8302, "25");
        QVERIFY(RefusedAt(3)); // 25 kHz: too high for a vibration module
        Press(8202, Qt::Key_Space);
        Press(8200, Qt::Key_Space);
        Press(8400, Qt::Key_Down);
        TypeOver(8300, "25");
        boxes_->boxes.clear();
        QCOMPARE(Send(8051, "ULC "),
                 (QStringList{"ULC 1 1 25000 0 0 0 0 0", "ULC 3 0 0 0 0 0 0 0"}));
        QCOMPARE(Text(8300), QStringLiteral("25.0"));
        QCOMPARE(Control<QComboBox>(8400)->currentText(), QStringLiteral("kHz"));
        QVERIFY(boxes_->boxes.empty());
    }

    // The user tries to close the dialog while SEND's write goes unanswered and leaves the "Not
    // possible to do." box up; the write times out, the program ends that box, shows the time-out
    // and returns to the menu.
    void aLinkThatFailsUnderAnOpenBoxEndsAtTheMenu() {
        Connect(1000);
        QVERIFY(OpenDialog(Qt::Key_H));
        QVERIFY(sim_->Control("silent UHC"));
        Press(7200, Qt::Key_Space);
        QTest::mouseClick(Control<QPushButton>(7051), Qt::LeftButton);

        boxes_->boxes.clear();
        boxes_->HoldNext(UiText(TextId::CloseRefusedWhileEditing));
        // The caption's close box, as the window system delivers it.
        QCloseEvent closeBox;
        QApplication::sendEvent(dialog_->windowHandle(), &closeBox);
        // The program ends the box left open before the time-out's box comes.
        QVERIFY(WaitFor([&] { return !boxes_->boxes.empty(); }));
        QVERIFY(boxes_->held.endedByProgram);
        QCOMPARE(boxes_->held.boxesOverIt, std::size_t{0});
        QCOMPARE(boxes_->boxes.size(), std::size_t{1});
        QCOMPARE(boxes_->boxes[0].text, UiText(TextId::ReplyTimeout));
        QVERIFY(WaitFor([&] {
            ConnectionMenu* menu = App().windows.connectionMenu;
            return menu && menu->isVisible() && !App().windows.settingsWindow;
        }));
    }
};

QTEST_MAIN(CoefficientSendTest)
#include "coefficient_send_test.moc"
