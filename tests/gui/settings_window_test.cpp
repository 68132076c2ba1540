#include "app/app_context.h"
#include "editor/input_page.h"
#include "editor/level_display.h"
#include "editor/measure_page.h"
#include "editor/settings_window.h"
#include "editor/status_line.h"
#include "editor/user_filter_page.h"
#include "tests/support/channels.h"
#include "tests/support/gui_support.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <algorithm>
#include <array>

using namespace va48;
using namespace va48::level_setup;

namespace {

// The colour a value box paints just inside its sunken edge.
QColor BoxColour(QLabel* box) {
    return box->grab().toImage().pixelColor(4, box->height() / 2);
}

// The pages carry no meta-object of their own, so findChild cannot tell them apart.
template <typename Page>
Page* FindPage(const QWidget* window) {
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (auto* page = dynamic_cast<Page*>(child)) {
            return page;
        }
    }
    return nullptr;
}

std::array<QWidget*, 3> Pages(const QWidget* window) {
    return {FindPage<InputPage>(window), FindPage<MeasurePage>(window),
            FindPage<UserFilterPage>(window)};
}

QList<bool> Shown(const QWidget* window) {
    QList<bool> shown;
    for (const QWidget* page : Pages(window)) {
        shown << page->isVisible();
    }
    return shown;
}

enum : int { kCal = 1501, kSend = 1502, kCancel = 1503 };

QPushButton* Button(const QWidget* window, int id) {
    return FindControl<QPushButton>(window, id);
}

// The CAL button's text, then the bottom buttons that can be pressed.
QString Buttons(const QWidget* window) {
    QPushButton* cal = Button(window, kCal);
    return cal->text() + ":" + (cal->isEnabled() ? " CAL" : "") +
           (Button(window, kSend)->isEnabled() ? " SEND" : "") +
           (Button(window, kCancel)->isEnabled() ? " CANCEL" : "");
}

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

    TestProgram program_;

  private slots:
    void init() { program_.Reset(); }

    // A screen reader gets each control's row and column, and a level box's shown value (a
    // combo box's accessible name is its current text, so lists say where they are otherwise).
    void controlsCanBeReadAloud() {
        SettingsWindow window(App().Editor());
        LevelDisplay* levels = window.Levels();
        QCOMPARE(levels->ValueBox(0), nullptr);
        QCOMPARE(levels->ValueBox(17), nullptr);
        QCOMPARE(levels->ValueBox(3)->accessibleName(), QStringLiteral("No.3 level"));
        QCOMPARE(levels->UnitLabel(3)->accessibleName(), QStringLiteral("No.3 unit"));
        App().device.channels[2] = Reading(905);
        levels->ShowLevels();
        QCOMPARE(levels->ValueBox(3)->accessibleDescription(), QStringLiteral("90.5"));
        QCOMPARE(FindControl<QComboBox>(&window, 4202)->accessibleDescription(),
                 QStringLiteral("No.3 INPUT"));
    }

    void pollShowsLevelsAndReloadClearsThem() {
        SettingsWindow window(App().Editor());
        LevelDisplay* levels = window.Levels();
        App().device.channels[0] = Reading(905);
        App().device.channels[1] = Reading(1234, 3, 1, 0, 1); // scale outside the tables

        SendWindowMessage(&window, UM_DATA_POLLED);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("90.5"));
        QVERIFY(levels->UnitLabel(1)->text().contains(QStringLiteral("dB")));
        QCOMPARE(levels->ValueBox(2)->text(), QStringLiteral("- - -"));
        QVERIFY(levels->UnitLabel(2)->text().isEmpty());
        QCOMPARE(levels->ValueBox(16)->text(), QStringLiteral("- - -"));

        SendWindowMessage(&window, UM_SETTINGS_LOADED);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("- - -"));
        QVERIFY(levels->UnitLabel(1)->text().isEmpty());
    }

    void redLampHoldsForOneSecondAfterItsConditionEnds() {
        LevelDisplay levels(nullptr, App().device, App().editor);
        ChannelSettings& channel = App().device.channels[4];
        channel = Reading(905);

        for (const int red : {1, 1, 0}) {
            channel.reading = Lamps(red, 0);
            levels.ShowLevels();
            QCOMPARE(channel.lamp, kLampRed);
        }
        QVERIFY(WaitFor([&] { return channel.lamp == kLampNormal; }));
    }

    void lampColours() {
        const std::pair<std::uint32_t, QColor> rows[] = {{kLampNormal, QColor(Qt::white)},
                                                         {kLampRed, QColor(255, 0, 0)},
                                                         {kLampCyan, QColor(0, 255, 255)},
                                                         {kLampOff, QColor()}};
        for (const auto& [lamp, colour] : rows) {
            LevelDisplay levels(nullptr, App().device, App().editor);
            App().device.channels[2].lamp = lamp;
            QCOMPARE(BoxColour(levels.ValueBox(3)),
                     colour.isValid() ? colour : levels.palette().color(QPalette::Window));
        }
    }

    void busyHidesEveryValue() {
        LevelDisplay levels(nullptr, App().device, App().editor);
        App().device.channels[0] = Reading(905);
        App().device.channels[0].lamp = kLampRed;
        levels.ShowLevels();
        QCOMPARE(levels.ValueBox(1)->text(), QStringLiteral("90.5"));

        App().editor.busy = true;
        const QColor colour = BoxColour(levels.ValueBox(1));
        App().editor.busy = false;
        QCOMPARE(levels.ValueBox(1)->text(), QStringLiteral("- - -"));
        QVERIFY(levels.UnitLabel(1)->text().isEmpty());
        QCOMPARE(colour, levels.palette().color(QPalette::Window));
    }

    void opensOnTheInputPage() {
        SettingsWindow window(App().Editor());
        QCOMPARE(Shown(&window), QList<bool>({true, false, false}));
        QVERIFY(window.Levels()->isVisible());
    }

    void buttonRule() {
        const struct {
            bool modified;
            bool calibrating;
            const char* buttons;
        } rows[] = {{false, false, "CAL ON: CAL"},
                    {true, false, "CAL ON: SEND CANCEL"},
                    {false, true, "CAL OFF: CAL"},
                    {true, true, "CAL OFF:"}};
        for (const auto& row : rows) {
            App().editor = EditorState{};
            SettingsWindow window(App().Editor());
            if (row.modified) {
                SendWindowMessage(&window, UM_SETTINGS_EDITED);
            }
            App().device.calibrationOn = row.calibrating ? 1 : 0;
            SendWindowMessage(&window, UM_CAL_CHANGED);
            QCOMPARE(Buttons(&window), QString(row.buttons));
            QCOMPARE(Button(&window, kCal)->accessibleName(), Button(&window, kCal)->text());
            for (const QWidget* page : Pages(&window)) {
                QCOMPARE(page->isEnabled(), !row.calibrating);
            }
        }
    }

    void shortcutRefusedWhileEditsAreUnsent() {
        BoxRecorder boxes;
        SettingsWindow window(App().Editor());
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 8, 1);
        QVERIFY(boxes.boxes.empty());

        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        for (const std::uintptr_t code : {8, 12, 21, 18, 2, 22}) {
            SendWindowMessage(&window, WM_CHAR_MESSAGE, code, 1);
        }
        QCOMPARE(boxes.boxes.size(), std::size_t{6});
        QCOMPARE(boxes.boxes[0].text, UiText(TextId::ActionRefusedWhileEditing));
        QCOMPARE(boxes.boxes[0].owner, &window);

        // Backspace, and Ctrl with a letter that is no shortcut, are typing.
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 8, 0);
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 1, 1);
        QCOMPARE(boxes.boxes.size(), std::size_t{6});
    }

    // Each Device item runs its key's operation and meets the same refusal; the status line
    // follows the window from ready to sending and reading and back.
    void deviceMenuAndStatusLine() {
        std::vector<std::uint32_t> told;
        EditorContext context = App().Editor();
        context.tellMain = [&told](std::uint32_t message) { told.push_back(message); };
        context.describeLink = [] { return std::string("LAN 127.0.0.1:2255"); };
        QPointer<SettingsWindow> window = new SettingsWindow(context);
        BoxRecorder boxes;
        const std::pair<const char*, std::uint32_t> items[] = {
            {"deviceVersion", UM_READ_VERSION},  {"deviceReset", UM_RESET_REQUEST},
            {"deviceReboot", UM_REBOOT_REQUEST}, {"deviceHpf", UM_OPEN_HPF_DIALOG},
            {"deviceLpf", UM_OPEN_LPF_DIALOG},   {"deviceUpdate", UM_OPEN_UPDATE_DIALOG}};
        for (const auto& [name, message] : items) {
            auto* action = window->findChild<QAction*>(QString::fromLatin1(name));
            QVERIFY2(action && action->text().contains(QStringLiteral("Ctrl+")), name);
            action->trigger();
            QCOMPARE(told.back(), message);
        }
        SendWindowMessage(window, UM_SETTINGS_EDITED);
        window->findChild<QAction*>(QStringLiteral("deviceReset"))->trigger();
        QCOMPARE(told.size(), std::size(items));
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, UiText(TextId::ActionRefusedWhileEditing));

        StatusLine* status = window->Status();
        QCOMPARE(status->LinkText(), QStringLiteral("LAN 127.0.0.1:2255"));
        QCOMPARE(status->StateText(), UiText(TextId::StatusReady));
        QVERIFY(status->FirmwareText().isEmpty());
        QTest::mouseClick(Button(window, kSend), Qt::LeftButton);
        QCOMPARE(status->StateText(), UiText(TextId::StatusSending));
        window->setEnabled(false);
        QCOMPARE(status->StateText(), UiText(TextId::StatusSending));
        window->Reload();
        QCOMPARE(status->StateText(), UiText(TextId::StatusReading));
        std::ranges::copy(std::string_view("1.02"), App().device.deviceVersion.begin());
        window->setEnabled(true);
        QCOMPARE(status->StateText(), UiText(TextId::StatusReady));
        QVERIFY(status->FirmwareText().contains(QStringLiteral("1.02")));
        delete window.data();
    }

    void cancelRestoresTheDeviceSetup() {
        SettingsWindow window(App().Editor());
        for (ChannelSettings& channel : App().device.channels) {
            channel.deviceSetup.sensitivity = 250;
            channel.editSetup = channel.deviceSetup;
        }
        App().device.channels[0].editSetup.sensitivity = 300;
        App().device.channels[15].editSetup.hpfIndex = -2;
        SendWindowMessage(&window, UM_SETTINGS_EDITED);

        Button(&window, kCancel)->click();
        for (const ChannelSettings& channel : App().device.channels) {
            QCOMPARE(channel.editSetup, channel.deviceSetup);
        }
        QVERIFY(!App().editor.settingsModified);
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON: CAL"));
    }

    void sendLocksTheButtonsUntilTheReload() {
        SettingsWindow window(App().Editor());
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        Button(&window, kSend)->click();
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON:"));
        App().editor.settingsModified = false;
        SendWindowMessage(&window, UM_SETTINGS_LOADED);
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON: CAL"));
    }

    void tabsLockedWhileEdited() {
        SettingsWindow window(App().Editor());
        auto* tabs = FindControl<QTabBar>(&window, 1500);
        tabs->setCurrentIndex(2);
        QCOMPARE(Shown(&window), QList<bool>({false, false, true}));

        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        tabs->setCurrentIndex(1);
        QCOMPARE(tabs->currentIndex(), 2);
        QCOMPARE(Shown(&window), QList<bool>({false, false, true}));

        Button(&window, kCancel)->click();
        tabs->setCurrentIndex(1);
        QCOMPARE(Shown(&window), QList<bool>({false, true, false}));
    }

    void closeRefusedWhileEditsAreUnsent() {
        BoxRecorder boxes;
        SettingsWindow window(App().Editor());
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, UiText(TextId::CloseRefusedWhileEditing));

        // Escape is no way round it either.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
    }

    void closeDestroysTheWindowAndItsHandle() {
        auto* window = new SettingsWindow(App().Editor());
        App().windows.settingsWindow = window;
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(App().windows.settingsWindow.isNull());
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
