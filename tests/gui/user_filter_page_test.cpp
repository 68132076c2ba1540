#include "app/app_context.h"
#include "editor/settings_window.h"
#include "editor/user_filter_lists.h"
#include "protocol/user_filter_text.h"
#include "protocol/value_tables.h"
#include "tests/support/gui_support.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QComboBox>
#include <QTabBar>
#include <QtTest>

#include <array>
#include <memory>

using namespace va48;
using enum va48::FilterColumn;

namespace {

constexpr int kHpfBase = 6200;
constexpr int kLpfBase = 6300;

ChannelSettings Channel(std::uint8_t kind, int hpf, int lpf = 0) {
    ChannelSettings channel;
    channel.moduleKind = kind;
    channel.editSetup.hpfIndex = static_cast<std::int8_t>(hpf);
    channel.editSetup.lpfIndex = static_cast<std::int8_t>(lpf);
    return channel;
}

ChannelSettings Sound(int hpf, int lpf = 0) {
    return Channel(kSoundModule, hpf, lpf);
}

ChannelSettings Vibration(int hpf, int lpf = 0) {
    return Channel(kVibrationModule, hpf, lpf);
}

// A user HPF enabled with its cut-off in 0.01 Hz, e.g. 300 for "3.00Hz".
ChannelSettings WithUserHpf(ChannelSettings channel, std::uint32_t cutoff) {
    channel.editUserHpf.enabled = 1;
    channel.editUserHpf.cutoff = cutoff;
    SetHpfCutoffTexts(channel.editUserHpf);
    return channel;
}

// A user LPF enabled with its cut-off in Hz.
ChannelSettings WithUserLpf(ChannelSettings channel, std::uint32_t cutoff) {
    channel.editUserLpf.enabled = 1;
    channel.editUserLpf.cutoff = cutoff;
    SetLpfCutoffTexts(channel.editUserLpf);
    return channel;
}

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

    void listsOfAChannel() {
        ChannelSettings longLabel = Sound(0, -2);
        longLabel.editUserLpf.enabled = 1;
        longLabel.editUserLpf.cutoffLabel.fill('9'); // no terminating NUL
        ChannelSettings notOne = WithUserHpf(Sound(-2, 0), 300);
        notOne.editUserHpf.enabled = 2;

        const struct {
            const char* name;
            ChannelSettings channel;
            FilterColumn column;
            std::size_t count; // 0: no module
            FilterChoice last;
            int selected;
        } rows[] = {
            {"sound HPF", Sound(21, 0), Hpf, 23, {"160Hz", 21}, 21},
            {"sound LPF to 50kHz", Sound(0, 26), Lpf, 28, {"50kHz", 26}, 26},
            {"vibration LPF to 20kHz", Vibration(0, 22), Lpf, 24, {"20kHz", 22}, 22},
            {"user HPF", WithUserHpf(Sound(-2, 0), 300), Hpf, 24, {"3.00Hz", -2}, -2},
            {"user HPF not chosen", WithUserHpf(Vibration(4, 0), 300), Hpf, 24, {"3.00Hz", -2}, 4},
            {"user LPF", WithUserLpf(Vibration(0, -2), 12500), Lpf, 25, {"12.5kHz", -2}, -2},
            {"user HPF, LPF list", WithUserHpf(Sound(0, -2), 300), Lpf, 28, {"50kHz", 26}, -1},
            {"user filter not enabled", Sound(-2, 0), Hpf, 23, {"160Hz", 21}, -1},
            {"enabled other than 1", notOne, Hpf, 23, {"160Hz", 21}, -1},
            {"label filling its field", longLabel, Lpf, 29, {"9999999999999999", -2}, -2},
            // Indexes the amplifier sent beyond a list.
            {"sound LPF 40", Sound(0, 40), Lpf, 28, {"50kHz", 26}, -1},
            {"vibration LPF 26", Vibration(0, 26), Lpf, 24, {"20kHz", 22}, -1},
            {"HPF -128", Sound(-128, 0), Hpf, 23, {"160Hz", 21}, -1},
            {"no module", Channel(kNoModule, 0, 0), Hpf, 0, {}, 0},
            {"unknown module", Channel(3, 0, 0), Lpf, 0, {}, 0},
        };
        for (const auto& row : rows) {
            const FilterList list = BuildFilterList(row.channel, row.column);
            QVERIFY2(list.items.size() == row.count, row.name);
            if (row.count == 0) {
                continue;
            }
            QVERIFY2(list.items.front().text == "- - -" && list.items.front().code == -1, row.name);
            QVERIFY2(list.items.back().text == row.last.text, row.name);
            QVERIFY2(list.items.back().code == row.last.code, row.name);
            QVERIFY2(list.selected == row.selected, row.name);
        }
    }

    void choiceStoresThePositionsCode() {
        // Channels 1, 2 and 4 are sound, 3 vibration, 5 without a module; 1, 3 and 4 have both user
        // filters enabled.
        const auto start = [] {
            DeviceState device;
            device.channels[0] = WithUserLpf(WithUserHpf(Sound(0, 0), 300), 500);
            device.channels[1] = Sound(5, 5);
            device.channels[2] = WithUserLpf(WithUserHpf(Vibration(7, 7), 1000), 1000);
            device.channels[3] = WithUserLpf(WithUserHpf(Sound(1, 1), 2000), 2000);
            device.channels[4] = Channel(kNoModule, 9, 9);
            return device;
        };
        constexpr FilterColumn kHpf = Hpf;
        constexpr FilterColumn kLpf = Lpf;
        constexpr int kHpfUser = 23; // list position of the user filter item
        constexpr int kSoundLpfUser = 28;
        constexpr std::array<int, 5> kAsBefore = {0, 5, 7, 1, 9}; // both columns start alike
        const struct {
            const char* name;
            int row;
            FilterColumn column;
            int position;
            bool shift;
            std::vector<int> changed;
            std::array<int, 5> hpf; // channels 1..5 afterwards
            std::array<int, 5> lpf;
        } rows[] = {
            {"user item", 0, kHpf, kHpfUser, false, {0}, {-2, 5, 7, 1, 9}, kAsBefore},
            {"fine item with Shift", 1, kHpf, 11, true, {1, 0, 3}, {10, 10, 7, 10, 9}, kAsBefore},
            {"user item with Shift", 0, kHpf, kHpfUser, true, {0, 3}, {-2, 5, 7, -2, 9}, kAsBefore},
            {"user LPF with Shift",
             3,
             kLpf,
             kSoundLpfUser,
             true,
             {3, 0},
             kAsBefore,
             {-2, 5, 7, -2, 9}},
            {"vibration with Shift", 2, kLpf, 23, true, {2}, kAsBefore, {0, 5, 22, 1, 9}},
            // A position the channel's list does not have changes nothing.
            {"user item of a channel without one",
             1,
             kHpf,
             kHpfUser,
             true,
             {},
             kAsBefore,
             kAsBefore},
            {"past the list", 0, kLpf, 29, false, {}, kAsBefore, kAsBefore},
            {"negative position", 0, kHpf, -1, true, {}, kAsBefore, kAsBefore},
            {"no module", 4, kHpf, 0, true, {}, kAsBefore, kAsBefore},
            {"row 16 is the last", 16, kHpf, 0, true, {}, kAsBefore, kAsBefore},
        };
        for (const auto& row : rows) {
            DeviceState device = start();
            const std::vector<int> changed =
                ApplyFilterChoice(device, row.row, row.column, row.position, row.shift);
            QVERIFY2(changed == row.changed, row.name);
            for (std::size_t c = 0; c < row.hpf.size(); ++c) {
                QVERIFY2(device.channels[c].editSetup.hpfIndex == row.hpf[c], row.name);
                QVERIFY2(device.channels[c].editSetup.lpfIndex == row.lpf[c], row.name);
            }
        }
    }

    void reloadShowsEveryRowWithoutAnEdit() {
        App().device.channels[0] = Sound(10, 26);
        App().device.channels[1] = Vibration(-1, 22);
        App().device.channels[2] = WithUserHpf(Sound(-2, 40), 300);
        App().device.channels[3] = Channel(kNoModule, 3, 3);
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
        App().device.channels[0] = Channel(kNoModule, 0, 0);
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
