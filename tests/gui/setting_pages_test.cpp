// The measure and user filter pages inside the settings window: what a reload shows, what a
// choice stores, Shift copying a choice; and the Tab order of all three pages.
#include "app/app_context.h"
#include "editor/measure_lists.h"
#include "editor/measure_page.h"
#include "editor/settings_window.h"
#include "tests/support/channels.h"
#include "tests/support/gui_support.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <array>

using namespace va48;
using namespace va48::measure_setup;
namespace fs = va48::filter_setup;
using enum va48::MeasureColumn;

namespace {

constexpr int kSend = 1502;

// Identifier base of each column's lists, in column order.
constexpr std::array<int, kMeasureColumnCount> kListBase = {5200, 5300, 5400, 5500, 5600};

constexpr int kHpfBase = 6200;
constexpr int kLpfBase = 6300;

QStringList Split(const char* texts) {
    return QString::fromLatin1(texts).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class SettingPagesTest : public QObject {
    Q_OBJECT

    void OpenPage() { QVERIFY(settings_.Open(1)); }
    QComboBox* List(int channel, MeasureColumn column) const {
        return FindControl<QComboBox>(settings_.Window(),
                                      kListBase[static_cast<std::size_t>(column)] + channel - 1);
    }
    QPushButton* Send() const { return FindControl<QPushButton>(settings_.Window(), kSend); }
    QComboBox* UserHpf(int row) const {
        return FindControl<QComboBox>(settings_.Window(), kHpfBase + row - 1);
    }
    QComboBox* UserLpf(int row) const {
        return FindControl<QComboBox>(settings_.Window(), kLpfBase + row - 1);
    }

    TestProgram program_;
    SettingsUnderTest settings_;

  private slots:
    void init() { program_.Reset(); }
    void cleanup() { settings_.Close(); }

    void reloadFillsEveryRow() {
        Channel(1) = Sound(253, 2);
        Channel(1).rangeUnselected = 1; // a reload chooses the stored range again
        Channel(2) = Vibration(0, 1, 6);
        Channel(3) = Vibration(2, 3, 0);
        Channel(3).editSetup.timeWeightDetection = 3;
        Channel(4) = Filters(Sound(400), -2, -1, "3.00Hz");
        Channel(4).editSetup.hpfMode = 3;
        OpenPage();

        QCOMPARE(Channel(1).rangeUnselected, 0u);
        QCOMPARE(Texts(List(1, Range)), Split("80 90 100 110 120 130"));
        QCOMPARE(List(1, Range)->currentText(), QStringLiteral("100"));
        QCOMPARE(List(2, Range)->currentText(), QStringLiteral("10000"));
        QCOMPARE(List(3, FreqWeightUnit)->currentText(), QStringLiteral("mm"));
        QCOMPARE(List(3, TimeWeightDetection)->currentText(), QStringLiteral("EQ P-P"));
        QCOMPARE(List(4, Hpf)->currentText(), QStringLiteral("3.00Hz"));
        QCOMPARE(List(4, Hpf)->currentData().toInt(), 3);

        for (int c = 0; c < kMeasureColumnCount; ++c) {
            QComboBox* list = List(5, static_cast<MeasureColumn>(c));
            QCOMPARE(Texts(list), QStringList{QStringLiteral("- - -")});
            QCOMPARE(list->currentIndex(), 0);
            QVERIFY(!list->isEnabled());
        }
        QVERIFY(!App().editor.settingsModified); // filling is never an edit
    }

    void unitChangeEmptiesTheRangeAndSendNamesTheChannel() {
        BoxRecorder boxes;
        Channel(1) = Sound(253, 0);
        Channel(5) = Vibration(0, 1, 3);
        OpenPage();

        Choose(List(5, FreqWeightUnit), 1); // mm/s
        QComboBox* range = List(5, Range);
        QCOMPARE(int(Channel(5).editSetup.freqWeightUnit), 2);
        QCOMPARE(Channel(5).rangeUnselected, 1u);
        QCOMPARE(range->currentIndex(), -1);
        QCOMPARE(Texts(range), Split("10 30 100 300 1000 3000 10000"));

        QTest::mouseClick(Send(), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("Confirm the RANGE value.(No.5)"));
        QCOMPARE(boxes.boxes[0].icon, BoxIcon::Exclamation);
        QCOMPARE(boxes.boxes[0].owner, range->parentWidget());
        QCOMPARE(settings_.Window()->focusWidget(), range);
        QVERIFY(Send()->isEnabled()); // nothing went out

        Choose(range, 4);
        QCOMPARE(Channel(5).rangeUnselected, 0u);
        QCOMPARE(int(Channel(5).editSetup.rangeIndex), 4);
        QTest::mouseClick(Send(), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QVERIFY(!Send()->isEnabled()); // the send is on its way
    }

    void shiftCopiesToTheSameModuleKindOnly() {
        for (int channel : {1, 2, 4}) {
            Channel(channel) = Sound(253, 1);
        }
        Channel(3) = Vibration(0, 1, 2);
        Channel(6) = Vibration(1, 3, 2);
        Channel(7) = Vibration(1, 2, 2);
        OpenPage();

        Choose(List(2, TimeWeightDetection), 1, Qt::ShiftModifier); // S
        for (int channel : {1, 2, 4}) {
            QCOMPARE(int(Channel(channel).editSetup.timeWeightDetection), 2);
            QCOMPARE(List(channel, TimeWeightDetection)->currentText(), QStringLiteral("S"));
        }
        QCOMPARE(int(Channel(3).editSetup.timeWeightDetection), 1);

        // A unit choice, copied or not, empties the range of every vibration channel it reaches.
        Choose(List(3, FreqWeightUnit), 0, Qt::ShiftModifier); // m/s2 again
        QCOMPARE(Channel(3).rangeUnselected, 1u);
        QCOMPARE(int(Channel(6).editSetup.freqWeightUnit), 1);
        QCOMPARE(Channel(6).rangeUnselected, 1u);
        QCOMPARE(List(6, Range)->currentIndex(), -1);
        QCOMPARE(Texts(List(6, Range)), Split("1 3 10 30 100 300 1000"));
        QCOMPARE(Channel(7).rangeUnselected, 1u);
        QCOMPARE(int(Channel(1).editSetup.freqWeightUnit), 1);

        // A range is never copied; without Shift only the chosen channel changes.
        Choose(List(1, Range), 5, Qt::ShiftModifier);
        QCOMPARE(int(Channel(1).editSetup.rangeIndex), 5);
        QCOMPARE(int(Channel(2).editSetup.rangeIndex), 1);
        QCOMPARE(List(2, Range)->currentText(), QStringLiteral("90"));
        Choose(List(1, Lpf), 1);
        QCOMPARE(int(Channel(1).editSetup.lpfMode), 2);
        QCOMPARE(int(Channel(2).editSetup.lpfMode), 1);
    }

    void shiftCopiesTheOtherFilterOnlyWhereItIsOffered() {
        Channel(1) = Filters(Sound(253), 4, -1);  // 6.3Hz
        Channel(2) = Sound(253);                  // off: no other item
        Channel(3) = Filters(Sound(253), -2, -1); // user filter chosen but not enabled
        Channel(3).editSetup.hpfMode = 2;
        Channel(4) = Filters(Sound(253), -2, -1, "7.50Hz");
        Channel(5) = Filters(Vibration(0, 1), 4, -1);
        OpenPage();
        QCOMPARE(Texts(List(2, Hpf)), (QStringList{"- - -", "20Hz"}));

        Choose(List(1, Hpf), 2, Qt::ShiftModifier);
        const struct {
            int channel;
            int mode;
            const char* shown;
        } rows[] = {{1, 3, "6.3Hz"}, {2, 1, "- - -"}, {3, 2, "20Hz"}, {4, 3, "7.50Hz"}, {5, 1, ""}};
        for (const auto& row : rows) {
            QCOMPARE(int(Channel(row.channel).editSetup.hpfMode), row.mode);
            if (*row.shown) {
                QCOMPARE(List(row.channel, Hpf)->currentText(), QString::fromLatin1(row.shown));
            }
        }
    }

    void valuesOutsideTheTablesShowSomethingSensible() {
        BoxRecorder boxes;
        Channel(1) = Sound(253);
        Channel(2) = Sound(50); // no row of ranges (which lists are offered is the rules' suite)
        Channel(4) = Filters(Sound(253, 9), 40, -1);
        Channel(4).editSetup.hpfMode = 3;
        Channel(4).editSetup.freqWeightUnit = 9;
        Channel(5).moduleKind = 7;
        OpenPage();

        QCOMPARE(List(2, Range)->count(), 0);
        QVERIFY(List(2, Range)->isEnabled());
        QCOMPARE(List(4, Range)->currentIndex(), -1);
        QCOMPARE(List(4, Hpf)->currentIndex(), 0);
        QCOMPARE(List(4, FreqWeightUnit)->currentText(), QStringLiteral("A"));
        QVERIFY(!List(5, Hpf)->isEnabled());
        // Shown, but nothing the amplifier sent is rewritten until the user chooses.
        QCOMPARE(int(Channel(4).editSetup.hpfMode), 3);
        QCOMPARE(int(Channel(4).editSetup.freqWeightUnit), 9);

        Choose(List(1, Lpf), 1);
        QTest::mouseClick(Send(), Qt::LeftButton);
        QCOMPARE(boxes.boxes.size(), std::size_t{1});
        QCOMPARE(boxes.boxes[0].text, QStringLiteral("Confirm the RANGE value.(No.2)"));
    }

    void reloadShowsEveryRowWithoutAnEdit() {
        App().device.channels[0] = fs::Sound(10, 26);
        App().device.channels[1] = fs::Vibration(-1, 22);
        App().device.channels[2] = fs::WithUserHpf(fs::Sound(-2, 40), 300);
        App().device.channels[3] = fs::Module(kNoModule, 3, 3);
        QVERIFY(settings_.Open(2));

        const struct {
            int row;
            QString hpf; // shown texts (the lists are the rules' suite's)
            QString lpf;
        } rows[] = {
            {1, "20Hz", "50kHz"},
            {2, "- - -", "20kHz"},
            {3, "3.00Hz", "- - -"}, // LPF 40 from the amplifier
        };
        for (const auto& row : rows) {
            QComboBox* hpf = UserHpf(row.row);
            QComboBox* lpf = UserLpf(row.row);
            QVERIFY(hpf->isEnabled() && lpf->isEnabled());
            QCOMPARE(hpf->currentText(), row.hpf);
            QCOMPARE(lpf->currentText(), row.lpf);
        }
        for (int r = 4; r <= 16; ++r) {
            for (QComboBox* list : {UserHpf(r), UserLpf(r)}) {
                QCOMPARE(Texts(list), QStringList{"- - -"});
                QCOMPARE(list->currentIndex(), 0);
                QVERIFY(!list->isEnabled());
            }
        }
        // Showing the lists stores nothing and is no edit.
        QCOMPARE(App().device.channels[2].editSetup.lpfIndex, std::int8_t{40});
        QVERIFY(!App().editor.settingsModified);

        // A later read-all that removed the module disables the row.
        App().device.channels[0] = fs::Module(kNoModule, 0, 0);
        settings_.Reload();
        QVERIFY(!UserHpf(1)->isEnabled());
        QCOMPARE(Texts(UserLpf(1)), QStringList{"- - -"});
    }

    void shiftCopiesThePositionWithinTheModuleKind() {
        DeviceState& device = App().device;
        device.channels[0] = fs::WithUserHpf(fs::Sound(21, 0), 300);
        device.channels[1] = fs::Sound(4, 0);                           // no user HPF
        device.channels[2] = fs::WithUserHpf(fs::Vibration(6, 0), 500); // other kind
        device.channels[3] = fs::WithUserHpf(fs::Sound(0, 0), 1320);
        QVERIFY(settings_.Open(2));

        // Which channels take a choice is the rule's (ApplyFilterChoice); here the rows show it.
        QTest::keyClick(UserHpf(1), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(device.channels[0].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(device.channels[3].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(UserHpf(2)->currentText(), QStringLiteral("6.3Hz"));
        QCOMPARE(UserHpf(3)->currentText(), QStringLiteral("10Hz"));
        QCOMPARE(UserHpf(4)->currentText(), QStringLiteral("13.2Hz"));
        QVERIFY(App().editor.settingsModified);
    }

    // Tab and Shift+Tab go row by row over the controls that can be used, round at the ends:
    // channels 1 and 16 hold sound modules, 3 a vibration module on its TEDS connector (its
    // sensitivity locked).
    void tabWalksRowByRowOverUsableControls_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("back");
        QTest::addColumn<QString>("walk");
        QTest::newRow("input") << 0 << 4200 << false << "4300 4202 4215 4315 4200";
        QTest::newRow("input, back") << 0 << 4200 << true << "4315 4215 4202 4300 4200";
        QTest::newRow("measure") << 1 << 5200 << false << "5300 5400 5500 5600 5202 5302 5402";
        QTest::newRow("measure, back") << 1 << 5200 << true << "5615 5515 5415 5315 5215";
        QTest::newRow("user filter") << 2 << 6200 << false << "6300 6202 6302 6215 6315 6200";
        QTest::newRow("user filter, back") << 2 << 6200 << true << "6315 6215 6302 6202 6300 6200";
    }

    void tabWalksRowByRowOverUsableControls() {
        QFETCH(int, tab);
        QFETCH(int, from);
        QFETCH(bool, back);
        QFETCH(QString, walk);
        Channel(1) = input_setup::Sound(0, 250);
        Channel(3) = input_setup::Vibration(12, 500, 1);
        Channel(16) = input_setup::Sound(0, 250);
        QVERIFY(settings_.Open(tab));
        FindControl<QWidget>(settings_.Window(), from)->setFocus();
        const QStringList expected = walk.split(QLatin1Char(' '));
        const int steps = static_cast<int>(expected.size());
        QCOMPARE(back ? TabWalk(steps, Qt::Key_Backtab, Qt::ShiftModifier) : TabWalk(steps),
                 expected);
        // Moving over lists is no choice (a sensitivity field left is committed).
        QVERIFY(tab == 0 || !App().editor.settingsModified);
    }
};

QTEST_MAIN(SettingPagesTest)
#include "setting_pages_test.moc"
