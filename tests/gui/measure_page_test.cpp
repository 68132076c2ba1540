#include "app/app_context.h"
#include "app/messages.h"
#include "app/window_message.h"
#include "editor/measure_lists.h"
#include "editor/measure_page.h"
#include "editor/settings_window.h"
#include "tests/support/gui_support.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <cstring>
#include <memory>

using namespace va48;

Q_DECLARE_METATYPE(va48::ChannelSettings)
Q_DECLARE_METATYPE(va48::MeasureColumn)

namespace {

constexpr int kSend = 1502;

// Identifier base of each column's lists, in column order.
constexpr std::array<int, kMeasureColumnCount> kListBase = {5200, 5300, 5400, 5500, 5600};

ChannelSettings Sound(int sensitivity, int rangeIndex = 0) {
    ChannelSettings channel;
    channel.moduleKind = kSoundModule;
    ChannelSetup& setup = channel.editSetup;
    setup.sensitivity = static_cast<std::uint16_t>(sensitivity);
    setup.rangeIndex = static_cast<std::uint8_t>(rangeIndex);
    setup.freqWeightUnit = 1;
    setup.timeWeightDetection = 1;
    setup.hpfMode = 1;
    setup.lpfMode = 1;
    setup.hpfIndex = -1;
    setup.lpfIndex = -1;
    return channel;
}

ChannelSettings Vibration(int exponent, int unit, int rangeIndex = 0) {
    ChannelSettings channel = Sound(500, rangeIndex);
    channel.moduleKind = kVibrationModule;
    channel.editSetup.sensitivityExp = static_cast<std::uint8_t>(exponent);
    channel.editSetup.freqWeightUnit = static_cast<std::uint8_t>(unit);
    return channel;
}

void SetLabel(UserFilter& filter, const char* label) {
    filter.enabled = 1;
    std::strncpy(filter.cutoffLabel.data(), label, filter.cutoffLabel.size() - 1);
}

ChannelSettings& Channel(int channel) {
    return App().device.channels[static_cast<std::size_t>(channel - 1)];
}

QStringList Texts(const std::vector<MeasureItem>& items) {
    QStringList texts;
    for (const MeasureItem& item : items) {
        texts << QString::fromStdString(item.text);
    }
    return texts;
}

QStringList Texts(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

QStringList Split(const char* texts) {
    return QString::fromLatin1(texts).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Opens the list's drop-down and picks item `index` with Return, as a user does; Shift can be
// held with `modifiers`.
void Choose(QComboBox* list, int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return, modifiers);
}

} // namespace

class MeasurePageTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_.Executable()),
                                            Language::English);
    }
    void init() { App().device = DeviceState{}; }
    void cleanup() { window_.reset(); }
    void cleanupTestCase() { app_.reset(); }

    // The lists without a window.
    void rangeItems_data();
    void rangeItems();
    void filterItems_data();
    void filterItems();
    void storeChoice_data();
    void storeChoice();

    // The page in the settings window.
    void gridSitsWhereTheLayoutPutsIt();
    void reloadFillsEveryRow();
    void choiceStoresTheCodeAndReportsAnEdit();
    void unitChangeEmptiesTheRangeAndSendNamesTheChannel();
    void shiftCopiesToTheSameModuleKindOnly();
    void shiftCopiesTheOtherFilterOnlyWhereItIsOffered();
    void shiftWithARangeChangesOnlyThatChannel();
    void valuesOutsideTheTablesShowSomethingSensible();
    void tabWalksRowByRowAndSkipsDisabledLists();

  private:
    // Opens the settings window on the loaded device image and shows the measure page.
    void OpenPage();
    QComboBox* List(int channel, MeasureColumn column) const {
        return FindControl<QComboBox>(window_.get(),
                                      kListBase[static_cast<std::size_t>(column)] + channel - 1);
    }

    FakeInstall install_;
    std::unique_ptr<AppContext> app_;
    std::unique_ptr<SettingsWindow> window_;
};

void MeasurePageTest::OpenPage() {
    window_ = std::make_unique<SettingsWindow>();
    App().windows.settingsWindow = window_.get();
    window_->show();
    SendWindowMessage(window_.get(), UM_SETTINGS_LOADED);
    QCoreApplication::sendPostedEvents();
    FindControl<QTabBar>(window_.get(), 1500)->setCurrentIndex(1);
}

void MeasurePageTest::rangeItems_data() {
    QTest::addColumn<ChannelSettings>("channel");
    QTest::addColumn<QString>("texts");

    QTest::newRow("sound 100: first row") << Sound(100) << "70 80 90 100 110 120";
    QTest::newRow("sound 253") << Sound(253) << "80 90 100 110 120 130";
    QTest::newRow("sound 599: last row") << Sound(599) << "110 120 130 140 150 160";
    QTest::newRow("sound 50: below the table") << Sound(50) << "";
    QTest::newRow("sound 600: above the table") << Sound(600) << "";
    QTest::newRow("vibration exp 0 m/s2") << Vibration(0, 1) << "10 30 100 300 1000 3000 10000";
    QTest::newRow("vibration exp 1 mm/s") << Vibration(1, 2) << "1 3 10 30 100 300 1000";
    QTest::newRow("vibration exp 2 mm") << Vibration(2, 3) << "0.01 0.03 0.1 0.3 1 3 10";
    QTest::newRow("vibration exp 3") << Vibration(3, 1) << "";
    QTest::newRow("vibration unit 0") << Vibration(0, 0) << "";
    QTest::newRow("vibration unit 4") << Vibration(0, 4) << "";
}

void MeasurePageTest::rangeItems() {
    QFETCH(ChannelSettings, channel);
    QFETCH(QString, texts);
    const auto row = BuildMeasureRow(channel);
    QVERIFY(row);
    const MeasureList& range = (*row)[0];
    QCOMPARE(Texts(range.items), Split(texts.toLatin1().constData()));
    for (std::size_t k = 0; k < range.items.size(); ++k) {
        QCOMPARE(range.items[k].code, static_cast<int>(k));
    }
}

void MeasurePageTest::filterItems_data() {
    QTest::addColumn<ChannelSettings>("channel");
    QTest::addColumn<MeasureColumn>("column");
    QTest::addColumn<QString>("other"); // the "other" item's text; empty: not offered

    ChannelSettings hpf0 = Sound(200);
    hpf0.editSetup.hpfIndex = 0;
    ChannelSettings userHpf = Sound(200);
    userHpf.editSetup.hpfIndex = -2;
    SetLabel(userHpf.editUserHpf, "3.00Hz");
    ChannelSettings userHpfOff = userHpf;
    userHpfOff.editUserHpf.enabled = 0;
    ChannelSettings userHpfNotSelected = userHpf;
    userHpfNotSelected.editSetup.hpfIndex = 21;
    ChannelSettings hpfBeyond = Sound(200);
    hpfBeyond.editSetup.hpfIndex = 22;
    ChannelSettings hpf40 = Sound(200);
    hpf40.editSetup.hpfIndex = 40;
    ChannelSettings soundLpf26 = Sound(200);
    soundLpf26.editSetup.lpfIndex = 26;
    ChannelSettings vibrationLpf26 = Vibration(0, 1);
    vibrationLpf26.editSetup.lpfIndex = 26;
    ChannelSettings vibrationLpf22 = Vibration(0, 1);
    vibrationLpf22.editSetup.lpfIndex = 22;
    ChannelSettings vibrationUserLpf = Vibration(0, 1);
    vibrationUserLpf.editSetup.lpfIndex = -2;
    SetLabel(vibrationUserLpf.editUserLpf, "12.5kHz");

    using enum MeasureColumn;
    QTest::newRow("sound HPF off") << Sound(200) << Hpf << "";
    QTest::newRow("sound HPF fine row 0") << hpf0 << Hpf << "3Hz";
    QTest::newRow("sound HPF fine row 21") << userHpfNotSelected << Hpf << "160Hz";
    QTest::newRow("sound HPF user filter") << userHpf << Hpf << "3.00Hz";
    QTest::newRow("sound HPF user filter not enabled") << userHpfOff << Hpf << "";
    QTest::newRow("HPF index past the fine list") << hpfBeyond << Hpf << "";
    QTest::newRow("HPF index 40") << hpf40 << Hpf << "";
    QTest::newRow("sound LPF 50kHz") << soundLpf26 << Lpf << "50kHz";
    QTest::newRow("vibration LPF list ends at 20kHz") << vibrationLpf26 << Lpf << "";
    QTest::newRow("vibration LPF 20kHz") << vibrationLpf22 << Lpf << "20kHz";
    QTest::newRow("vibration LPF user filter") << vibrationUserLpf << Lpf << "12.5kHz";
}

void MeasurePageTest::filterItems() {
    QFETCH(ChannelSettings, channel);
    QFETCH(MeasureColumn, column);
    QFETCH(QString, other);
    const bool sound = channel.moduleKind == kSoundModule;
    const bool hpf = column == MeasureColumn::Hpf;
    QStringList fixed;
    if (sound) {
        fixed = hpf ? QStringList{"- - -", "20Hz"} : QStringList{"- - -", "20kHz"};
    } else {
        fixed = hpf ? QStringList{"- - -", "3Hz",  "5Hz",   "10Hz",  "15Hz", "20Hz",
                                  "30Hz",  "50Hz", "100Hz", "150Hz", "200Hz"}
                    : QStringList{"- - -", "300Hz", "500Hz", "1kHz",  "1.5kHz", "2kHz",
                                  "3kHz",  "5kHz",  "10kHz", "15kHz", "20kHz"};
    }
    QStringList expected = fixed;
    if (!other.isEmpty()) {
        expected << other;
    }

    const auto row = BuildMeasureRow(channel);
    QVERIFY(row);
    const std::vector<MeasureItem>& items = (*row)[static_cast<std::size_t>(column)].items;
    QCOMPARE(Texts(items), expected);
    for (qsizetype i = 0; i < fixed.size(); ++i) {
        QCOMPARE(items[static_cast<std::size_t>(i)].code, static_cast<int>(i) + 1);
    }
    if (!other.isEmpty()) {
        QCOMPARE(items.back().code, sound ? 3 : 12);
    }
}

void MeasurePageTest::storeChoice_data() {
    QTest::addColumn<ChannelSettings>("channel");
    QTest::addColumn<MeasureColumn>("column");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<ChannelSettings>("after");

    using enum MeasureColumn;
    ChannelSettings unselected = Sound(300, 1);
    unselected.rangeUnselected = 1;
    ChannelSettings ranged = Sound(300, 4);
    QTest::newRow("range chosen") << unselected << Range << 4 << true << ranged;
    QTest::newRow("range past the list") << ranged << Range << 6 << false << ranged;

    ChannelSettings mmPerS = Vibration(1, 2);
    mmPerS.rangeUnselected = 1;
    QTest::newRow("vibration unit changed")
        << Vibration(1, 1) << FreqWeightUnit << 2 << true << mmPerS;
    ChannelSettings sameUnit = Vibration(1, 1);
    sameUnit.rangeUnselected = 1;
    QTest::newRow("vibration unit chosen again")
        << Vibration(1, 1) << FreqWeightUnit << 1 << true << sameUnit;
    ChannelSettings cWeighted = Sound(300);
    cWeighted.editSetup.freqWeightUnit = 2;
    QTest::newRow("sound weighting keeps the range")
        << Sound(300) << FreqWeightUnit << 2 << true << cWeighted;

    ChannelSettings fine = Sound(300);
    fine.editSetup.hpfIndex = 5;
    ChannelSettings fineChosen = fine;
    fineChosen.editSetup.hpfMode = 3;
    QTest::newRow("other HPF offered") << fine << Hpf << 3 << true << fineChosen;
    QTest::newRow("other HPF not offered") << Sound(300) << Hpf << 3 << false << Sound(300);
    QTest::newRow("sound LPF has no code 11") << Sound(300) << Lpf << 11 << false << Sound(300);
    QTest::newRow("no module") << ChannelSettings{} << Hpf << 1 << false << ChannelSettings{};
}

void MeasurePageTest::storeChoice() {
    QFETCH(ChannelSettings, channel);
    QFETCH(MeasureColumn, column);
    QFETCH(int, code);
    QFETCH(bool, stored);
    QFETCH(ChannelSettings, after);
    QCOMPARE(StoreMeasureChoice(channel, column, code), stored);
    QVERIFY(channel == after);
}

void MeasurePageTest::gridSitsWhereTheLayoutPutsIt() {
    OpenPage();
    struct Expected {
        int id;
        int x;
        int width;
        const char* name;
    };
    // Row 3: y = 40 + 30 * 2.
    const std::array<Expected, 5> lists = {{
        {5202, 70, 80, "No.3 RANGE"},
        {5302, 160, 120, "No.3 FREQ.WEIGHT./UNIT"},
        {5402, 290, 120, "No.3 TIME.WEIGHT./DETECTION"},
        {5502, 420, 80, "No.3 HPF"},
        {5602, 510, 80, "No.3 LPF"},
    }};
    for (const Expected& expected : lists) {
        auto* list = FindControl<QComboBox>(window_.get(), expected.id);
        QVERIFY2(list, qPrintable(QString::number(expected.id)));
        QCOMPARE(list->geometry().topLeft(), QPoint(expected.x, 100));
        QCOMPARE(list->width(), expected.width);
        QCOMPARE(list->accessibleName(), QString::fromLatin1(expected.name));
    }
    QCOMPARE(FindControl<QLabel>(window_.get(), 5102)->text(), QStringLiteral("No.3"));
    QCOMPARE(FindControl<QLabel>(window_.get(), 5001)->text(),
             QStringLiteral("FREQ.WEIGHT.\n/UNIT"));
    QCOMPARE(FindControl<QLabel>(window_.get(), 5004)->geometry(), QRect(510, 0, 80, 40));
    QCOMPARE(List(1, MeasureColumn::Range)->parentWidget()->size(), QSize(590, 516));
}

void MeasurePageTest::reloadFillsEveryRow() {
    Channel(1) = Sound(253, 2);
    Channel(1).rangeUnselected = 1; // a reload chooses the stored range again
    Channel(2) = Vibration(0, 1, 6);
    Channel(3) = Vibration(2, 3, 0);
    Channel(3).editSetup.timeWeightDetection = 3;
    Channel(4) = Sound(400);
    Channel(4).editSetup.hpfIndex = -2;
    Channel(4).editSetup.hpfMode = 3;
    SetLabel(Channel(4).editUserHpf, "3.00Hz");
    OpenPage();

    QCOMPARE(Channel(1).rangeUnselected, 0u);
    QCOMPARE(Texts(List(1, MeasureColumn::Range)), Split("80 90 100 110 120 130"));
    QCOMPARE(List(1, MeasureColumn::Range)->currentText(), QStringLiteral("100"));
    QCOMPARE(List(2, MeasureColumn::Range)->currentText(), QStringLiteral("10000"));
    QCOMPARE(Texts(List(3, MeasureColumn::Range)), Split("0.01 0.03 0.1 0.3 1 3 10"));
    QCOMPARE(List(3, MeasureColumn::FreqWeightUnit)->currentText(), QStringLiteral("mm"));
    QCOMPARE(List(3, MeasureColumn::TimeWeightDetection)->currentText(), QStringLiteral("EQ P-P"));
    QCOMPARE(List(4, MeasureColumn::Hpf)->currentText(), QStringLiteral("3.00Hz"));
    QCOMPARE(List(4, MeasureColumn::Hpf)->currentData().toInt(), 3);

    for (int c = 0; c < kMeasureColumnCount; ++c) {
        QComboBox* list = List(5, static_cast<MeasureColumn>(c));
        QCOMPARE(Texts(list), QStringList{QStringLiteral("- - -")});
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(!list->isEnabled());
    }
    QVERIFY(!App().editor.settingsModified); // filling is never an edit
}

void MeasurePageTest::choiceStoresTheCodeAndReportsAnEdit() {
    Channel(1) = Sound(253, 0);
    OpenPage();
    auto* send = FindControl<QPushButton>(window_.get(), kSend);
    QVERIFY(!send->isEnabled());

    Choose(List(1, MeasureColumn::TimeWeightDetection), 2);
    QCOMPARE(int(Channel(1).editSetup.timeWeightDetection), 3);
    QVERIFY(App().editor.settingsModified);
    QVERIFY(send->isEnabled());

    // An arrow key on a closed list is a choice too.
    QTest::keyClick(List(1, MeasureColumn::Range), Qt::Key_Down);
    QCOMPARE(int(Channel(1).editSetup.rangeIndex), 1);
    QCOMPARE(List(1, MeasureColumn::Range)->currentText(), QStringLiteral("90"));
}

void MeasurePageTest::unitChangeEmptiesTheRangeAndSendNamesTheChannel() {
    BoxRecorder boxes;
    Channel(1) = Sound(253, 0);
    Channel(5) = Vibration(0, 1, 3);
    OpenPage();

    Choose(List(5, MeasureColumn::FreqWeightUnit), 1); // mm/s
    QComboBox* range = List(5, MeasureColumn::Range);
    QCOMPARE(int(Channel(5).editSetup.freqWeightUnit), 2);
    QCOMPARE(Channel(5).rangeUnselected, 1u);
    QCOMPARE(range->currentIndex(), -1);
    QCOMPARE(Texts(range), Split("10 30 100 300 1000 3000 10000"));

    auto* send = FindControl<QPushButton>(window_.get(), kSend);
    QTest::mouseClick(send, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Confirm the RANGE value.(No.5)"));
    QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);
    QCOMPARE(boxes.boxes[0].owner, range->parentWidget());
    QCOMPARE(window_->focusWidget(), range);
    QVERIFY(send->isEnabled()); // nothing went out

    Choose(range, 4);
    QCOMPARE(Channel(5).rangeUnselected, 0u);
    QCOMPARE(int(Channel(5).editSetup.rangeIndex), 4);
    QTest::mouseClick(send, Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QVERIFY(!send->isEnabled()); // the send is on its way
}

void MeasurePageTest::shiftCopiesToTheSameModuleKindOnly() {
    for (int channel : {1, 2, 4}) {
        Channel(channel) = Sound(253, 1);
    }
    Channel(3) = Vibration(0, 1, 2);
    Channel(6) = Vibration(1, 3, 2);
    Channel(7) = Vibration(1, 2, 2);
    OpenPage();

    Choose(List(2, MeasureColumn::TimeWeightDetection), 1, Qt::ShiftModifier); // S
    for (int channel : {1, 2, 4}) {
        QCOMPARE(int(Channel(channel).editSetup.timeWeightDetection), 2);
        QCOMPARE(List(channel, MeasureColumn::TimeWeightDetection)->currentText(),
                 QStringLiteral("S"));
    }
    QCOMPARE(int(Channel(3).editSetup.timeWeightDetection), 1);

    // A unit choice, copied or not, empties the range of every vibration channel it reaches.
    Choose(List(3, MeasureColumn::FreqWeightUnit), 0, Qt::ShiftModifier); // m/s2 again
    QCOMPARE(Channel(3).rangeUnselected, 1u);
    QCOMPARE(int(Channel(6).editSetup.freqWeightUnit), 1);
    QCOMPARE(Channel(6).rangeUnselected, 1u);
    QCOMPARE(List(6, MeasureColumn::Range)->currentIndex(), -1);
    QCOMPARE(Texts(List(6, MeasureColumn::Range)), Split("1 3 10 30 100 300 1000"));
    QCOMPARE(Channel(7).rangeUnselected, 1u);
    QCOMPARE(int(Channel(1).editSetup.freqWeightUnit), 1);

    // Without Shift only the chosen channel changes.
    Choose(List(1, MeasureColumn::Lpf), 1);
    QCOMPARE(int(Channel(1).editSetup.lpfMode), 2);
    QCOMPARE(int(Channel(2).editSetup.lpfMode), 1);
}

void MeasurePageTest::shiftCopiesTheOtherFilterOnlyWhereItIsOffered() {
    Channel(1) = Sound(253);
    Channel(1).editSetup.hpfIndex = 4; // 6.3Hz
    Channel(2) = Sound(253);           // off: no other item
    Channel(3) = Sound(253);           // user filter chosen but not enabled: no other item
    Channel(3).editSetup.hpfIndex = -2;
    Channel(3).editSetup.hpfMode = 2;
    Channel(4) = Sound(253);
    Channel(4).editSetup.hpfIndex = -2;
    SetLabel(Channel(4).editUserHpf, "7.50Hz");
    Channel(5) = Vibration(0, 1);
    Channel(5).editSetup.hpfIndex = 4;
    OpenPage();
    QCOMPARE(Texts(List(2, MeasureColumn::Hpf)), QStringList({"- - -", "20Hz"}));

    Choose(List(1, MeasureColumn::Hpf), 2, Qt::ShiftModifier);
    QCOMPARE(int(Channel(1).editSetup.hpfMode), 3);
    QCOMPARE(List(1, MeasureColumn::Hpf)->currentText(), QStringLiteral("6.3Hz"));
    QCOMPARE(int(Channel(2).editSetup.hpfMode), 1);
    QCOMPARE(int(Channel(3).editSetup.hpfMode), 2);
    QCOMPARE(List(3, MeasureColumn::Hpf)->currentText(), QStringLiteral("20Hz"));
    QCOMPARE(int(Channel(4).editSetup.hpfMode), 3);
    QCOMPARE(List(4, MeasureColumn::Hpf)->currentText(), QStringLiteral("7.50Hz"));
    QCOMPARE(int(Channel(5).editSetup.hpfMode), 1);
}

void MeasurePageTest::shiftWithARangeChangesOnlyThatChannel() {
    Channel(1) = Sound(253, 0);
    Channel(2) = Sound(253, 0);
    OpenPage();
    Choose(List(1, MeasureColumn::Range), 5, Qt::ShiftModifier);
    QCOMPARE(int(Channel(1).editSetup.rangeIndex), 5);
    QCOMPARE(int(Channel(2).editSetup.rangeIndex), 0);
    QCOMPARE(List(2, MeasureColumn::Range)->currentText(), QStringLiteral("80"));
}

void MeasurePageTest::valuesOutsideTheTablesShowSomethingSensible() {
    BoxRecorder boxes;
    Channel(1) = Sound(253);
    Channel(2) = Sound(50);
    Channel(3) = Vibration(3, 1);
    Channel(4) = Sound(253, 9);
    Channel(4).editSetup.hpfIndex = 40;
    Channel(4).editSetup.hpfMode = 3;
    Channel(4).editSetup.freqWeightUnit = 9;
    Channel(5).moduleKind = 7;
    OpenPage();

    QCOMPARE(List(2, MeasureColumn::Range)->count(), 0);
    QVERIFY(List(2, MeasureColumn::Range)->isEnabled());
    QCOMPARE(List(3, MeasureColumn::Range)->count(), 0);
    QCOMPARE(List(4, MeasureColumn::Range)->currentIndex(), -1);
    QCOMPARE(Texts(List(4, MeasureColumn::Hpf)), QStringList({"- - -", "20Hz"}));
    QCOMPARE(List(4, MeasureColumn::Hpf)->currentIndex(), 0);
    QCOMPARE(List(4, MeasureColumn::FreqWeightUnit)->currentText(), QStringLiteral("A"));
    QVERIFY(!List(5, MeasureColumn::Hpf)->isEnabled());
    // Shown, but nothing the amplifier sent is rewritten until the user chooses.
    QCOMPARE(int(Channel(4).editSetup.hpfMode), 3);
    QCOMPARE(int(Channel(4).editSetup.freqWeightUnit), 9);

    Choose(List(1, MeasureColumn::Lpf), 1);
    QTest::mouseClick(FindControl<QPushButton>(window_.get(), kSend), Qt::LeftButton);
    QCOMPARE(boxes.boxes.size(), std::size_t{1});
    QCOMPARE(boxes.boxes[0].text, QStringLiteral("Confirm the RANGE value.(No.2)"));
}

void MeasurePageTest::tabWalksRowByRowAndSkipsDisabledLists() {
    Channel(1) = Sound(253);
    Channel(3) = Vibration(0, 1);
    Channel(16) = Sound(253);
    OpenPage();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));

    List(1, MeasureColumn::Range)->setFocus();
    const std::array<int, 7> forward = {5300, 5400, 5500, 5600, 5202, 5302, 5402};
    for (int id : forward) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::number(id));
    }
    List(1, MeasureColumn::Range)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("5615"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("5200"));
    QVERIFY(!App().editor.settingsModified); // moving is no choice
}

QTEST_MAIN(MeasurePageTest)
#include "measure_page_test.moc"
