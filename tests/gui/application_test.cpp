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
#include "shell/settings_file.h"
#include "tests/support/gui_support.h"
#include "tests/support/raw_client.h"
#include "tests/support/temp_dir.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

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
                texts << UiText(static_cast<TextId>(message->WParam()));
            }
        }
        return false;
    }
};

enum class HeldBox { VersionDialog, RangeMessage, ResetQuestion };

// How a failure is met: connecting, connecting with nothing listening on the port, or Ctrl+V
// once connected.
enum class Step { Connect, NothingListens, VersionKey };

} // namespace

Q_DECLARE_METATYPE(HeldBox)
Q_DECLARE_METATYPE(Step)

class ApplicationTest : public QObject {
    Q_OBJECT

  private:
    // Starts the simulator and the program, its settings file pointing the LAN link there.
    void Start(std::vector<std::string> simArgs, int replyTimeoutMs = 3000, bool usb = false) {
        p_ = std::make_unique<ProgramOnSim>(std::move(simArgs), replyTimeoutMs, SystemLanguage(),
                                            usb);
        QVERIFY2(p_->Started(), p_->sim->Error().c_str());
    }

    // Starts and connects over LAN; ends with the settings window shown.
    void Connect(std::vector<std::string> simArgs = {}, int replyTimeoutMs = 3000) {
        Start(std::move(simArgs), replyTimeoutMs);
        QVERIFY(p_->Started() && p_->ConnectLan());
    }

    std::unique_ptr<ProgramOnSim> p_;

  private slots:
    void cleanup() { p_.reset(); }

    void connectingOverLanReadsEverythingAndShowsLiveLevels() {
        Start({"--layout", "SSSSSSSSVVVVVVVV"});
        ProcessingTexts processing;
        p_->PressLan();
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
        const QStringList expected = {
            UiText(TextId::ProcessingConnect),     UiText(TextId::ProcessingCal),
            UiText(TextId::ProcessingDeviceIndex), UiText(TextId::ProcessingDeviceSetting),
            UiText(TextId::ProcessingUserFilter),  UiText(TextId::ProcessingTedsRead),
            UiText(TextId::ProcessingTedsCheck),   UiText(TextId::ProcessingDeviceSetting),
            UiText(TextId::UpdatingWindows)};
        QCOMPARE(processing.texts, expected);
        QVERIFY(!p_->Menu());
        QVERIFY(p_->boxes.boxes.empty());

        // Every channel shows a level, and the levels move with the polls.
        const QPointer<LevelDisplay> levels = p_->Settings()->Levels(); // a failed poll ends it
        const auto shown = [&] {
            QStringList texts;
            for (int n = 1; levels && n <= 16; ++n) {
                texts << levels->ValueBox(n)->text();
            }
            return texts;
        };
        QVERIFY(WaitFor([&] { return shown().size() == 16 && !shown().contains("- - -"); }, 5000));
        QVERIFY(levels->UnitLabel(1)->text().contains("dB"));
        const QStringList first = shown();
        QVERIFY(WaitFor([&] { return shown().size() == 16 && shown() != first; }, 5000));
    }

    // Channel 3 is under way in the first round, channel 5 only in the second: the TDS round
    // repeats while any channel still reports 1.
    void failedTedsChannelsAreNamedAndExecutedAgain() {
        Start({"--teds", "3=1,3", "--teds", "5=0,1,3"});
        p_->PressLan();
        const QString text = UiText(TextId::TedsFailedHeading) + "\n" +
                             UiTextFormatted(TextId::TedsFailedLine, 3) +
                             UiTextFormatted(TextId::TedsFailedLine, 5);
        QVERIFY(WaitFor([&] { return p_->BoxShown(text); }));
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
        // The failed channels got their TEC before the settings were read again.
        const auto requests = p_->sim->ReceivedRequests();
        const auto tec3 = std::find(requests.begin(), requests.end(), "TEC 3");
        const auto tec5 = std::find(requests.begin(), requests.end(), "TEC 5");
        QVERIFY(tec3 != requests.end() && tec5 != requests.end() && tec3 < tec5);
        QCOMPARE(std::count(tec3, tec5, std::string("SET? 1")), 0);
    }

    void aUserFilterContradictionIsShownAndLogged() {
        Start({});
        // Channel 1 gets the "other" high-pass position with its fine filter switched off.
        QVERIFY(!RawClient(p_->sim->Port()).Ask("SET 1 0 0 0 0 0 1 1 3 1 250 0 2 -1 -1").empty());
        p_->PressLan();
        QVERIFY(
            WaitFor([&] { return p_->BoxShown(UiTextFormatted(TextId::HpfContradiction, 1)); }));
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
        const std::string log = ReadFile(p_->install.Log());
        QVERIFY(log.find("HPF Setting Illigal Value ( HPF=3 UHF=-1 UHC Set=0 )\r\n") !=
                std::string::npos);
        QVERIFY(log.find("No.1 User Filter Illigal Value\r\n") != std::string::npos);
    }

    // A person has a box or dialog over the settings window open when the poll goes unanswered:
    // the box is ended first with its window still there, then the failure is shown and the
    // connection ends.
    void aBoxLeftOpenWhenThePollFailsEndsBeforeTheFailureShows_data() {
        QTest::addColumn<HeldBox>("held");
        QTest::newRow("Help > Version...") << HeldBox::VersionDialog;
        QTest::newRow("range message") << HeldBox::RangeMessage;
        QTest::newRow("reset question") << HeldBox::ResetQuestion;
    }

    void aBoxLeftOpenWhenThePollFailsEndsBeforeTheFailureShows() {
        QFETCH(HeldBox, held);
        Connect({}, 1000);
        const auto polls = [&] { return std::ranges::count(p_->sim->ReceivedRequests(), "DOD?"); };
        const auto before = polls();
        QVERIFY(p_->sim->Control("silent DOD"));
        QVERIFY(WaitFor([&] { return polls() > before; })); // a poll that will go unanswered
        const QPointer<SettingsWindow> settings = p_->Settings();
        BoxRecorder& boxes = p_->boxes;
        switch (held) {
        case HeldBox::VersionDialog:
            boxes.HoldNext(QString());
            settings->findChild<QAction*>(QStringLiteral("152"))->trigger();
            break;
        case HeldBox::RangeMessage: {
            boxes.HoldNext(UiText(TextId::AboveMaximum));
            auto* field = FindControl<QLineEdit>(settings, 4308); // channel 9: vibration
            field->setFocus();
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("150"));
            QTest::keyClick(field, Qt::Key_Tab);
            break;
        }
        case HeldBox::ResetQuestion:
            boxes.HoldNext(UiText(TextId::AskSendReset));
            p_->PressControl(Qt::Key_R);
            break;
        }
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
        QVERIFY(boxes.held.endedByProgram);
        QVERIFY(boxes.held.ownerLived);
        QCOMPARE(boxes.held.boxesOverIt, std::size_t{0});
        QCOMPARE(p_->boxes.boxes.size(), std::size_t{1});
        QCOMPARE(p_->boxes.boxes[0].text, UiText(TextId::ReplyTimeout));
        QVERIFY(!p_->SimReceived("RES"));
    }

    // While the read-back after SEND or CAL runs the settings window is disabled: shortcuts and
    // its close box do nothing then, and the read-back ends as it should.
    void nothingElseStartsWhileASequenceReadsBack_data() {
        QTest::addColumn<bool>("send"); // else CAL
        QTest::addColumn<int>("key");   // pressed with Ctrl; 0 for the close box
        QTest::newRow("Ctrl+V after CAL") << false << int{Qt::Key_V};
        QTest::newRow("Ctrl+R after SEND") << true << int{Qt::Key_R};
        QTest::newRow("Ctrl+B after SEND") << true << int{Qt::Key_B};
        QTest::newRow("close box after SEND") << true << 0;
    }

    void nothingElseStartsWhileASequenceReadsBack() {
        QFETCH(bool, send);
        QFETCH(int, key);
        Connect();
        QVERIFY(p_->sim->Control("delay DID:400"));
        const QPointer<SettingsWindow> settings = p_->Settings();
        const std::size_t mark = p_->sim->ReceivedRequests().size();
        if (send) {
            SendWindowMessage(settings, UM_SETTINGS_EDITED);
        }
        QTest::mouseClick(FindControl<QPushButton>(settings, send ? 1502 : 1501), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return std::ranges::count(p_->RequestsSince(mark), "DID?") > 0; }));
        QVERIFY(settings && !settings->isEnabled());
        if (key != 0) {
            p_->PressControl(static_cast<Qt::Key>(key));
        } else {
            settings->close();
        }
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
        QTest::qWait(500); // room for a request that should not come
        for (const std::string& request : p_->RequestsSince(mark)) {
            QVERIFY2(request != "VER?" && request != "RES" && request.rfind("UPD", 0) != 0,
                     request.c_str());
        }
        QVERIFY(p_->boxes.boxes.empty() && settings);
        // And the sequence itself ended as it should.
        QCOMPARE(FindControl<QPushButton>(settings, 1501)->text(),
                 UiText(send ? TextId::CalOn : TextId::CalOff));
        QVERIFY(send || p_->SimReceived("CAL 0 1"));
    }

    // The worker's outcome was queued before the disconnect was handled: it belongs to a link
    // that is gone, and neither re-arms the poll nor runs a step over the fresh menu.
    void messagesOfALinkThatIsGoneAreDropped_data() {
        QTest::addColumn<int>("message");
        QTest::newRow("poll done") << int{UM_POLL_DONE};
        QTest::newRow("read-all step") << int{UM_SETTINGS_READ};
    }

    void messagesOfALinkThatIsGoneAreDropped() {
        QFETCH(int, message);
        Connect({}, 1000);
        PostToMain(UM_DISCONNECT);
        p_->App().router.Post(kMainWindowHandle, static_cast<std::uint32_t>(message), 0, 0);
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
        QTest::qWait(1500); // a poll period and a reply time-out
        QVERIFY(p_->boxes.boxes.empty());
        QVERIFY(p_->Menu()->isEnabled() && !p_->App().windows.processingDialog);
    }

    // Ctrl+V shows the version and keeps the link; reset and reboot ask first.
    void controlKeysShowTheVersionAndAskBeforeAReset() {
        Connect();
        p_->PressControl(Qt::Key_V);
        QVERIFY(WaitFor([&] { return p_->BoxShown("VA-48\nVersion 1.02"); }));
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
        p_->boxes.answer = BoxAnswer::No;
        p_->PressControl(Qt::Key_R);
        QVERIFY(WaitFor([&] { return p_->BoxShown(UiText(TextId::AskSendReset)); }));
        p_->PressControl(Qt::Key_B);
        QVERIFY(WaitFor([&] { return p_->BoxShown(UiText(TextId::AskReboot)); }));
        QTest::qWait(300);
        QVERIFY(!p_->SimReceived("RES"));
        QVERIFY(!p_->SimReceived("UPD 3"));
        QVERIFY(p_->SettingsShown());
        QVERIFY(p_->App().session->Handle() != kNoConnection);

        p_->boxes.answer = BoxAnswer::Yes;
        p_->PressControl(Qt::Key_R);
        QVERIFY(WaitFor([&] { return p_->BoxShown(UiText(TextId::ResetCompleted)); }));
        QVERIFY(p_->SimReceived("RES"));
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
    }

    void theReplyTimeDialogRunsRoundTrips() {
        Start({});
        QTest::keyClick(p_->Menu(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(WaitFor([&] { return p_->App().windows.replyTimeDialog != nullptr; }));
        const QPointer<ReplyTimeDialog> dialog = p_->App().windows.replyTimeDialog.data();
        QVERIFY(!p_->Menu());
        FindControl<QLineEdit>(dialog, 1038)->setText("5");
        QTest::mouseClick(FindControl<QPushButton>(dialog, 1037), Qt::LeftButton);
        QVERIFY(
            WaitFor([&] { return dialog && FindControl<QLineEdit>(dialog, 1039)->text() == "5"; }));
        QCOMPARE(std::ranges::count(p_->sim->ReceivedRequests(), std::string(kTestText)), 5);
        QTest::mouseClick(FindControl<QPushButton>(dialog, 1036), Qt::LeftButton);
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
    }

    // Two amplifiers on USB: the first connect asks which (the person picks the simulated one by
    // its serial number), the next finds it again without asking.
    void twoUsbAmplifiersAskOnceWhichToUse() {
        Start({}, 3000, true);
        p_->usbTree->Add(std::filesystem::path(p_->sim->PtyPath()).parent_path() / "ttyVA48other",
                         "OTHER-2");
        QStringList offered;
        ModalAnswerer answer([&](QDialog& dialog) {
            auto* list = dialog.findChild<QListWidget*>();
            for (int row = 0; list && row < list->count(); ++row) {
                offered << list->item(row)->text();
                if (offered.back().endsWith(QLatin1String(ProgramOnSim::kSimSerialNumber))) {
                    list->setCurrentRow(row);
                }
            }
            return int(QDialog::Accepted);
        });
        for (int connect = 1; connect <= 2; ++connect) {
            QTest::mouseClick(FindControl<QPushButton>(p_->Menu(), 1011), Qt::LeftButton);
            QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
            QCOMPARE(offered.size(), 2); // asked the first time only
            QPointer<SettingsWindow> settings = p_->Settings();
            settings->close();
            QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
        }
        QVERIFY(offered.join(' ').contains(QStringLiteral("OTHER-2")));
        QCOMPARE(SettingsFile(p_->install.Settings()).ReadString("USB", "SerialNumber", ""),
                 std::string(ProgramOnSim::kSimSerialNumber));
    }

    void theLanSettingDialogWritesIpaOnlyWhenAnAmplifierFieldChanged() {
        Start({}, 3000, true);
        const auto runLanDialog = [&](int changedField, const QString& text) {
            bool answered = false;
            ModalAnswerer answer([&](QDialog& dialog) {
                answered = true;
                dialog.setWindowModality(Qt::ApplicationModal); // as exec() would
                dialog.show();
                auto* field =
                    dynamic_cast<IpAddressField*>(FindControl<QWidget>(&dialog, changedField));
                if (!field || !field->isEnabled()) {
                    return -1;
                }
                field->Part(3)->setFocus();
                field->Part(3)->selectAll();
                QTest::keyClick(field->Part(3), Qt::Key_Backspace);
                QTest::keyClicks(field->Part(3), text);
                QTest::mouseClick(FindControl<QPushButton>(&dialog, 1111), Qt::LeftButton);
                return dialog.result();
            });
            QTest::mouseClick(FindControl<QPushButton>(p_->Menu(), 1013), Qt::LeftButton);
            return WaitFor([&] { return answered && p_->BackAtTheMenu(); });
        };

        // Only the connect address: saved, and no IPA write.
        QVERIFY(runLanDialog(1110, "77"));
        QVERIFY(p_->SimReceived("IPA?"));
        QCOMPARE(p_->App().link.lanAddress, (std::array<std::uint8_t, 4>{127, 0, 0, 77}));
        QVERIFY(ReadFile(p_->install.Settings()).find("IPAddress=127.0.0.77") != std::string::npos);
        for (const std::string& request : p_->sim->ReceivedRequests()) {
            QVERIFY(request.rfind("IPA ", 0) != 0);
        }

        // The amplifier's mask: written with IPA.
        QVERIFY(runLanDialog(1105, "128"));
        QVERIFY(WaitFor(
            [&] { return p_->SimReceived("IPA 192 168 1 10 255 255 255 128 192 168 1 1"); }));
        QVERIFY(p_->boxes.boxes.empty());
    }

    void everyFailureEndsInItsMessageAndTheMenu_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<Step>("step");
        QTest::addColumn<TextId>("message");
        const Step connect = Step::Connect;
        QTest::newRow("no module fitted")
            << QStringList{"--layout", "0000000000000000"} << connect << TextId::NoConnectedDevice;
        QTest::newRow("NAK while reading")
            << QStringList{"--nak", "UHC:0002"} << connect << TextId::StatusParameter;
        QTest::newRow("flooded link")
            << QStringList{"--flood", "SET"} << connect << TextId::CommunicationError;
        QTest::newRow("no reply") << QStringList{"--silent", "TDS"} << connect
                                  << TextId::ReplyTimeout;
        QTest::newRow("nothing listening")
            << QStringList{} << Step::NothingListens << TextId::NotConnected;
        QTest::newRow("version too long for the device image")
            << QStringList{"--version", "1.02.003"} << Step::VersionKey << TextId::IllegalDataVer;
    }

    void everyFailureEndsInItsMessageAndTheMenu() {
        QFETCH(QStringList, simArgs);
        QFETCH(Step, step);
        QFETCH(TextId, message);
        std::vector<std::string> args;
        for (const QString& arg : simArgs) {
            args.push_back(arg.toStdString());
        }
        Start(args, 1000);
        if (step == Step::NothingListens) {
            p_->sim->Stop(); // the settings file still names its port
        }
        if (step == Step::VersionKey) {
            QVERIFY(p_->ConnectLan());
            p_->PressControl(Qt::Key_V);
        } else {
            p_->PressLan();
        }
        // A code without a text of its own in the window language shows the general error text.
        const QString text =
            UiText(message).isEmpty() ? UiText(TextId::OtherError) : UiText(message);
        QVERIFY(WaitFor([&] { return p_->BoxShown(text); }));
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu() && p_->Menu()->isEnabled(); }));
    }

    // The windows speak the system language; Space on the focused LAN button connects as a
    // click does.
    void theMenuSpeaksTheSystemLanguageAndTakesSpaceOnAButton() {
        Start({});
        QCOMPARE(UiLanguage(), SystemLanguage());
        QCOMPARE(UiText(TextId::ProcessingConnect), SystemLanguage() == Language::Japanese
                                                        ? QString::fromUtf8("通信中です...")
                                                        : QStringLiteral("Processing..."));
        QCOMPARE(p_->Menu()->windowTitle(), QStringLiteral("VA-48Viewer"));
        auto* lan = FindControl<QPushButton>(p_->Menu(), 1012);
        lan->setFocus();
        QTest::keyClick(lan, Qt::Key_Space);
        QVERIFY(WaitFor([&] { return p_->SettingsShown(); }));
    }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
