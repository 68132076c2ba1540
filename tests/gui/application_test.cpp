// The real program against va48sim on loopback: the connection menu, the read-all with its
// processing texts, the settings window with live levels, the failure paths and the operations.
// Runs once in English and once under the Japanese string block (the expectations load their
// texts from the string table in the window language).
#include "app/application.h"
#include "app/connection_menu.h"
#include "app/processing_dialog.h"
#include "editor/level_display.h"
#include "editor/settings_window.h"
#include "maintenance/ip_address_field.h"
#include "maintenance/reply_time_dialog.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using namespace va48;

namespace {

// Keeps every text the processing dialog is given, in order.
class ProcessingTexts : public QObject {
  public:
    ProcessingTexts() { qApp->installEventFilter(this); }
    ~ProcessingTexts() override { qApp->removeEventFilter(this); }
    QStringList texts;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == WindowMessageEvent::Type()) {
            const auto* message = static_cast<WindowMessageEvent*>(event);
            if (message->Message() == UM_SET_PROCESSING_TEXT) {
                texts << *reinterpret_cast<const QString*>(message->LParam());
            }
        }
        return false;
    }
};

// Sends one request to the simulator over its TCP port before the program connects.
bool SendRaw(std::uint16_t port, const std::string& text) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
    const std::string frame = "\x02\x01"
                              "C" +
                              text + std::string("\x03\x00\r\n", 4);
    ok = ok && ::write(fd, frame.data(), frame.size()) == static_cast<ssize_t>(frame.size());
    char reply[256];
    ok = ok && ::read(fd, reply, sizeof reply) > 0;
    ::close(fd);
    return ok;
}

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

  private:
    // Starts the simulator and the program, its settings file pointing the LAN link there.
    void Start(std::vector<std::string> simArgs, int replyTimeoutMs = 3000) {
        simArgs.push_back("--log");
        sim_ = std::make_unique<SimProcess>(simArgs);
        QVERIFY2(sim_->Started(), sim_->Error().c_str());
        install_ = std::make_unique<FakeInstall>();
        WriteFile(install_->Settings(),
                  "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=" + std::to_string(sim_->Port()) +
                      "\r\n[TIMEOUT]\r\nRecv=" + std::to_string(replyTimeoutMs) + "\r\n");
        program_ = std::make_unique<Application>(AppPaths::ForExecutable(install_->Executable()),
                                                 SystemLanguage());
        boxes_ = std::make_unique<BoxRecorder>();
    }

    // The same over USB: the simulator on a pseudo-terminal that USB discovery finds.
    void StartUsb() {
        sim_ = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", "--log"});
        QVERIFY2(sim_->Started(), sim_->Error().c_str());
        usb_ = std::make_unique<FakeUsbTree>(sim_->PtyPath());
        install_ = std::make_unique<FakeInstall>();
        WriteFile(install_->Settings(), "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=2255\r\n");
        program_ = std::make_unique<Application>(
            AppPaths::ForExecutable(install_->Executable()), SystemLanguage(),
            UsbSearchRoots{usb_->SysfsRoot(), usb_->DevRoot()});
        boxes_ = std::make_unique<BoxRecorder>();
    }

    // Shows a dialog the program runs modally the way exec() would, so typing reaches it.
    static void ShowModal(QDialog& dialog) {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTest::qWait(50);
    }

    static void Retype(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    AppContext& App() { return program_->Context(); }
    ConnectionMenu* Menu() { return App().windows.connectionMenu; }
    SettingsWindow* Settings() { return App().windows.settingsWindow; }

    void PressLan() {
        QVERIFY(Menu());
        auto* lan = FindControl<QPushButton>(Menu(), 1012);
        QVERIFY(lan);
        QTest::mouseClick(lan, Qt::LeftButton);
    }

    bool SettingsShown() { return Settings() && Settings()->isVisible() && !App().editor.busy; }

    bool BoxShown(const QString& text) {
        for (const BoxRequest& box : boxes_->boxes) {
            if (box.text == text) {
                return true;
            }
        }
        return false;
    }

    bool BackAtTheMenu() {
        return Menu() && Menu()->isVisible() && !Settings() &&
               App().session->Handle() == kNoConnection;
    }

    bool SimReceived(const std::string& request) {
        const auto requests = sim_->ReceivedRequests();
        return std::find(requests.begin(), requests.end(), request) != requests.end();
    }

    // Types Ctrl+<key> into the settings window.
    void Control(Qt::Key key) { QTest::keyClick(Settings(), key, Qt::ControlModifier); }

    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<FakeUsbTree> usb_;
    std::unique_ptr<FakeInstall> install_;
    std::unique_ptr<Application> program_;
    std::unique_ptr<BoxRecorder> boxes_;

  private slots:
    void cleanup() {
        boxes_.reset();
        program_.reset();
        install_.reset();
        usb_.reset();
        sim_.reset();
    }

    void connectingOverLanReadsEverythingAndShowsLiveLevels() {
        Start({"--layout", "SSSSSSSSVVVVVVVV"});
        ProcessingTexts processing;
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        const QStringList expected = {UiText(451), UiText(458), UiText(454),
                                      UiText(455), UiText(459), UiText(462),
                                      UiText(463), UiText(455), UiText(457)};
        QCOMPARE(processing.texts, expected);
        QVERIFY(!Menu());
        QVERIFY(boxes_->boxes.empty());

        // Every channel shows a level, and the levels move with the polls.
        LevelDisplay* levels = Settings()->Levels();
        QVERIFY(WaitFor([&] { return levels->ValueBox(16)->text() != QString::fromUtf8("- - -"); },
                        5000));
        QCOMPARE(levels->UnitLabel(1)->text().contains("dB"), true);
        QStringList first;
        for (int n = 1; n <= 16; ++n) {
            QVERIFY(levels->ValueBox(n)->text() != QString::fromUtf8("- - -"));
            first << levels->ValueBox(n)->text();
        }
        QVERIFY(WaitFor(
            [&] {
                for (int n = 1; n <= 16; ++n) {
                    if (levels->ValueBox(n)->text() != first[n - 1]) {
                        return true;
                    }
                }
                return false;
            },
            5000));
    }

    void aLayoutWithoutModulesGivesNoConnectedDevice() {
        Start({"--layout", "0000000000000000"});
        PressLan();
        QVERIFY(WaitFor([&] { return BoxShown(UiText(524)); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void failedTedsChannelsAreNamedAndExecutedAgain() {
        Start({"--teds", "5=1,3", "--teds", "3=1,3"});
        PressLan();
        const QString text = UiText(551) + "\n" + UiTextFormatted(552, 3) + UiTextFormatted(552, 5);
        QVERIFY(WaitFor([&] { return BoxShown(text); }));
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        // The failed channels got their TEC before the settings were read again.
        const auto requests = sim_->ReceivedRequests();
        const auto tec3 = std::find(requests.begin(), requests.end(), "TEC 3");
        const auto tec5 = std::find(requests.begin(), requests.end(), "TEC 5");
        QVERIFY(tec3 != requests.end() && tec5 != requests.end() && tec3 < tec5);
        QCOMPARE(std::count(tec3, tec5, std::string("SET? 1")), 0);
    }

    void aUserFilterContradictionIsShownAndLogged() {
        Start({});
        // Channel 1 gets the "other" high-pass position with its fine filter switched off.
        QVERIFY(SendRaw(sim_->Port(), "SET 1 0 0 0 0 0 1 1 3 1 250 0 2 -1 -1"));
        PressLan();
        QVERIFY(WaitFor([&] { return BoxShown(UiTextFormatted(531, 1)); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
        const std::string log = ReadFile(install_->Log());
        QVERIFY(log.find("HPF Setting Illigal Value ( HPF=3 UHF=-1 UHC Set=0 )\r\n") !=
                std::string::npos);
        QVERIFY(log.find("No.1 User Filter Illigal Value\r\n") != std::string::npos);
    }

    void aTimeOutDuringThePollReturnsToTheMenu() {
        Start({}, 1000);
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        QVERIFY(sim_->Control("silent DOD"));
        QVERIFY(WaitFor([&] { return BoxShown(UiText(529)); }, 10000));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void calibrationTogglesTheButtonAndReadsAgain() {
        Start({});
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        auto* cal = FindControl<QPushButton>(Settings(), 1501);
        QVERIFY(cal);
        QCOMPARE(cal->text(), UiText(331));
        // Each switch reads everything again; wait for that read to finish, not only for the text.
        const auto switchedTo = [&](std::uint16_t text, ProcessingTexts& processing) {
            return WaitFor([&] {
                return cal->text() == UiText(text) && processing.texts.contains(UiText(454)) &&
                       processing.texts.last() == UiText(457) && SettingsShown();
            });
        };
        {
            ProcessingTexts processing;
            QTest::mouseClick(cal, Qt::LeftButton);
            QVERIFY(switchedTo(332, processing));
            QVERIFY(SimReceived("CAL 0 1"));
        }
        {
            ProcessingTexts processing;
            QTest::mouseClick(cal, Qt::LeftButton);
            QVERIFY(switchedTo(331, processing));
        }
        QVERIFY(boxes_->boxes.empty());
    }

    void controlVShowsTheAmplifierVersion() {
        Start({});
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        Control(Qt::Key_V);
        QVERIFY(WaitFor([&] { return BoxShown("VA-48\nVersion 1.02"); }));
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
    }

    void resetAndRebootAskFirstAndDoNothingOnNo() {
        Start({});
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        boxes_->answer = BoxAnswer::No;
        Control(Qt::Key_R);
        QVERIFY(WaitFor([&] { return BoxShown(UiText(424)); }));
        Control(Qt::Key_B);
        QVERIFY(WaitFor([&] { return BoxShown(UiText(428)); }));
        QTest::qWait(300);
        QVERIFY(!SimReceived("RES"));
        QVERIFY(!SimReceived("UPD 3"));
        QVERIFY(SettingsShown());
        QVERIFY(App().session->Handle() != kNoConnection);

        boxes_->answer = BoxAnswer::Yes;
        Control(Qt::Key_R);
        QVERIFY(WaitFor([&] { return BoxShown(UiText(550)); }));
        QVERIFY(SimReceived("RES"));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void theReplyTimeDialogRunsRoundTrips() {
        Start({});
        QTest::keyClick(Menu(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return App().windows.replyTimeDialog != nullptr; }));
        ReplyTimeDialog* dialog = App().windows.replyTimeDialog;
        QVERIFY(!Menu());
        auto* count = FindControl<QLineEdit>(dialog, 1038);
        auto* tested = FindControl<QLineEdit>(dialog, 1039);
        QVERIFY(count && tested);
        count->setText("5");
        QTest::mouseClick(FindControl<QPushButton>(dialog, 1037), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return tested->text() == "5"; }));
        for (int id : {1043, 1040, 1041, 1042}) {
            QVERIFY(!FindControl<QLineEdit>(dialog, id)->text().isEmpty());
        }
        const auto requests = sim_->ReceivedRequests();
        QCOMPARE(std::count(requests.begin(), requests.end(), std::string(kTestText)), 5);
        QTest::mouseClick(FindControl<QPushButton>(dialog, 1036), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void theLanSettingDialogWritesIpaOnlyWhenAnAmplifierFieldChanged() {
        StartUsb();
        const auto runLanDialog = [&](int changedField, const QString& text) {
            bool answered = false;
            ModalAnswerer answer([&](QDialog& dialog) {
                answered = true;
                ShowModal(dialog);
                auto* field =
                    dynamic_cast<IpAddressField*>(FindControl<QWidget>(&dialog, changedField));
                if (!field || !field->isEnabled()) {
                    return -1;
                }
                Retype(field->Part(3), text);
                QTest::mouseClick(FindControl<QPushButton>(&dialog, 1111), Qt::LeftButton);
                return dialog.result();
            });
            QTest::mouseClick(FindControl<QPushButton>(Menu(), 1013), Qt::LeftButton);
            return WaitFor([&] { return answered && BackAtTheMenu(); });
        };

        // Only the connect address: saved, and no IPA write.
        QVERIFY(runLanDialog(1110, "77"));
        QVERIFY(SimReceived("IPA?"));
        QCOMPARE(App().link.lanAddress, (std::array<std::uint8_t, 4>{127, 0, 0, 77}));
        QVERIFY(ReadFile(install_->Settings()).find("IPAddress=127.0.0.77") != std::string::npos);
        for (const std::string& request : sim_->ReceivedRequests()) {
            QVERIFY(request.rfind("IPA ", 0) != 0);
        }

        // The amplifier's mask: written with IPA.
        QVERIFY(runLanDialog(1105, "128"));
        QVERIFY(
            WaitFor([&] { return SimReceived("IPA 192 168 1 10 255 255 255 128 192 168 1 1"); }));
        QVERIFY(boxes_->boxes.empty());
    }

    void theTimeOutDialogRefusesOutOfRangeValuesAndStoresMilliseconds() {
        Start({});
        int result = -1;
        ModalAnswerer answer([&](QDialog& dialog) {
            ShowModal(dialog);
            auto* seconds = FindControl<QLineEdit>(&dialog, 1035);
            auto* ok = FindControl<QPushButton>(&dialog, 1);
            if (!seconds || !ok) {
                return -1;
            }
            if (seconds->text() != "3") { // Recv=3000 in the settings file
                return -2;
            }
            for (const QString& value : {QString("4"), QString("121"), QString("120")}) {
                Retype(seconds, value);
                QTest::mouseClick(ok, Qt::LeftButton);
            }
            result = dialog.result();
            return result;
        });
        QTest::mouseClick(FindControl<QPushButton>(Menu(), 1015), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return result != -1; }));
        QCOMPARE(result, 1);
        QCOMPARE(boxes_->boxes.size(), std::size_t{2});
        QCOMPARE(boxes_->boxes[0].text, UiText(421));
        QCOMPARE(boxes_->boxes[1].text, UiText(422));
        QCOMPARE(App().link.replyTimeoutMs.load(), 120000u);
        QVERIFY(ReadFile(install_->Settings()).find("Recv=120000") != std::string::npos);
    }

    void everyFailureEndsInItsMessageAndTheMenu_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<int>("messageId");
        QTest::newRow("NAK while reading") << QStringList{"--nak", "UHC:0002"} << 518;
        QTest::newRow("flooded link") << QStringList{"--flood", "SET"} << 527;
        QTest::newRow("no reply") << QStringList{"--silent", "TDS"} << 529;
    }

    void everyFailureEndsInItsMessageAndTheMenu() {
        QFETCH(QStringList, simArgs);
        QFETCH(int, messageId);
        std::vector<std::string> args;
        for (const QString& arg : simArgs) {
            args.push_back(arg.toStdString());
        }
        Start(args, 1000);
        PressLan();
        QVERIFY(WaitFor([&] { return BoxShown(UiText(static_cast<std::uint16_t>(messageId))); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu() && Menu()->isEnabled(); }));
    }

    void aVersionTooLongForTheDeviceImageIsRefusedWithAMessage() {
        Start({"--version", "1.02.003"});
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        Control(Qt::Key_V);
        // English has no text of its own for this code; the general error text stands in.
        const QString text = UiText(533).isEmpty() ? UiText(521) : UiText(533);
        QVERIFY(WaitFor([&] { return BoxShown(text); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void connectingToNothingAndAPulledCable() {
        Start({});
        const std::uint16_t port = sim_->Port();
        sim_->Stop(); // nothing listens there any more
        App().link.lanPort = port;
        PressLan();
        QVERIFY(WaitFor([&] { return BoxShown(UiText(523)); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu() && Menu()->isEnabled(); }));

        // A link that goes away under the poll.
        boxes_->boxes.clear();
        sim_ = std::make_unique<SimProcess>();
        QVERIFY(sim_->Started());
        App().link.lanPort = sim_->Port();
        PressLan();
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
        sim_->Stop();
        QVERIFY(WaitFor([&] { return BoxShown(UiText(528)) || BoxShown(UiText(529)); }));
        QVERIFY(WaitFor([&] { return BackAtTheMenu(); }));
    }

    void typingUOrTWithoutControlDoesNothingButSpacePressesAButton() {
        Start({});
        QTest::keyClick(Menu(), Qt::Key_T);
        QTest::keyClick(Menu(), Qt::Key_U);
        QTest::qWait(200);
        QVERIFY(App().session->Handle() == kNoConnection);
        QVERIFY(!App().windows.replyTimeDialog);
        // Space on the focused LAN button connects, as a click does.
        auto* lan = FindControl<QPushButton>(Menu(), 1012);
        lan->setFocus();
        QTest::keyClick(lan, Qt::Key_Space);
        QVERIFY(WaitFor([&] { return SettingsShown(); }));
    }

    void theWindowsSpeakTheSystemLanguage() {
        Start({});
        const bool japanese = SystemLanguage() == Language::Japanese;
        QCOMPARE(UiLanguage(), SystemLanguage());
        QCOMPARE(UiText(451),
                 japanese ? QString::fromUtf8("通信中です...") : QStringLiteral("Processing..."));
        QCOMPARE(Menu()->windowTitle(), QStringLiteral("VA-48Viewer"));
    }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
