#include "app/app_context.h"
#include "app/character_router.h"
#include "app/messages.h"
#include "app/window_message.h"
#include "editor/input_page.h"
#include "editor/input_rules.h"
#include "editor/settings_window.h"
#include "tests/support/gui_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace va48;

namespace {

constexpr int kListBase = 4200;
constexpr int kFieldBase = 4300;
constexpr int kSpinBase = 4400;
constexpr int kUnitBase = 4500;
constexpr int kSend = 1502;

const QString kInputValue = QStringLiteral("Input Value.");
const QString kBelowMinimum = QStringLiteral("It is less than minimum value.");
const QString kAboveMaximum = QStringLiteral("The maximum value is exceeded.");

ChannelSettings& Channel(int number) {
    return App().device.channels[static_cast<std::size_t>(number - 1)];
}

// A channel as the amplifier reported it: device and edit setup alike.
ChannelSettings Module(std::uint8_t kind, int flags, std::uint16_t sensitivity,
                       std::uint8_t exponent = 0) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    ChannelSetup& setup = channel.deviceSetup;
    setup.rear = flags & 1 ? 1 : 0;
    setup.charge = flags & 2 ? 1 : 0;
    setup.ccld = flags & 4 ? 1 : 0;
    setup.teds = flags & 8 ? 1 : 0;
    setup.sensitivity = sensitivity;
    setup.sensitivityExp = exponent;
    channel.editSetup = setup;
    return channel;
}

ChannelSettings Sound(int flags, std::uint16_t sensitivity) {
    return Module(kSoundModule, flags, sensitivity);
}

ChannelSettings Vibration(int flags, std::uint16_t sensitivity, std::uint8_t exponent) {
    return Module(kVibrationModule, flags, sensitivity, exponent);
}

QStringList Texts(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

// Opens the list's drop-down and picks item `index` with Return, as a user does; Shift can be
// held while doing so.
void Choose(QComboBox* list, int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return, modifiers);
    // A key release with Shift leaves the application believing Shift is still held.
    QTest::keyRelease(list, Qt::Key_Shift);
}

} // namespace

class InputPageTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_.Executable()),
                                            Language::English);
    }
    void init() {
        App().device = DeviceState{};
        App().editor = EditorState{};
    }
    void cleanup() {
        router_.reset();
        window_.reset();
    }
    void cleanupTestCase() { app_.reset(); }

    // The rules without a window.
    void storedSensitivityIsShown();
    void shownSensitivityIsStepped();
    void rangeCheckGivesTheNearestEnd();
    void connectorFlagsFindTheirRow();

    // The page.
    void reloadShowsEveryKindOfRow();
    void typedSensitivityIsStoredOnLeaving_data();
    void typedSensitivityIsStoredOnLeaving();
    void emptyFieldIsRefusedOnceAndKeepsTheFocus();
    void leavingAnUnchangedFieldCountsAsAnEdit();
    void anotherWindowComingUpIsNoLeaving();
    void charactersReachOnlyOpenFields();
    void extraRearItemGoesWhenAListedConnectorIsChosen();
    void unlistedConnectorStopsTheSend();
    void tedsConnectorEmptiesAndLocksTheField();
    void shiftCopiesTheChoiceWithinTheModuleKind();
    void arrowsStepTheShownValue_data();
    void arrowsStepTheShownValue();
    void tabWalksRowByRowAndSkipsDisabledControls();

  private:
    // A settings window that has loaded App().device, active, with typed keys taking the
    // program's own way: router, settings window, page, focused field.
    void OpenPage();
    QComboBox* List(int number) const {
        return FindControl<QComboBox>(window_.get(), kListBase + number - 1);
    }
    QLineEdit* Field(int number) const {
        return FindControl<QLineEdit>(window_.get(), kFieldBase + number - 1);
    }
    QToolButton* Arrow(int number, bool up) const;
    InputPage* Page() const;
    void Type(int number, const QString& text);
    void Leave(int number);

    FakeInstall install_;
    std::unique_ptr<AppContext> app_;
    std::unique_ptr<SettingsWindow> window_;
    std::unique_ptr<CharacterRouter> router_;
};

void InputPageTest::OpenPage() {
    window_ = std::make_unique<SettingsWindow>();
    App().windows.settingsWindow = window_.get();
    SendWindowMessage(window_.get(), UM_SETTINGS_LOADED);
    QCoreApplication::sendPostedEvents();
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    router_ = std::make_unique<CharacterRouter>(App().windows);
    qApp->installEventFilter(router_.get());
}

QToolButton* InputPageTest::Arrow(int number, bool up) const {
    const auto arrows =
        window_->findChildren<QToolButton*>(QString::number(kSpinBase + number - 1));
    for (QToolButton* arrow : arrows) {
        if ((arrow->arrowType() == Qt::UpArrow) == up) {
            return arrow;
        }
    }
    return nullptr;
}

// The page carries no meta-object of its own, so findChild cannot tell it from the others.
InputPage* InputPageTest::Page() const {
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        if (auto* page = dynamic_cast<InputPage*>(child)) {
            return page;
        }
    }
    return nullptr;
}

// Clicks into the field, clears it with Backspace and types `text`.
void InputPageTest::Type(int number, const QString& text) {
    QLineEdit* field = Field(number);
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_End);
    for (qsizetype i = field->text().size(); i > 0; --i) {
        QTest::keyClick(field, Qt::Key_Backspace);
    }
    QTest::keyClicks(field, text);
}

// Leaves a field with Tab, which leads to the next row's connector list.
void InputPageTest::Leave(int number) {
    QTest::keyClick(Field(number), Qt::Key_Tab);
}

void InputPageTest::storedSensitivityIsShown() {
    const struct {
        const char* name;
        std::uint8_t kind;
        std::uint16_t value;
        std::uint8_t exponent;
        Sensitivity shown;
    } rows[] = {
        {"sound", kSoundModule, 250, 0, {"-25.0", 250, 0}},
        {"sound exponent ignored", kSoundModule, 599, 2, {"-59.9", 599, 0}},
        {"sound below the table", kSoundModule, 50, 0, {"-10.0", 100, 0}},
        {"sound above the table", kSoundModule, 700, 0, {"-59.9", 599, 0}},
        {"vibration 0.100", kVibrationModule, 100, 0, {"0.100", 100, 0}},
        {"vibration 5.00", kVibrationModule, 500, 1, {"5.00", 500, 1}},
        {"vibration below its row", kVibrationModule, 50, 1, {"1.00", 100, 1}},
        {"largest stored value", kVibrationModule, 65535, 2, {"99.9", 999, 2}},
        {"exponent outside the table", kVibrationModule, 500, 3, {"", 500, 3}},
        {"no module", kNoModule, 250, 0, {"- - -", 250, 0}},
    };
    for (const auto& row : rows) {
        const Sensitivity shown = FormatStoredSensitivity(row.kind, row.value, row.exponent);
        QVERIFY2(shown == row.shown, qPrintable(QStringLiteral("%1: %2 %3 %4")
                                                    .arg(row.name)
                                                    .arg(QString::fromStdString(shown.text))
                                                    .arg(shown.value)
                                                    .arg(shown.exponent)));
    }
}

void InputPageTest::shownSensitivityIsStepped() {
    const struct {
        const char* name;
        std::uint8_t kind;
        const char* text;
        int step;
        Sensitivity result;
    } rows[] = {
        {"whole number", kVibrationModule, "5", 0, {"5.00", 500, 1}},
        {"below one", kVibrationModule, "0.5", 0, {"0.500", 500, 0}},
        {"leading number only", kVibrationModule, "1..2", 0, {"1.00", 100, 1}},
        {"up in a decade", kVibrationModule, "5.00", 1, {"5.01", 501, 1}},
        {"0.999 up", kVibrationModule, "0.999", 1, {"1.00", 100, 1}},
        {"1.00 down", kVibrationModule, "1.00", -1, {"0.999", 999, 0}},
        {"9.99 up", kVibrationModule, "9.99", 1, {"10.0", 100, 2}},
        {"10.0 down", kVibrationModule, "10.0", -1, {"9.99", 999, 1}},
        {"bottom stays", kVibrationModule, "0.100", -1, {"0.100", 100, 0}},
        {"empty up", kVibrationModule, "", 1, {"0.100", 100, 0}},
        {"too large", kVibrationModule, "150", 0, {"99.9", 999, 2}},
        {"more digits than any number", kVibrationModule, "999999999999999", -1, {"99.9", 999, 2}},
        // Past the digit limit (a pasted text): the nearer decade edge, never a tenfold value.
        {"just below 1.00", kVibrationModule, "0.9996", 0, {"1.00", 100, 1}},
        {"just above 0.999", kVibrationModule, "0.9994", 0, {"0.999", 999, 0}},
        {"just below 10.0", kVibrationModule, "9.995", 0, {"10.0", 100, 2}},
        {"half rounds away from zero", kVibrationModule, "0.1235", 0, {"0.124", 124, 0}},
        {"sound", kSoundModule, "-25", 0, {"-25.0", 250, 0}},
        {"sound positive step", kSoundModule, "-25.0", 1, {"-25.1", 251, 0}},
        {"sound negative step", kSoundModule, "-25.0", -1, {"-24.9", 249, 0}},
        {"sound bottom stays", kSoundModule, "-59.9", 1, {"-59.9", 599, 0}},
        {"sound positive text", kSoundModule, "25", 0, {"-10.0", 100, 0}},
        {"no module", kNoModule, "5", 1, {"- - -", 0, 0}},
    };
    for (const auto& row : rows) {
        const Sensitivity result = StepShownSensitivity(row.kind, row.text, row.step);
        QVERIFY2(result == row.result, qPrintable(QStringLiteral("%1: %2 %3 %4")
                                                      .arg(row.name)
                                                      .arg(QString::fromStdString(result.text))
                                                      .arg(result.value)
                                                      .arg(result.exponent)));
    }
}

void InputPageTest::rangeCheckGivesTheNearestEnd() {
    const struct {
        std::uint8_t kind;
        const char* text;
        int result;
        std::uint16_t value;
        std::uint8_t exponent;
    } rows[] = {
        {kSoundModule, "-25", 0, 0, 0},          {kSoundModule, "-59.9", 0, 0, 0},
        {kSoundModule, "-10", 0, 0, 0},          {kSoundModule, "-9.9", 1, 100, 0},
        {kSoundModule, "25", 1, 100, 0},         {kSoundModule, "-60", -1, 599, 0},
        {kVibrationModule, "0.1", 0, 0, 0},      {kVibrationModule, "99.9", 0, 0, 0},
        {kVibrationModule, "0.099", -1, 100, 0}, {kVibrationModule, "150", 1, 999, 2},
        {kVibrationModule, "x", -1, 100, 0},
    };
    for (const auto& row : rows) {
        const SensitivityCheck check = CheckSensitivityRange(row.kind, row.text);
        QVERIFY2(check.result == row.result, row.text);
        if (row.result != 0) {
            QVERIFY2(check.value == row.value && check.exponent == row.exponent, row.text);
        }
    }
}

void InputPageTest::connectorFlagsFindTheirRow() {
    const struct {
        std::uint8_t kind;
        int flags;
        int row;
        const char* extraItem;
        bool valid;
        const char* unit;
    } rows[] = {
        {kSoundModule, 0, 0, "", true, "dB/pa"},
        {kSoundModule, 5, 1, "", true, "dB/pa"},
        {kSoundModule, 13, 2, "", true, "dB/pa"},
        {kSoundModule, 7, 3, "REAR", false, ""},
        {kSoundModule, 2, 0, "", false, ""},
        {kVibrationModule, 2, 0, "", true, "pC/m/s2"},
        {kVibrationModule, 4, 1, "", true, "mV/m/s2"},
        {kVibrationModule, 12, 2, "", true, "mV/m/s2"},
        {kVibrationModule, 1, 3, "", true, "mV/m/s2"},
        {kVibrationModule, 8, 4, "FRONT", false, ""},
        {kVibrationModule, 3, 3, "", false, ""},
        {kNoModule, 0, 0, "", false, ""},
    };
    for (const auto& row : rows) {
        const QByteArray name = QByteArray::number(row.kind) + " " + QByteArray::number(row.flags);
        const ConnectorSelection selection = SelectConnectorRow(row.kind, row.flags);
        QVERIFY2(selection.row == row.row, name);
        QVERIFY2(selection.extraItem == row.extraItem, name);
        QVERIFY2(ValidConnectorFlags(row.kind, row.flags) == row.valid, name);
        const ChannelSettings channel = Module(row.kind, row.flags, 100);
        QVERIFY2(SensitivityUnitLabel(channel).text == row.unit, name);
    }
}

void InputPageTest::reloadShowsEveryKindOfRow() {
    Channel(2) = Sound(5, 250);
    Channel(3) = Vibration(2, 316, 1);
    Channel(4) = Vibration(12, 500, 0);
    Channel(4).edited = 1;     // from before the read: the reload forgets it
    Channel(5) = Sound(0, 50); // out of the table, as an amplifier may report
    Channel(6) = Vibration(1, 500, 3);
    OpenPage();
    auto unitText = [this](int number) {
        return FindControl<QLabel>(window_.get(), kUnitBase + number - 1)->text();
    };

    QCOMPARE(Texts(List(1)), QStringList{"- - -"});
    QVERIFY(!List(1)->isEnabled());
    QCOMPARE(Field(1)->text(), QStringLiteral("- - -"));
    QVERIFY(!Field(1)->isEnabled() && !Arrow(1, true)->isEnabled());
    QVERIFY(unitText(1).isEmpty());

    QCOMPARE(Texts(List(2)), (QStringList{"FRONT", "REAR CCLD", "REAR CCLD TEDS"}));
    QCOMPARE(List(2)->currentIndex(), 1);
    QCOMPARE(Field(2)->text(), QStringLiteral("-25.0"));
    QVERIFY(Field(2)->isEnabled() && Arrow(2, false)->isEnabled());
    QCOMPARE(unitText(2), QStringLiteral("dB/pa"));
    QLabel* unit = FindControl<QLabel>(window_.get(), kUnitBase + 1);
    QCOMPARE(unit->geometry(), QRect(330, 73, 80, 26));
    QCOMPARE(unit->accessibleName(), QStringLiteral("No.2 unit"));

    QCOMPARE(Texts(List(3)),
             (QStringList{"FRONT CHARGE", "FRONT CCLD", "FRONT CCLD TEDS", "REAR"}));
    QCOMPARE(List(3)->currentIndex(), 0);
    QCOMPARE(Field(3)->text(), QStringLiteral("3.16"));
    QVERIFY(unitText(3).startsWith(QStringLiteral("pC/m/s<span")));
    QVERIFY(unitText(3).contains(QStringLiteral("super")));

    QCOMPARE(List(4)->currentIndex(), 2);
    QCOMPARE(Field(4)->text(), QStringLiteral("0.500"));
    QVERIFY(!Field(4)->isEnabled() && !Arrow(4, true)->isEnabled() && List(4)->isEnabled());
    QCOMPARE(Channel(4).edited, 0u);
    QCOMPARE(Channel(4).tedsInput, 1u);

    QCOMPARE(Field(5)->text(), QStringLiteral("-10.0"));
    QCOMPARE(Field(6)->text(), QString()); // an exponent the table has not got
    QVERIFY(Field(6)->isEnabled());
    QVERIFY(!App().editor.settingsModified);
}

void InputPageTest::typedSensitivityIsStoredOnLeaving_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("exponent");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");

    QTest::newRow("vibration 5") << int(kVibrationModule) << "5" << 500 << 1 << "5.00"
                                 << "";
    QTest::newRow("vibration 0.5") << int(kVibrationModule) << "0.5" << 500 << 0 << "0.500"
                                   << "";
    QTest::newRow("vibration refuses minus") << int(kVibrationModule) << "-5" << 500 << 1 << "5.00"
                                             << "";
    QTest::newRow("vibration digit limit") << int(kVibrationModule) << "12.34" << 123 << 2 << "12.3"
                                           << "";
    QTest::newRow("vibration 150")
        << int(kVibrationModule) << "150" << 999 << 2 << "99.9" << kAboveMaximum;
    QTest::newRow("vibration 0.05")
        << int(kVibrationModule) << "0.05" << 100 << 0 << "0.100" << kBelowMinimum;
    QTest::newRow("sound -25") << int(kSoundModule) << "-25" << 250 << 0 << "-25.0"
                               << "";
    QTest::newRow("sound 25") << int(kSoundModule) << "25" << 100 << 0 << "-10.0" << kAboveMaximum;
    QTest::newRow("sound -60") << int(kSoundModule) << "-60" << 599 << 0 << "-59.9"
                               << kBelowMinimum;
}

void InputPageTest::typedSensitivityIsStoredOnLeaving() {
    QFETCH(int, kind);
    QFETCH(QString, typed);
    QFETCH(int, value);
    QFETCH(int, exponent);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    BoxRecorder boxes;
    Channel(2) = kind == kSoundModule ? Sound(0, 300) : Vibration(2, 300, 0);
    OpenPage();

    Type(2, typed);
    QVERIFY(App().editor.settingsModified); // typing alone is an edit
    Leave(2);

    const ChannelSetup& setup = Channel(2).editSetup;
    QCOMPARE(int(setup.sensitivity), value);
    QCOMPARE(int(setup.sensitivityExp), exponent);
    QCOMPARE(Field(2)->text(), shown);
    QCOMPARE(Channel(2).deviceSetup.sensitivity, std::uint16_t{300});
    if (message.isEmpty()) {
        QCOMPARE(boxes.boxes.size(), std::size_t{0});
        // Past the rows without a module, round to the only other control that takes the focus.
        QCOMPARE(QApplication::focusWidget(), List(2));
    } else {
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, message);
        QCOMPARE(boxes.boxes[0].owner, window_.get());
        QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);
        QCOMPARE(QApplication::focusWidget(), Field(2));
    }
}

void InputPageTest::emptyFieldIsRefusedOnceAndKeepsTheFocus() {
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
    QCOMPARE(boxes.boxes[0].text, kInputValue);
    QCOMPARE(QApplication::focusWidget(), Field(1));
    QCOMPARE(int(Channel(1).editSetup.sensitivity), 316);
    QCOMPARE(Channel(2).edited, 0u);

    QTest::keyClick(Field(1), Qt::Key_Tab);
    QCOMPARE(boxes.boxes.size(), std::size_t{2});
    QCOMPARE(QApplication::focusWidget(), Field(1));

    QTest::keyClicks(Field(1), "2");
    QTest::keyClick(Field(1), Qt::Key_Tab);
    QCOMPARE(boxes.boxes.size(), std::size_t{2});
    QCOMPARE(QApplication::focusWidget(), List(2));
    QCOMPARE(int(Channel(1).editSetup.sensitivity), 200);
    QCOMPARE(int(Channel(1).editSetup.sensitivityExp), 1);
}

void InputPageTest::leavingAnUnchangedFieldCountsAsAnEdit() {
    Channel(1) = Sound(5, 250);
    OpenPage();
    QTest::mouseClick(Field(1), Qt::LeftButton);
    QVERIFY(!App().editor.settingsModified);
    Leave(1);
    QVERIFY(App().editor.settingsModified);
    QCOMPARE(Channel(1).edited, 1u);
    QCOMPARE(Channel(1).editSetup, Channel(1).deviceSetup);
    QVERIFY(FindControl<QPushButton>(window_.get(), kSend)->isEnabled());
}

void InputPageTest::anotherWindowComingUpIsNoLeaving() {
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

    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QCOMPARE(QApplication::focusWidget(), Field(1));
    Leave(1);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(int(Channel(1).editSetup.sensitivity), 999);
}

void InputPageTest::charactersReachOnlyOpenFields() {
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

void InputPageTest::extraRearItemGoesWhenAListedConnectorIsChosen() {
    Channel(1) = Sound(7, 250); // rear, charge and CCLD: no row of the list
    OpenPage();
    QCOMPARE(Texts(List(1)), (QStringList{"FRONT", "REAR CCLD", "REAR CCLD TEDS", "REAR"}));
    QCOMPARE(List(1)->currentIndex(), 3);
    QVERIFY(FindControl<QLabel>(window_.get(), kUnitBase)->text().isEmpty());

    Choose(List(1), 3); // the extra item again: nothing to change
    QCOMPARE(ConnectorFlags(Channel(1).editSetup), 7);
    QCOMPARE(List(1)->count(), 4);

    Choose(List(1), 0);
    QCOMPARE(Texts(List(1)), (QStringList{"FRONT", "REAR CCLD", "REAR CCLD TEDS"}));
    QCOMPARE(List(1)->currentIndex(), 0);
    QCOMPARE(ConnectorFlags(Channel(1).editSetup), 0);
    QCOMPARE(FindControl<QLabel>(window_.get(), kUnitBase)->text(), QStringLiteral("dB/pa"));
    QVERIFY(App().editor.settingsModified);
}

void InputPageTest::unlistedConnectorStopsTheSend() {
    BoxRecorder boxes;
    Channel(2) = Vibration(4, 500, 1);
    Channel(5) = Vibration(8, 500, 1); // TEDS alone
    Channel(9) = Vibration(8, 500, 1);
    OpenPage();
    QCOMPARE(List(5)->currentText(), QStringLiteral("FRONT"));
    QCOMPARE(List(5)->count(), 5);

    Choose(List(2), 0);
    QTest::mouseClick(FindControl<QPushButton>(window_.get(), kSend), Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Confirm the INPUT value.(No.5)"));
    QCOMPARE(QApplication::focusWidget(), List(5));
    QVERIFY(FindControl<QPushButton>(window_.get(), kSend)->isEnabled()); // nothing was sent

    Choose(List(5), 1);
    Choose(List(9), 1);
    QVERIFY(Page()->CheckValues());
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
}

void InputPageTest::tedsConnectorEmptiesAndLocksTheField() {
    Channel(3) = Sound(5, 250);
    OpenPage();

    Choose(List(3), 2); // REAR CCLD TEDS
    QCOMPARE(ConnectorFlags(Channel(3).editSetup), 13);
    QCOMPARE(Channel(3).tedsInput, 1u);
    QCOMPARE(Field(3)->text(), QString());
    QVERIFY(!Field(3)->isEnabled() && !Arrow(3, true)->isEnabled() &&
            !Arrow(3, false)->isEnabled());

    // The read after the send brings the sensor's value: shown, still locked.
    Channel(3).editSetup.sensitivity = 412;
    Channel(3).deviceSetup = Channel(3).editSetup;
    SendWindowMessage(window_.get(), UM_SETTINGS_LOADED);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(Field(3)->text(), QStringLiteral("-41.2"));
    QVERIFY(!Field(3)->isEnabled());

    Choose(List(3), 1); // back to REAR CCLD: open again, with the last value
    QCOMPARE(Field(3)->text(), QStringLiteral("-41.2"));
    QVERIFY(Field(3)->isEnabled() && Arrow(3, true)->isEnabled());
}

void InputPageTest::shiftCopiesTheChoiceWithinTheModuleKind() {
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

    // Without Shift only the chosen channel changes.
    Choose(List(2), 3);
    QCOMPARE(ConnectorFlags(Channel(2).editSetup), 1);
    QCOMPARE(ConnectorFlags(Channel(7).editSetup), 2);
}

void InputPageTest::arrowsStepTheShownValue_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("exponent");
    QTest::addColumn<QString>("typed"); // empty: the field as loaded
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<int>("newExponent");
    QTest::addColumn<QString>("shown");

    QTest::newRow("0.999 up") << int(kVibrationModule) << 999 << 0 << "" << true << 100 << 1
                              << "1.00";
    QTest::newRow("10.0 down") << int(kVibrationModule) << 100 << 2 << "" << false << 999 << 1
                               << "9.99";
    QTest::newRow("typed, not yet left")
        << int(kVibrationModule) << 500 << 1 << "150" << true << 999 << 2 << "99.9";
    QTest::newRow("sound up") << int(kSoundModule) << 250 << 0 << "" << true << 249 << 0 << "-24.9";
}

void InputPageTest::arrowsStepTheShownValue() {
    QFETCH(int, kind);
    QFETCH(int, value);
    QFETCH(int, exponent);
    QFETCH(QString, typed);
    QFETCH(bool, up);
    QFETCH(int, newValue);
    QFETCH(int, newExponent);
    QFETCH(QString, shown);
    Channel(4) = Module(static_cast<std::uint8_t>(kind), kind == kSoundModule ? 0 : 2,
                        static_cast<std::uint16_t>(value), static_cast<std::uint8_t>(exponent));
    OpenPage();
    if (!typed.isEmpty()) {
        Type(4, typed);
    }

    QTest::mouseClick(Arrow(4, up), Qt::LeftButton);
    QCOMPARE(int(Channel(4).editSetup.sensitivity), newValue);
    QCOMPARE(int(Channel(4).editSetup.sensitivityExp), newExponent);
    QCOMPARE(Field(4)->text(), shown);
    QVERIFY(App().editor.settingsModified);
}

void InputPageTest::tabWalksRowByRowAndSkipsDisabledControls() {
    Channel(1) = Sound(0, 250);
    Channel(3) = Vibration(12, 500, 1); // TEDS: the field is locked
    Channel(16) = Vibration(2, 500, 1);
    OpenPage();

    List(1)->setFocus();
    const int forward[] = {4300, 4202, 4215, 4315, 4200};
    for (int id : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::number(id));
    }
    const int backward[] = {4315, 4215, 4202, 4300, 4200};
    for (int id : backward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::number(id));
    }
}

QTEST_MAIN(InputPageTest)
#include "input_page_test.moc"
