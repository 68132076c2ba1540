#include "app/app_context.h"
#include "editor/settings_window.h"
#include "tests/support/channels.h"
#include "tests/support/gui_support.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QComboBox>
#include <QTabBar>
#include <QtTest>

#include <array>
#include <memory>

using namespace va48;
using namespace va48::filter_setup;

namespace {

constexpr int kHpfBase = 6200;
constexpr int kLpfBase = 6300;

QStringList Texts(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

// A settings window that has loaded App().device, shown on the user filter tab.
class ShownPage {
  public:
    ShownPage() : window_(std::make_unique<SettingsWindow>()) {
        App().windows.settingsWindow = window_.get();
        SendWindowMessage(window_.get(), UM_SETTINGS_LOADED);
        QCoreApplication::sendPostedEvents();
        FindControl<QTabBar>(window_.get(), 1500)->setCurrentIndex(2);
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    SettingsWindow* Window() const { return window_.get(); }
    QComboBox* Hpf(int row) const {
        return FindControl<QComboBox>(window_.get(), kHpfBase + row - 1);
    }
    QComboBox* Lpf(int row) const {
        return FindControl<QComboBox>(window_.get(), kLpfBase + row - 1);
    }

  private:
    std::unique_ptr<SettingsWindow> window_;
};

} // namespace

class UserFilterPageTest : public QObject {
    Q_OBJECT

    FakeInstall install_;
    std::unique_ptr<AppContext> app_;

  private slots:
    void initTestCase() {
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_.Executable()),
                                            Language::English);
    }
    void init() {
        App().device = DeviceState{};
        App().editor = EditorState{};
    }
    void cleanupTestCase() { app_.reset(); }

    void reloadShowsEveryRowWithoutAnEdit() {
        App().device.channels[0] = Sound(10, 26);
        App().device.channels[1] = Vibration(-1, 22);
        App().device.channels[2] = WithUserHpf(Sound(-2, 40), 300);
        App().device.channels[3] = Module(kNoModule, 3, 3);
        ShownPage shown;

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
            QComboBox* hpf = shown.Hpf(row.row);
            QComboBox* lpf = shown.Lpf(row.row);
            QVERIFY(hpf->isEnabled() && lpf->isEnabled());
            QCOMPARE(hpf->currentText(), row.hpf);
            QCOMPARE(lpf->currentText(), row.lpf);
            QCOMPARE(Texts(hpf).last(), row.hpfLast);
            QCOMPARE(Texts(lpf).last(), row.lpfLast);
        }
        for (int r = 4; r <= 16; ++r) {
            for (QComboBox* list : {shown.Hpf(r), shown.Lpf(r)}) {
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
        SendWindowMessage(shown.Window(), UM_SETTINGS_LOADED);
        QCoreApplication::sendPostedEvents();
        QVERIFY(!shown.Hpf(1)->isEnabled());
        QCOMPARE(Texts(shown.Lpf(1)), QStringList{"- - -"});
    }

    void choosingTheUserFilterStoresItsIndex() {
        App().device.channels[0] = WithUserHpf(Sound(21, 0), 300);
        ShownPage shown;
        QComboBox* hpf = shown.Hpf(1);
        QCOMPARE(Texts(hpf).last(), QStringLiteral("3.00Hz"));

        QTest::keyClick(hpf, Qt::Key_Down);
        QCOMPARE(App().device.channels[0].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(hpf->currentText(), QStringLiteral("3.00Hz"));
        QVERIFY(App().editor.settingsModified);
        QVERIFY(FindControl<QWidget>(shown.Window(), 1502)->isEnabled());

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
        ShownPage shown;

        QTest::keyClick(shown.Hpf(1), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(device.channels[0].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(device.channels[1].editSetup.hpfIndex, std::int8_t{4});
        QCOMPARE(device.channels[2].editSetup.hpfIndex, std::int8_t{6});
        QCOMPARE(device.channels[3].editSetup.hpfIndex, std::int8_t{-2});
        QCOMPARE(shown.Hpf(2)->currentText(), QStringLiteral("6.3Hz"));
        QCOMPARE(shown.Hpf(3)->currentText(), QStringLiteral("10Hz"));
        QCOMPARE(shown.Hpf(4)->currentText(), QStringLiteral("13.2Hz"));

        // A fine item goes to every channel of the kind, the LPF column untouched.
        QTest::keyClick(shown.Hpf(2), Qt::Key_Up, Qt::ShiftModifier);
        for (int c : {0, 1, 3}) {
            QCOMPARE(device.channels[static_cast<std::size_t>(c)].editSetup.hpfIndex,
                     std::int8_t{3});
            QCOMPARE(shown.Hpf(c + 1)->currentText(), QStringLiteral("5Hz"));
            QCOMPARE(device.channels[static_cast<std::size_t>(c)].editSetup.lpfIndex,
                     std::int8_t{0});
        }
        QCOMPARE(device.channels[2].editSetup.hpfIndex, std::int8_t{6});
    }

    void tabWalksBothColumnsOverEnabledLists() {
        App().device.channels[0] = Sound(0, 0);
        App().device.channels[1] = Vibration(0, 0);
        App().device.channels[15] = Sound(0, 0);
        ShownPage shown;
        const std::array<QComboBox*, 6> order = {shown.Hpf(1), shown.Lpf(1),  shown.Hpf(2),
                                                 shown.Lpf(2), shown.Hpf(16), shown.Lpf(16)};
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
