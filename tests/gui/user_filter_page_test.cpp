#include "app/app_context.h"
#include "editor/settings_window.h"
#include "tests/support/channels.h"
#include "tests/support/gui_support.h"

#include <QComboBox>
#include <QtTest>

#include <array>

using namespace va48;
using namespace va48::filter_setup;

namespace {

constexpr int kHpfBase = 6200;
constexpr int kLpfBase = 6300;

} // namespace

class UserFilterPageTest : public QObject {
    Q_OBJECT

    QComboBox* Hpf(int row) const {
        return FindControl<QComboBox>(settings_.Window(), kHpfBase + row - 1);
    }
    QComboBox* Lpf(int row) const {
        return FindControl<QComboBox>(settings_.Window(), kLpfBase + row - 1);
    }

    TestProgram program_;
    SettingsUnderTest settings_;

  private slots:
    void init() { program_.Reset(); }
    void cleanup() { settings_.Close(); }

    void reloadShowsEveryRowWithoutAnEdit() {
        App().device.channels[0] = Sound(10, 26);
        App().device.channels[1] = Vibration(-1, 22);
        App().device.channels[2] = WithUserHpf(Sound(-2, 40), 300);
        App().device.channels[3] = Module(kNoModule, 3, 3);
        QVERIFY(settings_.Open(2));

        const struct {
            int row;
            QString hpf; // shown texts
            QString lpf;
            QString hpfLast; // last items
            QString lpfLast;
        } rows[] = {
            {1, "20Hz", "50kHz", "160Hz", "50kHz"},
            {2, "- - -", "20kHz", "160Hz", "20kHz"},
            {3, "3.00Hz", "- - -", "3.00Hz", "50kHz"}, // LPF 40 from the amplifier
        };
        for (const auto& row : rows) {
            QComboBox* hpf = Hpf(row.row);
            QComboBox* lpf = Lpf(row.row);
            QVERIFY(hpf->isEnabled() && lpf->isEnabled());
            QCOMPARE(hpf->currentText(), row.hpf);
            QCOMPARE(lpf->currentText(), row.lpf);
            QCOMPARE(Texts(hpf).last(), row.hpfLast);
            QCOMPARE(Texts(lpf).last(), row.lpfLast);
        }
        for (int r = 4; r <= 16; ++r) {
            for (QComboBox* list : {Hpf(r), Lpf(r)}) {
                QCOMPARE(Texts(list), QStringList{"- - -"});
                QCOMPARE(list->currentIndex(), 0);
                QVERIFY(!list->isEnabled());
            }
        }
        // Showing the lists stores nothing and is no edit.
        QCOMPARE(App().device.channels[2].editSetup.lpfIndex, std::int8_t{40});
        QVERIFY(!App().editor.settingsModified);

        // A later read-all that removed the module disables the row.
        App().device.channels[0] = Module(kNoModule, 0, 0);
        settings_.Reload();
        QVERIFY(!Hpf(1)->isEnabled());
        QCOMPARE(Texts(Lpf(1)), QStringList{"- - -"});
    }

    void choosingTheUserFilterStoresItsIndex() {
        App().device.channels[0] = WithUserHpf(Sound(21, 0), 300);
        QVERIFY(settings_.Open(2));
        QComboBox* hpf = Hpf(1);
        QCOMPARE(Texts(hpf).last(), QStringLiteral("3.00Hz"));

        QTest::keyClick(hpf, Qt::Key_Down);
        QCOMPARE(App().device.channels[0].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(hpf->currentText(), QStringLiteral("3.00Hz"));
        QVERIFY(App().editor.settingsModified);
        QVERIFY(FindControl<QWidget>(settings_.Window(), 1502)->isEnabled());

        QTest::keyClick(hpf, Qt::Key_Home);
        QCOMPARE(App().device.channels[0].editSetup.hpfIndex, std::int8_t{-1});
        QCOMPARE(App().device.channels[0].editSetup.lpfIndex, std::int8_t{0});
    }

    void shiftCopiesThePositionWithinTheModuleKind() {
        DeviceState& device = App().device;
        device.channels[0] = WithUserHpf(Sound(21, 0), 300);
        device.channels[1] = Sound(4, 0);                       // no user HPF
        device.channels[2] = WithUserHpf(Vibration(6, 0), 500); // other kind
        device.channels[3] = WithUserHpf(Sound(0, 0), 1320);
        QVERIFY(settings_.Open(2));

        QTest::keyClick(Hpf(1), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(device.channels[0].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(device.channels[1].editSetup.hpfIndex, std::int8_t{4});
        QCOMPARE(device.channels[2].editSetup.hpfIndex, std::int8_t{6});
        QCOMPARE(device.channels[3].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(Hpf(2)->currentText(), QStringLiteral("6.3Hz"));
        QCOMPARE(Hpf(3)->currentText(), QStringLiteral("10Hz"));
        QCOMPARE(Hpf(4)->currentText(), QStringLiteral("13.2Hz"));

        // A fine item goes to every channel of the kind, the LPF column untouched.
        QTest::keyClick(Hpf(2), Qt::Key_Up, Qt::ShiftModifier);
        for (int c : {0, 1, 3}) {
            QCOMPARE(device.channels[static_cast<std::size_t>(c)].editSetup.hpfIndex,
                     std::int8_t{3});
            QCOMPARE(Hpf(c + 1)->currentText(), QStringLiteral("5Hz"));
            QCOMPARE(device.channels[static_cast<std::size_t>(c)].editSetup.lpfIndex,
                     std::int8_t{0});
        }
        QCOMPARE(device.channels[2].editSetup.hpfIndex, std::int8_t{6});
    }

    void tabWalksBothColumnsOverEnabledLists() {
        App().device.channels[0] = Sound(0, 0);
        App().device.channels[1] = Vibration(0, 0);
        App().device.channels[15] = Sound(0, 0);
        QVERIFY(settings_.Open(2));
        const std::array<QComboBox*, 6> order = {Hpf(1), Lpf(1), Hpf(2), Lpf(2), Hpf(16), Lpf(16)};
        order.front()->setFocus();
        for (std::size_t i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order[i % order.size()]);
        }
        for (std::size_t i = order.size(); i > 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), order[i - 1]);
        }
        QVERIFY(!App().editor.settingsModified);
    }
};

QTEST_MAIN(UserFilterPageTest)
#include "user_filter_page_test.moc"
