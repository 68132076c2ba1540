// The settings window: levels and lamps, the button rule, what is refused while edits are unsent;
// and its input page driven by keys and clicks (its Tab order is in the pages suite).
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
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <array>

using namespace va48;
using namespace va48::level_setup;
using namespace va48::input_setup;

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

constexpr int kListBase = 4200;
constexpr int kFieldBase = 4300;
constexpr int kSpinBase = 4400;
constexpr int kUnitBase = 4500;

const QString kAboveMaximum = QStringLiteral("The maximum value is exceeded.");

// How a sensitivity edit ends: the field left with Tab, or a click on a spin arrow. The value
// rules are tested in the Qt-free suites (input rules, value entry); these rows are the ways a
// person commits an edit and meets a refusal.
enum class Commit { Leave, Up, Down };

const struct CommitCase {
    const char* name;
    std::uint8_t kind;
    std::uint16_t value; // as loaded
    std::uint8_t exponent;
    const char* typed; // null: the field as loaded
    Commit commit;
    int newValue;
    int newExponent;
    const char* shown;
    QString message; // empty: none
} kCommitCases[] = {
    {"vibration 5", kVibrationModule, 300, 0, "5", Commit::Leave, 500, 1, "5.00", {}},
    {"vibration 150", kVibrationModule, 300, 0, "150", Commit::Leave, 999, 2, "99.9",
     kAboveMaximum},
    {"10.0 down", kVibrationModule, 100, 2, nullptr, Commit::Down, 999, 1, "9.99", {}},
    {"typed, not yet left, up", kVibrationModule, 500, 1, "150", Commit::Up, 999, 2, "99.9", {}},
    {"left unchanged", kSoundModule, 250, 0, nullptr, Commit::Leave, 250, 0, "-25.0", {}},
};

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

    TestProgram program_;
    SettingsUnderTest settings_;

    void Reload() { settings_.Reload(); }
    template <typename T>
    T* Control(int base, int number) const {
        return FindControl<T>(settings_.Window(), base + number - 1);
    }
    QComboBox* List(int number) const { return Control<QComboBox>(kListBase, number); }
    QLineEdit* Field(int number) const { return Control<QLineEdit>(kFieldBase, number); }
    QString Unit(int number) const { return Control<QLabel>(kUnitBase, number)->text(); }
    QPushButton* Send() const { return Button(settings_.Window(), kSend); }
    bool Locked(int number) const {
        return !Field(number)->isEnabled() && !Arrow(number, true)->isEnabled() &&
               !Arrow(number, false)->isEnabled();
    }
    void Leave(int number) { QTest::keyClick(Field(number), Qt::Key_Tab); }

    void OpenPage() { QVERIFY(settings_.Open()); }
    QToolButton* Arrow(int number, bool up) const {
        const auto arrows =
            settings_.Window()->findChildren<QToolButton*>(QString::number(kSpinBase + number - 1));
        for (QToolButton* arrow : arrows) {
            if ((arrow->arrowType() == Qt::UpArrow) == up) {
                return arrow;
            }
        }
        return nullptr;
    }
    void Type(int number, const QString& text) {
        QLineEdit* field = Field(number);
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_End);
        for (qsizetype i = field->text().size(); i > 0; --i) {
            QTest::keyClick(field, Qt::Key_Backspace);
        }
        QTest::keyClicks(field, text);
    }

  private slots:
    void init() { program_.Reset(); }
    void cleanup() { settings_.Close(); }

    // A poll shows each level with its unit and lamp colour, read aloud too (a combo box's
    // accessible name is its current text, so lists say where they are otherwise); a running
    // sequence and a reload blank them.
    void levelsFollowThePollsUntilBusyOrReloaded() {
        SettingsWindow window(App().Editor());
        LevelDisplay* levels = window.Levels();
        QCOMPARE(levels->ValueBox(0), nullptr);
        QCOMPARE(levels->ValueBox(17), nullptr);
        App().device.channels[0] = Reading(905);
        App().device.channels[1] = Reading(1234, 3, 1, 0, 1); // scale outside the tables
        SendWindowMessage(&window, UM_DATA_POLLED);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("90.5"));
        QVERIFY(levels->UnitLabel(1)->text().contains(QStringLiteral("dB")));
        QCOMPARE(levels->ValueBox(2)->text(), QStringLiteral("- - -"));
        QVERIFY(levels->UnitLabel(2)->text().isEmpty());
        QCOMPARE(levels->ValueBox(1)->accessibleName(), QStringLiteral("No.1 level"));
        QCOMPARE(levels->UnitLabel(1)->accessibleName(), QStringLiteral("No.1 unit"));
        QCOMPARE(levels->ValueBox(1)->accessibleDescription(), QStringLiteral("90.5"));
        QCOMPARE(FindControl<QComboBox>(&window, 4202)->accessibleDescription(),
                 QStringLiteral("No.3 INPUT"));

        const QColor background = levels->palette().color(QPalette::Window);
        const std::pair<std::uint32_t, QColor> lamps[] = {{kLampNormal, QColor(Qt::white)},
                                                          {kLampRed, QColor(255, 0, 0)},
                                                          {kLampCyan, QColor(0, 255, 255)},
                                                          {kLampOff, background}};
        for (const auto& [lamp, colour] : lamps) {
            App().device.channels[0].lamp = lamp;
            QCOMPARE(BoxColour(levels->ValueBox(1)), colour);
        }
        App().device.channels[0].lamp = kLampRed;
        App().editor.busy = true;
        const QColor busy = BoxColour(levels->ValueBox(1));
        App().editor.busy = false;
        QCOMPARE(busy, background);
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("- - -"));
        QVERIFY(levels->UnitLabel(1)->text().isEmpty());

        levels->ShowLevels();
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("90.5"));
        SendWindowMessage(&window, UM_SETTINGS_LOADED);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("- - -"));
        QVERIFY(levels->UnitLabel(1)->text().isEmpty());
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

    // Shortcuts, the close box and Escape are refused while edits are unsent.
    void refusedWhileEditsAreUnsent() {
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

        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(boxes.boxes.size(), std::size_t{7});
        QCOMPARE(boxes.boxes[6].text, UiText(TextId::CloseRefusedWhileEditing));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
    }

    // Each Device item runs its key's operation (the refusal above is theirs too); the status line
    // follows the window from ready to sending and reading and back, the buttons locked from the
    // send until the reload.
    void deviceMenuAndStatusLine() {
        std::vector<std::uint32_t> told;
        EditorContext context = App().Editor();
        context.tellMain = [&told](std::uint32_t message) { told.push_back(message); };
        context.describeLink = [] { return std::string("LAN 127.0.0.1:2255"); };
        QPointer<SettingsWindow> window = new SettingsWindow(context);
        const BoxRecorder boxes;
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

        StatusLine* status = window->Status();
        QCOMPARE(status->LinkText(), QStringLiteral("LAN 127.0.0.1:2255"));
        QCOMPARE(status->StateText(), UiText(TextId::StatusReady));
        QVERIFY(status->FirmwareText().isEmpty());
        SendWindowMessage(window, UM_SETTINGS_EDITED);
        QTest::mouseClick(Button(window, kSend), Qt::LeftButton);
        QCOMPARE(status->StateText(), UiText(TextId::StatusSending));
        QCOMPARE(Buttons(window), QStringLiteral("CAL ON:")); // locked until the reload
        window->setEnabled(false);
        QCOMPARE(status->StateText(), UiText(TextId::StatusSending));
        window->Reload();
        QCOMPARE(status->StateText(), UiText(TextId::StatusReading));
        std::ranges::copy(std::string_view("1.02"), App().device.deviceVersion.begin());
        window->setEnabled(true);
        QCOMPARE(status->StateText(), UiText(TextId::StatusReady));
        QVERIFY(status->FirmwareText().contains(QStringLiteral("1.02")));
        App().editor.settingsModified = false;
        SendWindowMessage(window, UM_SETTINGS_LOADED);
        QCOMPARE(Buttons(window), QStringLiteral("CAL ON: CAL"));
        delete window.data();
    }

    // It opens on the input page; an edit locks the tabs until Cancel restores the device setup.
    void cancelUnlocksTheTabsAndRestoresTheDeviceSetup() {
        SettingsWindow window(App().Editor());
        QCOMPARE(Shown(&window), QList<bool>({true, false, false}));
        QVERIFY(window.Levels()->isVisible());
        auto* tabs = FindControl<QTabBar>(&window, 1500);
        tabs->setCurrentIndex(2);
        QCOMPARE(Shown(&window), QList<bool>({false, false, true}));

        for (ChannelSettings& channel : App().device.channels) {
            channel.deviceSetup.sensitivity = 250;
            channel.editSetup = channel.deviceSetup;
        }
        App().device.channels[0].editSetup.sensitivity = 300;
        App().device.channels[15].editSetup.hpfIndex = -2;
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        tabs->setCurrentIndex(1);
        QCOMPARE(tabs->currentIndex(), 2);
        QCOMPARE(Shown(&window), QList<bool>({false, false, true}));

        Button(&window, kCancel)->click();
        for (const ChannelSettings& channel : App().device.channels) {
            QCOMPARE(channel.editSetup, channel.deviceSetup);
        }
        QVERIFY(!App().editor.settingsModified);
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON: CAL"));
        tabs->setCurrentIndex(1);
        QCOMPARE(Shown(&window), QList<bool>({false, true, false}));
    }

    void reloadShowsEveryKindOfRow() {
        Channel(2) = Sound(5, 250);
        Channel(3) = Vibration(2, 316, 1);
        Channel(4) = Vibration(12, 500, 0);
        Channel(4).edited = 1; // from before the read: the reload forgets it
        OpenPage();

        QCOMPARE(Texts(List(1)), QStringList{"- - -"});
        QCOMPARE(Field(1)->text(), QStringLiteral("- - -"));
        QVERIFY(!List(1)->isEnabled() && Locked(1) && Unit(1).isEmpty());

        QCOMPARE(Texts(List(2)), (QStringList{"FRONT", "REAR CCLD", "REAR CCLD TEDS"}));
        QCOMPARE(List(2)->currentIndex(), 1);
        QCOMPARE(Field(2)->text(), QStringLiteral("-25.0"));
        QVERIFY(Field(2)->isEnabled() && Arrow(2, false)->isEnabled());
        QCOMPARE(Unit(2), QStringLiteral("dB/pa"));

        QCOMPARE(Texts(List(3)),
                 (QStringList{"FRONT CHARGE", "FRONT CCLD", "FRONT CCLD TEDS", "REAR"}));
        QCOMPARE(List(3)->currentIndex(), 0);
        QCOMPARE(Field(3)->text(), QStringLiteral("3.16"));
        QVERIFY(Unit(3).startsWith(QStringLiteral("pC/m/s<span")) && Unit(3).contains("super"));

        QCOMPARE(List(4)->currentIndex(), 2);
        QCOMPARE(Field(4)->text(), QStringLiteral("0.500"));
        QVERIFY(Locked(4) && List(4)->isEnabled());
        QCOMPARE(Channel(4).edited, 0u);
        QCOMPARE(Channel(4).tedsInput, 1u);
        QVERIFY(!App().editor.settingsModified);
    }

    void sensitivityEditIsCommitted_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(kCommitCases)); ++i) {
            QTest::newRow(kCommitCases[i].name) << i;
        }
    }

    void sensitivityEditIsCommitted() {
        QFETCH(int, index);
        const CommitCase& row = kCommitCases[index];
        BoxRecorder boxes;
        Channel(2) = Module(row.kind, row.kind == kSoundModule ? 0 : 2, row.value, row.exponent);
        OpenPage();
        if (row.typed) {
            Type(2, QString::fromLatin1(row.typed));
        } else if (row.commit == Commit::Leave) {
            QTest::mouseClick(Field(2), Qt::LeftButton);
        }
        QCOMPARE(App().editor.settingsModified, row.typed != nullptr); // typing alone is an edit

        if (row.commit == Commit::Leave) {
            Leave(2);
        } else {
            QTest::mouseClick(Arrow(2, row.commit == Commit::Up), Qt::LeftButton);
        }

        const ChannelSetup& setup = Channel(2).editSetup;
        QCOMPARE(int(setup.sensitivity), row.newValue);
        QCOMPARE(int(setup.sensitivityExp), row.newExponent);
        QCOMPARE(Field(2)->text(), QString::fromLatin1(row.shown));
        QCOMPARE(Channel(2).deviceSetup.sensitivity, row.value);
        QVERIFY(App().editor.settingsModified && Send()->isEnabled());
        QCOMPARE(Channel(2).edited, 1u);
        QCOMPARE(boxes.boxes.size(), std::size_t{row.message.isEmpty() ? 0u : 1u});
        if (!row.message.isEmpty()) {
            QCOMPARE(boxes.boxes[0].text, row.message);
            QCOMPARE(boxes.boxes[0].owner, settings_.Window());
            QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);
            QCOMPARE(QApplication::focusWidget(), Field(2));
        } else if (row.commit == Commit::Leave) {
            // Past the rows without a module, round to the only other control that takes the focus.
            QCOMPARE(QApplication::focusWidget(), List(2));
        }
    }

    void emptyFieldIsRefusedOnceAndKeepsTheFocus() {
        BoxRecorder boxes;
        Channel(1) = Vibration(4, 316, 1);
        Channel(2) = Vibration(4, 500, 2);
        OpenPage();

        Type(1, QString());
        QCOMPARE(Field(1)->text(), QString());
        // Into the neighbouring field: the refusal takes the focus back from it without the
        // neighbour counting as left, so there is one message and no ping-pong.
        QTest::mouseClick(Field(2), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("Input Value."));
        QCOMPARE(QApplication::focusWidget(), Field(1));
        QCOMPARE(int(Channel(1).editSetup.sensitivity), 316);
        QCOMPARE(Channel(2).edited, 0u);

        Leave(1);
        QCOMPARE(boxes.boxes.size(), std::size_t{2});
        QCOMPARE(QApplication::focusWidget(), Field(1));

        QTest::keyClicks(Field(1), "2");
        Leave(1);
        QCOMPARE(boxes.boxes.size(), std::size_t{2});
        QCOMPARE(QApplication::focusWidget(), List(2));
        QCOMPARE(int(Channel(1).editSetup.sensitivity), 200);
        QCOMPARE(int(Channel(1).editSetup.sensitivityExp), 1);
    }

    void anotherWindowComingUpIsNoLeaving() {
        BoxRecorder boxes;
        Channel(1) = Vibration(2, 500, 1);
        OpenPage();
        Type(1, QStringLiteral("150"));

        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(boxes.boxes.size(), std::size_t{0});
        QCOMPARE(int(Channel(1).editSetup.sensitivity), 500);

        settings_.Window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(settings_.Window()));
        QCOMPARE(QApplication::focusWidget(), Field(1));
        Leave(1);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(int(Channel(1).editSetup.sensitivity), 999);
    }

    void charactersReachOnlyOpenFields() {
        Channel(1) = Vibration(8, 500, 1); // TEDS flag without CCLD: open, but typing is dropped
        Channel(2) = Sound(0, 250);
        OpenPage();

        QTest::mouseClick(Field(1), Qt::LeftButton);
        QTest::keyClicks(Field(1), "7");
        QCOMPARE(Field(1)->text(), QStringLiteral("5.00"));

        // A typed letter would pick a list item by its first character; here it is no choice.
        List(2)->setFocus();
        QTest::keyClicks(List(2), "R5");
        QCOMPARE(List(2)->currentIndex(), 0);
        QCOMPARE(Field(2)->text(), QStringLiteral("-25.0"));
        QCOMPARE(Channel(2).editSetup, Channel(2).deviceSetup);
    }

    // Connector flags no row of the list stands for get an item of their own (which, is the
    // rules' suite's); SEND names the first such channel and sends nothing, and the extra item
    // goes once a listed one is chosen.
    void unlistedConnectorStopsTheSend() {
        BoxRecorder boxes;
        Channel(1) = Sound(7, 250); // rear, charge and CCLD
        Channel(2) = Vibration(4, 500, 1);
        Channel(5) = Vibration(8, 500, 1); // TEDS alone
        OpenPage();
        const QStringList listed = {"FRONT", "REAR CCLD", "REAR CCLD TEDS"};
        QCOMPARE(Texts(List(1)), listed + QStringList{"REAR"});
        QCOMPARE(List(1)->currentIndex(), 3);
        QVERIFY(Unit(1).isEmpty());
        QCOMPARE(List(5)->currentText(), QStringLiteral("FRONT"));
        QCOMPARE(List(5)->count(), 5);
        Choose(List(1), 3); // the extra item again: nothing to change
        QCOMPARE(ConnectorFlags(Channel(1).editSetup), 7);
        QCOMPARE(List(1)->count(), 4);

        Choose(List(2), 0);
        QTest::mouseClick(Send(), Qt::LeftButton);
        QCOMPARE(boxes.Texts(), QStringList{"Confirm the INPUT value.(No.1)"});
        QCOMPARE(QApplication::focusWidget(), List(1));
        QVERIFY(Send()->isEnabled()); // nothing was sent

        Choose(List(1), 0);
        QCOMPARE(Texts(List(1)), listed);
        QCOMPARE(ConnectorFlags(Channel(1).editSetup), 0);
        QCOMPARE(Unit(1), QStringLiteral("dB/pa"));
        Choose(List(5), 1);
        QTest::mouseClick(Send(), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QVERIFY(!Send()->isEnabled()); // the send is on its way
    }

    void shiftCopiesTheChoiceWithinTheModuleKind() {
        Channel(1) = Sound(0, 250);
        Channel(2) = Vibration(4, 500, 1);
        Channel(3) = Sound(5, 250);
        Channel(5) = Sound(7, 250); // extra "REAR" item: it goes like a choice of the user's
        Channel(7) = Vibration(2, 500, 1);
        OpenPage();

        Choose(List(1), 2, Qt::ShiftModifier); // REAR CCLD TEDS
        for (int number : {1, 3, 5}) {
            QCOMPARE(ConnectorFlags(Channel(number).editSetup), 13);
            QCOMPARE(List(number)->currentIndex(), 2);
            QCOMPARE(List(number)->count(), 3);
            QCOMPARE(Field(number)->text(), QString());
            QCOMPARE(Channel(number).edited, 1u);
        }
        for (int number : {2, 7}) {
            QCOMPARE(Channel(number).editSetup, Channel(number).deviceSetup);
            QCOMPARE(Channel(number).edited, 0u);
            QVERIFY(Field(number)->isEnabled());
        }
        QCOMPARE(Texts(List(4)), QStringList{"- - -"});
        QCOMPARE(Channel(3).tedsInput, 1u);
        QVERIFY(Locked(3));

        // The read after the send brings the sensor's value: shown, still locked; back on REAR
        // CCLD the field is open again, with that value.
        Channel(3).editSetup.sensitivity = 412;
        Channel(3).deviceSetup = Channel(3).editSetup;
        Reload();
        QCOMPARE(Field(3)->text(), QStringLiteral("-41.2"));
        QVERIFY(Locked(3));
        Choose(List(3), 1);
        QCOMPARE(Field(3)->text(), QStringLiteral("-41.2"));
        QVERIFY(Field(3)->isEnabled() && Arrow(3, true)->isEnabled());

        // Without Shift only the chosen channel changes.
        Choose(List(2), 3);
        QCOMPARE(ConnectorFlags(Channel(2).editSetup), 1);
        QCOMPARE(ConnectorFlags(Channel(7).editSetup), 2);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
