#include "app/app_context.h"
#include "editor/input_page.h"
#include "editor/level_display.h"
#include "editor/level_format.h"
#include "editor/measure_page.h"
#include "editor/settings_window.h"
#include "editor/user_filter_page.h"
#include "tests/support/gui_support.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>

using namespace va48;

namespace {

// A channel with a reading: of a sound module, or of a vibration module whose reading has the given
// scale and whose setup the given unit.
ChannelSettings Channel(std::uint32_t value, int exponent = -1, int unit = 0, int range = 0,
                        int configuredUnit = 0) {
    ChannelSettings channel;
    channel.moduleKind = exponent < 0 ? kSoundModule : kVibrationModule;
    channel.lamp = kLampNormal;
    channel.reading.value = value;
    channel.reading.readingExp = static_cast<std::uint8_t>(std::max(exponent, 0));
    channel.reading.readingUnit = static_cast<std::uint8_t>(unit);
    channel.reading.readingRange = static_cast<std::uint8_t>(range);
    channel.deviceSetup.freqWeightUnit = static_cast<std::uint8_t>(configuredUnit);
    return channel;
}

ChannelReading Lamps(int red, int cyan) {
    ChannelReading reading;
    reading.lampRed = static_cast<std::uint8_t>(red);
    reading.lampCyan = static_cast<std::uint8_t>(cyan);
    return reading;
}

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

    FakeInstall install_;
    std::unique_ptr<AppContext> app_;

  private slots:
    void initTestCase() {
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_.Executable()),
                                            Language::English);
    }
    void init() { App().device = DeviceState{}; }
    void cleanupTestCase() { app_.reset(); }

    void formatLevel() {
        ChannelSettings noModule = Channel(905);
        noModule.moduleKind = kNoModule;
        ChannelSettings unknownModule = Channel(905);
        unknownModule.moduleKind = 3;
        const struct {
            const char* name;
            ChannelSettings channel;
            std::string_view value; // "- - -": nothing to show
            std::string_view unit;
        } rows[] = {
            {"sound", Channel(905), "90.5", "dB"},
            {"sound below 1 dB", Channel(7), "0.7", "dB"},
            {"mm, full scale 0.01", Channel(1234, 2, 3, 0, 3), "0.1234", "mm"},
            {"leading zeros", Channel(5, 2, 3, 0, 3), "0.0005", "mm"},
            {"no decimals", Channel(1234, 0, 1, 6, 1), "1234", "m/s2"},
            {"largest reading", Channel(4294967295u, 2, 3, 1, 3), "429496.7295", "mm"},
            // The reading's own unit scales the value; the configured unit labels it.
            {"unit label from the setup", Channel(1234, 1, 3, 4, 2), "123.4", "mm/s"},
            {"setup unit outside the table", Channel(1234, 0, 1, 0, 9), "123.4", ""},
            {"exponent 3", Channel(1234, 3, 1, 0, 1), "- - -", ""},
            {"unit 0", Channel(1234, 0, 0, 0, 1), "- - -", ""},
            {"unit 4", Channel(1234, 0, 4, 0, 1), "- - -", ""},
            {"range 7", Channel(1234, 0, 1, 7, 1), "- - -", ""},
            {"no module", noModule, "- - -", ""},
            {"unknown module", unknownModule, "- - -", ""},
        };
        for (const auto& row : rows) {
            const std::optional<LevelText> level = FormatLevel(row.channel);
            QVERIFY2((level ? std::string_view(level->value) : kNoValueText) == row.value,
                     row.name);
            QVERIFY2((level ? level->unit.text : std::string_view()) == row.unit, row.name);
        }
    }

    // Checked against the other way of stating the rule: code = 2 log10 F + range, two codes per
    // decimal from 4 decimals down to none.
    void vibrationDecimalsFollowTheFullScale() {
        for (std::uint32_t exponent = 0; exponent < 3; ++exponent) {
            for (std::uint32_t unit = 1; unit <= 3; ++unit) {
                const int factor = *VibrationRangeFactor(exponent, unit);
                const int log10Factor = factor == 1000  ? 3
                                        : factor == 100 ? 2
                                        : factor == 10  ? 1
                                                        : 0;
                for (std::uint32_t range = 0; range < kVibrationRangeCount; ++range) {
                    const int code = 2 * log10Factor + static_cast<int>(range);
                    const int expected = code >= 8 ? 0 : 4 - code / 2;
                    QCOMPARE(VibrationDecimals(exponent, unit, range).value_or(-1), expected);
                }
            }
        }
        QVERIFY(!VibrationDecimals(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
    }

    void updateLamp() {
        const struct {
            const char* name;
            std::uint32_t lamp;
            int red;
            int cyan;
            std::uint32_t newLamp;
            bool hold;
        } rows[] = {
            {"red reading", kLampNormal, 1, 0, kLampRed, false},
            {"red wins over cyan", kLampCyan, 1, 1, kLampRed, false},
            {"cyan replaces red", kLampRed, 0, 1, kLampCyan, false},
            {"red held", kLampRed, 0, 0, kLampRed, true},
            {"cyan held", kLampCyan, 0, 0, kLampCyan, true},
            {"normal stays", kLampNormal, 0, 0, kLampNormal, false},
            {"off becomes normal", kLampOff, 0, 0, kLampNormal, false},
        };
        for (const auto& row : rows) {
            const LampUpdate update = UpdateLamp(row.lamp, Lamps(row.red, row.cyan));
            QVERIFY2(update.lamp == row.newLamp, row.name);
            QVERIFY2(update.startHoldTimer == row.hold, row.name);
        }
    }

    void levelRowsAreNamed() {
        LevelDisplay levels(nullptr);
        QCOMPARE(levels.ValueBox(0), nullptr);
        QCOMPARE(levels.ValueBox(17), nullptr);
        QCOMPARE(levels.ValueBox(3)->accessibleName(), QStringLiteral("No.3 level"));
        QCOMPARE(levels.UnitLabel(3)->accessibleName(), QStringLiteral("No.3 unit"));
    }

    void pollShowsLevelsAndReloadClearsThem() {
        SettingsWindow window;
        LevelDisplay* levels = window.Levels();
        App().device.channels[0] = Channel(905);
        App().device.channels[1] = Channel(1234, 3, 1, 0, 1); // scale outside the tables

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
        LevelDisplay levels(nullptr);
        ChannelSettings& channel = App().device.channels[4];
        channel = Channel(905);

        for (const int red : {1, 1, 0}) {
            channel.reading = Lamps(red, 0);
            SendWindowMessage(&levels, UM_SHOW_LEVELS);
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
            LevelDisplay levels(nullptr);
            App().device.channels[2].lamp = lamp;
            QCOMPARE(BoxColour(levels.ValueBox(3)),
                     colour.isValid() ? colour : levels.palette().color(QPalette::Window));
        }
    }

    void busyHidesEveryValue() {
        LevelDisplay levels(nullptr);
        App().device.channels[0] = Channel(905);
        App().device.channels[0].lamp = kLampRed;
        SendWindowMessage(&levels, UM_SHOW_LEVELS);
        QCOMPARE(levels.ValueBox(1)->text(), QStringLiteral("90.5"));

        App().editor.busy = true;
        const QColor colour = BoxColour(levels.ValueBox(1));
        App().editor.busy = false;
        QCOMPARE(levels.ValueBox(1)->text(), QStringLiteral("- - -"));
        QVERIFY(levels.UnitLabel(1)->text().isEmpty());
        QCOMPARE(colour, levels.palette().color(QPalette::Window));
    }

    void creationClearsTheEditorState() {
        App().editor.busy = true;
        App().editor.settingsModified = true;
        App().device.calibrationOn = 1;
        SettingsWindow window;
        QVERIFY(!App().editor.busy && !App().editor.settingsModified);
        QCOMPARE(App().device.calibrationOn, 0u);
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
            SettingsWindow window;
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
        SettingsWindow window;
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 8, 1);
        QVERIFY(boxes.boxes.empty());

        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        for (const std::uintptr_t code : {8, 12, 21, 18, 2, 22}) {
            SendWindowMessage(&window, WM_CHAR_MESSAGE, code, 1);
        }
        QCOMPARE(boxes.boxes.size(), std::size_t{6});
        QCOMPARE(boxes.boxes[0].text, UiText(555));
        QCOMPARE(boxes.boxes[0].owner, &window);

        // Backspace, and Ctrl with a letter that is no shortcut, are typing.
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 8, 0);
        SendWindowMessage(&window, WM_CHAR_MESSAGE, 1, 1);
        QCOMPARE(boxes.boxes.size(), std::size_t{6});
    }

    void cancelRestoresTheDeviceSetup() {
        SettingsWindow window;
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
        SettingsWindow window;
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        Button(&window, kSend)->click();
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON:"));
        App().editor.settingsModified = false;
        SendWindowMessage(&window, UM_SETTINGS_LOADED);
        QCOMPARE(Buttons(&window), QStringLiteral("CAL ON: CAL"));
    }

    void tabsLockedWhileEdited() {
        SettingsWindow window;
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
        SettingsWindow window;
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, UiText(554));

        // Escape is no way round it either.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
    }

    void closeDestroysTheWindowAndItsHandle() {
        auto* window = new SettingsWindow;
        App().windows.settingsWindow = window;
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(App().windows.settingsWindow.isNull());
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
