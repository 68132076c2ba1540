#include "app/app_context.h"
#include "app/messages.h"
#include "app/ui_text.h"
#include "app/window_message.h"
#include "editor/input_page.h"
#include "editor/level_display.h"
#include "editor/level_format.h"
#include "editor/measure_page.h"
#include "editor/settings_window.h"
#include "editor/user_filter_page.h"
#include "tests/support/gui_support.h"

#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <memory>

using namespace va48;

namespace {

constexpr int kCal = 1501;
constexpr int kSend = 1502;
constexpr int kCancel = 1503;

ChannelSettings SoundChannel(std::uint32_t value) {
    ChannelSettings channel;
    channel.moduleKind = kSoundModule;
    channel.lamp = kLampNormal;
    channel.reading.value = value;
    return channel;
}

ChannelSettings VibrationChannel(std::uint32_t value, int exponent, int unit, int range,
                                 int configuredUnit) {
    ChannelSettings channel;
    channel.moduleKind = kVibrationModule;
    channel.lamp = kLampNormal;
    channel.reading.value = value;
    channel.reading.readingExp = static_cast<std::uint8_t>(exponent);
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

void DeliverPosted() {
    QCoreApplication::sendPostedEvents();
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

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_.Executable()),
                                            Language::English);
    }
    void init() { App().device = DeviceState{}; }
    void cleanupTestCase() { app_.reset(); }

    // Level texts.
    void formatLevel();
    void vibrationDecimalsFollowTheFullScale();
    void updateLamp();

    // Level display.
    void levelRowsAreNamedAndPlaced();
    void pollShowsLevelsAndReloadClearsThem();
    void redLampHoldsForOneSecondAfterItsConditionEnds();
    void lampColours_data();
    void lampColours();
    void busyHidesEveryValue();

    // Settings window.
    void creationClearsTheEditorState();
    void buttonRule_data();
    void buttonRule();
    void shortcutRefusedWhileEditsAreUnsent();
    void cancelRestoresTheDeviceSetup();
    void sendLocksTheButtons();
    void tabsLockedWhileEdited();
    void closeRefusedWhileEditsAreUnsent();
    void closeDestroysTheWindowAndItsHandle();
    void controlsSitWhereTheLayoutPutsThem();
    void versionCommandRunsTheVersionDialog();

  private:
    FakeInstall install_;
    std::unique_ptr<AppContext> app_;
};

void SettingsWindowTest::formatLevel() {
    ChannelSettings noModule = SoundChannel(905);
    noModule.moduleKind = kNoModule;
    ChannelSettings unknownModule = SoundChannel(905);
    unknownModule.moduleKind = 3;
    const struct {
        const char* name;
        ChannelSettings channel;
        std::string_view value; // "- - -": nothing to show
        std::string_view unit;
    } rows[] = {
        {"sound", SoundChannel(905), "90.5", "dB"},
        {"sound below 1 dB", SoundChannel(7), "0.7", "dB"},
        {"m/s2, full scale 10", VibrationChannel(1234, 0, 1, 0, 1), "123.4", "m/s2"},
        {"mm, full scale 0.01", VibrationChannel(1234, 2, 3, 0, 3), "0.1234", "mm"},
        {"leading zeros", VibrationChannel(5, 2, 3, 0, 3), "0.0005", "mm"},
        {"no decimals", VibrationChannel(1234, 0, 1, 6, 1), "1234", "m/s2"},
        {"largest reading", VibrationChannel(4294967295u, 2, 3, 1, 3), "429496.7295", "mm"},
        // The reading's own unit scales the value; the configured unit labels it.
        {"unit label from the setup", VibrationChannel(1234, 1, 3, 4, 2), "123.4", "mm/s"},
        {"setup unit outside the table", VibrationChannel(1234, 0, 1, 0, 9), "123.4", ""},
        {"exponent 3", VibrationChannel(1234, 3, 1, 0, 1), "- - -", ""},
        {"unit 0", VibrationChannel(1234, 0, 0, 0, 1), "- - -", ""},
        {"unit 4", VibrationChannel(1234, 0, 4, 0, 1), "- - -", ""},
        {"range 7", VibrationChannel(1234, 0, 1, 7, 1), "- - -", ""},
        {"range 255", VibrationChannel(1234, 0, 1, 255, 1), "- - -", ""},
        {"no module", noModule, "- - -", ""},
        {"unknown module", unknownModule, "- - -", ""},
    };
    for (const auto& row : rows) {
        const std::optional<LevelText> level = FormatLevel(row.channel);
        QVERIFY2((level ? std::string_view(level->value) : kNoValueText) == row.value, row.name);
        QVERIFY2((level ? level->unit.text : std::string_view()) == row.unit, row.name);
    }
}

// Checked against the other way of stating the rule: code = 2 log10 F + range, two codes per
// decimal from 4 decimals down to none.
void SettingsWindowTest::vibrationDecimalsFollowTheFullScale() {
    for (std::uint32_t exponent = 0; exponent < 3; ++exponent) {
        for (std::uint32_t unit = 1; unit <= 3; ++unit) {
            const int factor = *VibrationRangeFactor(exponent, unit);
            const int log10Factor = factor == 1000 ? 3 : factor == 100 ? 2 : factor == 10 ? 1 : 0;
            for (std::uint32_t range = 0; range < kVibrationRangeCount; ++range) {
                const int code = 2 * log10Factor + static_cast<int>(range);
                const int expected = code >= 8 ? 0 : 4 - code / 2;
                QCOMPARE(VibrationDecimals(exponent, unit, range).value_or(-1), expected);
            }
        }
    }
    QVERIFY(!VibrationDecimals(3, 1, 0));
    QVERIFY(!VibrationDecimals(0, 0, 0));
    QVERIFY(!VibrationDecimals(0, 4, 0));
    QVERIFY(!VibrationDecimals(0, 1, 7));
    QVERIFY(!VibrationDecimals(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
}

void SettingsWindowTest::updateLamp() {
    const struct {
        const char* name;
        std::uint32_t lamp;
        int red;
        int cyan;
        std::uint32_t newLamp;
        bool hold;
    } rows[] = {
        {"red reading", kLampNormal, 1, 0, kLampRed, false},
        {"cyan reading", kLampNormal, 0, 1, kLampCyan, false},
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

void SettingsWindowTest::levelRowsAreNamedAndPlaced() {
    LevelDisplay levels(nullptr);
    QCOMPARE(levels.size(), QSize(200, 476));

    QLabel* row = FindControl<QLabel>(&levels, 3002);
    QLabel* box = FindControl<QLabel>(&levels, 3102);
    QLabel* unit = FindControl<QLabel>(&levels, 3202);
    QVERIFY(row && box && unit);
    QCOMPARE(box, levels.ValueBox(3));
    QCOMPARE(unit, levels.UnitLabel(3));
    QCOMPARE(levels.ValueBox(0), nullptr);
    QCOMPARE(levels.ValueBox(17), nullptr);

    QCOMPARE(row->accessibleName(), QStringLiteral("No.3"));
    QCOMPARE(box->accessibleName(), QStringLiteral("No.3 level"));
    QCOMPARE(unit->accessibleName(), QStringLiteral("No.3 unit"));
    QCOMPARE(row->geometry(), QRect(0, 60, 60, 26));
    QCOMPARE(box->geometry(), QRect(70, 60, 80, 26));
    QCOMPARE(unit->geometry(), QRect(160, 63, 40, 26));
    QCOMPARE(box->text(), QStringLiteral("- - -"));
    QVERIFY(box->font().bold());
    QCOMPARE(box->font().pixelSize(), 20);
}

void SettingsWindowTest::pollShowsLevelsAndReloadClearsThem() {
    SettingsWindow window;
    LevelDisplay* levels = window.Levels();
    App().device.channels[0] = SoundChannel(905);
    App().device.channels[1] = VibrationChannel(1234, 3, 1, 0, 1); // scale outside the tables

    SendWindowMessage(&window, UM_DATA_POLLED);
    DeliverPosted();
    QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("90.5"));
    QVERIFY(levels->UnitLabel(1)->text().contains(QStringLiteral("dB")));
    QCOMPARE(levels->ValueBox(2)->text(), QStringLiteral("- - -"));
    QVERIFY(levels->UnitLabel(2)->text().isEmpty());
    QCOMPARE(levels->ValueBox(16)->text(), QStringLiteral("- - -"));

    SendWindowMessage(&window, UM_SETTINGS_LOADED);
    DeliverPosted();
    QCOMPARE(levels->ValueBox(1)->text(), QStringLiteral("- - -"));
    QVERIFY(levels->UnitLabel(1)->text().isEmpty());
}

void SettingsWindowTest::redLampHoldsForOneSecondAfterItsConditionEnds() {
    LevelDisplay levels(nullptr);
    ChannelSettings& channel = App().device.channels[4];
    channel = SoundChannel(905);

    channel.reading = Lamps(1, 0);
    SendWindowMessage(&levels, UM_SHOW_LEVELS);
    QCOMPARE(channel.lamp, kLampRed);

    channel.reading = Lamps(1, 0);
    SendWindowMessage(&levels, UM_SHOW_LEVELS);
    QCOMPARE(channel.lamp, kLampRed);

    channel.reading = Lamps(0, 0);
    SendWindowMessage(&levels, UM_SHOW_LEVELS);
    QCOMPARE(channel.lamp, kLampRed);
    QVERIFY(WaitFor([&] { return channel.lamp == kLampNormal; }));
}

void SettingsWindowTest::lampColours_data() {
    QTest::addColumn<uint>("lamp");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("normal") << uint(kLampNormal) << QColor(Qt::white);
    QTest::newRow("red") << uint(kLampRed) << QColor(255, 0, 0);
    QTest::newRow("cyan") << uint(kLampCyan) << QColor(0, 255, 255);
    QTest::newRow("no module") << uint(kLampOff) << QColor();
}

void SettingsWindowTest::lampColours() {
    QFETCH(uint, lamp);
    QFETCH(QColor, colour);

    LevelDisplay levels(nullptr);
    App().device.channels[2].lamp = lamp;
    const QColor expected = colour.isValid() ? colour : levels.palette().color(QPalette::Window);
    QCOMPARE(BoxColour(levels.ValueBox(3)), expected);
}

void SettingsWindowTest::busyHidesEveryValue() {
    LevelDisplay levels(nullptr);
    App().device.channels[0] = SoundChannel(905);
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

void SettingsWindowTest::creationClearsTheEditorState() {
    App().editor.busy = true;
    App().editor.settingsModified = true;
    App().device.calibrationOn = 1;

    SettingsWindow window;
    QVERIFY(!App().editor.busy);
    QVERIFY(!App().editor.settingsModified);
    QCOMPARE(App().device.calibrationOn, 0u);
    QCOMPARE(window.windowTitle(), UiText(301));
    QVERIFY(FindPage<InputPage>(&window)->isVisible());
    QVERIFY(!FindPage<MeasurePage>(&window)->isVisible());
    QVERIFY(!FindPage<UserFilterPage>(&window)->isVisible());
    QVERIFY(window.Levels()->isVisible());
}

void SettingsWindowTest::buttonRule_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("calibrating");
    QTest::addColumn<QString>("calText");
    QTest::addColumn<bool>("calEnabled");
    QTest::addColumn<bool>("sendEnabled");

    QTest::newRow("clean") << false << false << "CAL ON" << true << false;
    QTest::newRow("edited") << true << false << "CAL ON" << false << true;
    QTest::newRow("calibrating") << false << true << "CAL OFF" << true << false;
    QTest::newRow("edited while calibrating") << true << true << "CAL OFF" << false << false;
}

void SettingsWindowTest::buttonRule() {
    QFETCH(bool, modified);
    QFETCH(bool, calibrating);
    QFETCH(QString, calText);
    QFETCH(bool, calEnabled);
    QFETCH(bool, sendEnabled);

    SettingsWindow window;
    if (modified) {
        SendWindowMessage(&window, UM_SETTINGS_EDITED);
    }
    App().device.calibrationOn = calibrating ? 1 : 0;
    SendWindowMessage(&window, UM_CAL_CHANGED);

    auto* cal = FindControl<QPushButton>(&window, kCal);
    auto* send = FindControl<QPushButton>(&window, kSend);
    auto* cancel = FindControl<QPushButton>(&window, kCancel);
    QCOMPARE(cal->text(), calText);
    QCOMPARE(cal->accessibleName(), calText);
    QCOMPARE(cal->isEnabled(), calEnabled);
    QCOMPARE(send->isEnabled(), sendEnabled);
    QCOMPARE(cancel->isEnabled(), sendEnabled);
    QCOMPARE(send->accessibleName(), send->text());
    QCOMPARE(FindPage<InputPage>(&window)->isEnabled(), !calibrating);
    QCOMPARE(FindPage<MeasurePage>(&window)->isEnabled(), !calibrating);
    QCOMPARE(FindPage<UserFilterPage>(&window)->isEnabled(), !calibrating);
}

void SettingsWindowTest::shortcutRefusedWhileEditsAreUnsent() {
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
    QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);
    QCOMPARE(boxes.boxes[0].owner, &window);

    // Backspace, and Ctrl with a letter that is no shortcut, are typing.
    SendWindowMessage(&window, WM_CHAR_MESSAGE, 8, 0);
    SendWindowMessage(&window, WM_CHAR_MESSAGE, 1, 1);
    QCOMPARE(boxes.boxes.size(), std::size_t{6});
}

void SettingsWindowTest::cancelRestoresTheDeviceSetup() {
    SettingsWindow window;
    for (ChannelSettings& channel : App().device.channels) {
        channel.deviceSetup.sensitivity = 250;
        channel.deviceSetup.rangeIndex = 2;
        channel.editSetup = channel.deviceSetup;
    }
    App().device.channels[0].editSetup.sensitivity = 300;
    App().device.channels[15].editSetup.hpfIndex = -2;
    SendWindowMessage(&window, UM_SETTINGS_EDITED);

    FindControl<QPushButton>(&window, kCancel)->click();
    for (const ChannelSettings& channel : App().device.channels) {
        QCOMPARE(channel.editSetup, channel.deviceSetup);
    }
    QVERIFY(!App().editor.settingsModified);
    QVERIFY(FindControl<QPushButton>(&window, kCal)->isEnabled());
    QVERIFY(!FindControl<QPushButton>(&window, kSend)->isEnabled());
    QVERIFY(!FindControl<QPushButton>(&window, kCancel)->isEnabled());
}

void SettingsWindowTest::sendLocksTheButtons() {
    SettingsWindow window;
    SendWindowMessage(&window, UM_SETTINGS_EDITED);
    FindControl<QPushButton>(&window, kSend)->click();
    QVERIFY(!FindControl<QPushButton>(&window, kSend)->isEnabled());
    QVERIFY(!FindControl<QPushButton>(&window, kCancel)->isEnabled());
    QVERIFY(!FindControl<QPushButton>(&window, kCal)->isEnabled());

    // The read-all after the send reloads with the edits gone.
    App().editor.settingsModified = false;
    SendWindowMessage(&window, UM_SETTINGS_LOADED);
    QVERIFY(FindControl<QPushButton>(&window, kCal)->isEnabled());
    QVERIFY(!FindControl<QPushButton>(&window, kSend)->isEnabled());
}

void SettingsWindowTest::tabsLockedWhileEdited() {
    SettingsWindow window;
    auto* tabs = FindControl<QTabBar>(&window, 1500);
    auto* input = FindPage<InputPage>(&window);
    auto* measure = FindPage<MeasurePage>(&window);
    auto* userFilter = FindPage<UserFilterPage>(&window);

    tabs->setCurrentIndex(2);
    QVERIFY(userFilter->isVisible() && !input->isVisible() && !measure->isVisible());

    SendWindowMessage(&window, UM_SETTINGS_EDITED);
    tabs->setCurrentIndex(1);
    QCOMPARE(tabs->currentIndex(), 2);
    QVERIFY(userFilter->isVisible() && !measure->isVisible());

    FindControl<QPushButton>(&window, kCancel)->click();
    tabs->setCurrentIndex(1);
    QVERIFY(measure->isVisible() && !input->isVisible() && !userFilter->isVisible());
}

void SettingsWindowTest::closeRefusedWhileEditsAreUnsent() {
    BoxRecorder boxes;
    SettingsWindow window;
    SendWindowMessage(&window, UM_SETTINGS_EDITED);
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes[0].text, UiText(554));
    QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);

    // Escape is no way round it either.
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
}

void SettingsWindowTest::closeDestroysTheWindowAndItsHandle() {
    auto* window = new SettingsWindow;
    App().windows.settingsWindow = window;
    QVERIFY(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(App().windows.settingsWindow.isNull());
}

void SettingsWindowTest::controlsSitWhereTheLayoutPutsThem() {
    SettingsWindow window;
    const auto* measure = FindPage<MeasurePage>(&window);
    const int right = 240 + measure->width();
    QWidget* client = measure->parentWidget();

    QCOMPARE(measure->pos(), QPoint(240, 40));
    QCOMPARE(window.Levels()->pos(), QPoint(10, 80));
    QCOMPARE(FindControl<QTabBar>(&window, 1500)->geometry().topLeft(), QPoint(230, 0));
    QCOMPARE(FindControl<QTabBar>(&window, 1500)->width(), measure->width() + 30);
    QCOMPARE(FindControl<QPushButton>(&window, kCal)->geometry(), QRect(400, 580, 100, 30));
    QCOMPARE(FindControl<QPushButton>(&window, kSend)->geometry(),
             QRect(right - 210, 580, 100, 30));
    QCOMPARE(FindControl<QPushButton>(&window, kCancel)->geometry(),
             QRect(right - 100, 580, 100, 30));
    QCOMPARE(client->size(), QSize(measure->width() + 30 + 250, 638));
    QVERIFY(window.height() > client->height()); // the menu bar sits above
}

void SettingsWindowTest::versionCommandRunsTheVersionDialog() {
    SettingsWindow window;
    QWidget* owner = nullptr;
    ModalAnswerer answer([&](QDialog& dialog) {
        owner = dialog.parentWidget();
        return 0;
    });
    window.findChild<QAction*>(QStringLiteral("152"))->trigger();
    QCOMPARE(owner, &window);
}

QTEST_MAIN(SettingsWindowTest)
#include "settings_window_test.moc"
