// The real program against va48sim: edits on each setting page go out with SEND as the SET
// requests of every present channel, and the read-all after it shows what the amplifier took.
#include "app/application.h"
#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace va48;

namespace {

constexpr int kTabControl = 1500;
constexpr int kSendButton = 1502;
constexpr int kLanButton = 1012;
enum Tab { kInputTab = 0, kMeasureTab = 1, kUserFilterTab = 2 };

// One user action on a page: a key on a list, or (with `typed`) a new text for a sensitivity
// field, which is clicked, retyped and left with Tab.
struct Edit {
    int id;
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const char* typed = nullptr;
};

struct Shown {
    int id;
    const char* text;
};

// The edits of one tab, sent together, and what the amplifier gets and shows back.
struct Round {
    const char* name;
    Tab tab;
    std::vector<Edit> edits;
    QStringList sets;         // the SET requests of the send, in order
    std::vector<Shown> shown; // after the read-all
};

Edit Key(int id, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return {id, key, modifiers, nullptr};
}

Edit Type(int id, const char* text) {
    return {id, Qt::Key_unknown, Qt::NoModifier, text};
}

// Channels 1 and 2 hold sound modules, 3 and 4 vibration modules, all at the simulator's
// defaults: sound front connector, -25.0 dB/pa, range 2, F and A; vibration front CCLD, 5.00,
// range 3, m/s2 and RMS; every filter off.
const std::vector<Round>& Rounds() {
    static const std::vector<Round> rounds = {
        {"input page",
         kInputTab,
         {Key(4200, Qt::Key_Down), Key(4202, Qt::Key_Up), Type(4301, "-30"), Type(4303, "2.5")},
         {"SET 1 0 1 0 1 0 1 1 1 1 250 0 2 -1 -1", "SET 2 0 0 0 0 0 1 1 1 1 300 0 2 -1 -1",
          "SET 3 0 0 1 0 0 1 1 1 1 500 1 3 -1 -1", "SET 4 0 0 0 1 0 1 1 1 1 250 1 3 -1 -1"},
         {{4200, "REAR CCLD"}, {4301, "-30.0"}, {4202, "FRONT CHARGE"}, {4303, "2.50"}}},
        // A new unit leaves channel 3 without a range, so its range is chosen after it.
        {"measure page",
         kMeasureTab,
         {Key(5200, Qt::Key_Down), Key(5301, Qt::Key_Down), Key(5302, Qt::Key_Down),
          Key(5202, Qt::Key_End), Key(5503, Qt::Key_Down)},
         {"SET 1 0 1 0 1 0 1 1 1 1 250 0 3 -1 -1", "SET 2 0 0 0 0 0 1 2 1 1 300 0 2 -1 -1",
          "SET 3 0 0 1 0 0 2 1 1 1 500 1 6 -1 -1", "SET 4 0 0 0 1 0 1 1 2 1 250 1 3 -1 -1"},
         {{5200, "110"}, {5301, "C"}, {5302, "mm/s"}, {5202, "1000"}, {5503, "3Hz"}}},
        // Shift takes channel 1's LPF to channel 2, the other sound channel, only.
        {"user filter page",
         kUserFilterTab,
         {Key(6200, Qt::Key_Down), Key(6300, Qt::Key_Down, Qt::ShiftModifier),
          Key(6202, Qt::Key_End), Key(6303, Qt::Key_End)},
         {"SET 1 0 1 0 1 0 1 1 1 1 250 0 3 0 0", "SET 2 0 0 0 0 0 1 2 1 1 300 0 2 -1 0",
          "SET 3 0 0 1 0 0 2 1 1 1 500 1 6 21 -1", "SET 4 0 0 0 1 0 1 1 2 1 250 1 3 -1 22"},
         {{6200, "3Hz"},
          {6300, "300Hz"},
          {6301, "300Hz"},
          {6202, "160Hz"},
          {6302, "- - -"},
          {6303, "20kHz"}}},
        // The last item of a measure filter list now stands for the user filter page's choice.
        {"measure page, other filters",
         kMeasureTab,
         {Key(5500, Qt::Key_End), Key(5600, Qt::Key_End), Key(5502, Qt::Key_End)},
         {"SET 1 0 1 0 1 0 1 1 3 3 250 0 3 0 0", "SET 2 0 0 0 0 0 1 2 1 1 300 0 2 -1 0",
          "SET 3 0 0 1 0 0 2 1 12 1 500 1 6 21 -1", "SET 4 0 0 0 1 0 1 1 2 1 250 1 3 -1 22"},
         {{5500, "3Hz"}, {5600, "300Hz"}, {5502, "160Hz"}, {5602, "- - -"}}},
    };
    return rounds;
}

} // namespace

class SettingsSendTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { on_.reset(); }

    void eachTabsEditsGoOutWithSendAndComeBackRead();

  private:
    void Start() {
        on_ =
            std::make_unique<ProgramOnSim>(std::vector<std::string>{"--layout", "SSVV000000000000"},
                                           3000, "", false, Language::English);
        QVERIFY2(on_->Started(), on_->sim->Error().c_str());
        sim_ = on_->sim.get();
        program_ = on_->program.get();
    }

    AppContext& App() { return program_->Context(); }
    SettingsWindow* Settings() { return App().windows.settingsWindow; }

    // The settings window is up, nothing runs and no unsent edit is left.
    bool Settled() {
        auto* send = Settings() ? FindControl<QPushButton>(Settings(), kSendButton) : nullptr;
        return send && Settings()->isVisible() && Settings()->isEnabled() && !App().editor.busy &&
               !send->isEnabled();
    }

    // Waits for the end of a read-all and for the pages to have shown what it read.
    bool WaitForReadAll() {
        if (!WaitFor([&] { return Settled(); })) {
            return false;
        }
        // The window's reload reaches the pages through two posted messages.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        return true;
    }

    bool ShowTab(Tab tab) {
        FindControl<QTabBar>(Settings(), kTabControl)->setCurrentIndex(tab);
        Settings()->activateWindow();
        return QTest::qWaitForWindowActive(Settings());
    }

    // False when the control is not there to be used, or a typed field keeps the focus.
    bool Apply(const Edit& edit) {
        QWidget* control = FindControl<QWidget>(Settings(), edit.id);
        if (!control || !control->isVisible() || !control->isEnabled()) {
            return false;
        }
        auto* field = qobject_cast<QLineEdit*>(control);
        if (!edit.typed || !field) {
            QTest::keyClick(control, edit.key, edit.modifiers);
            return !edit.typed;
        }
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, edit.typed);
        QTest::keyClick(field, Qt::Key_Tab);
        return QApplication::focusWidget() != field;
    }

    // Presses SEND and waits for the read-all after it; returns the SET requests it sent.
    QStringList Send() {
        const std::size_t mark = sim_->ReceivedRequests().size();
        QTest::mouseClick(FindControl<QPushButton>(Settings(), kSendButton), Qt::LeftButton);
        const auto readBack = [&] {
            const auto requests = sim_->ReceivedRequests();
            return requests.size() > mark &&
                   std::find(requests.begin() + static_cast<std::ptrdiff_t>(mark), requests.end(),
                             "SET? 4") != requests.end();
        };
        if (!WaitFor(readBack) || !WaitForReadAll()) {
            return {"(no read-all after SEND)"};
        }
        const auto requests = sim_->ReceivedRequests();
        QStringList sets;
        for (std::size_t i = mark; i < requests.size(); ++i) {
            if (requests[i].rfind("SET ", 0) == 0) {
                sets << QString::fromStdString(requests[i]);
            }
        }
        return sets;
    }

    QString ShownText(int id) {
        QWidget* control = FindControl<QWidget>(Settings(), id);
        if (auto* list = qobject_cast<QComboBox*>(control)) {
            return list->currentText();
        }
        if (auto* field = qobject_cast<QLineEdit*>(control)) {
            return field->text();
        }
        return QStringLiteral("(no control %1)").arg(id);
    }

    std::unique_ptr<ProgramOnSim> on_;
    SimProcess* sim_ = nullptr;
    Application* program_ = nullptr;
};

void SettingsSendTest::eachTabsEditsGoOutWithSendAndComeBackRead() {
    Start();
    QVERIFY(program_);
    QTest::mouseClick(FindControl<QPushButton>(App().windows.connectionMenu, kLanButton),
                      Qt::LeftButton);
    QVERIFY(WaitForReadAll());
    for (const Round& round : Rounds()) {
        const QByteArray name = round.name;
        QVERIFY2(ShowTab(round.tab), name);
        for (const Edit& edit : round.edits) {
            QVERIFY2(Apply(edit), name + " " + QByteArray::number(edit.id));
        }
        QVERIFY2(App().editor.settingsModified, name);
        QCOMPARE(Send(), round.sets);
        for (const Shown& shown : round.shown) {
            QVERIFY2(ShownText(shown.id) == QString::fromUtf8(shown.text),
                     qPrintable(name + ": " + QByteArray::number(shown.id) + " shows " +
                                ShownText(shown.id).toUtf8()));
        }
        QVERIFY2(on_->boxes->boxes.empty(), name);
    }
}

QTEST_MAIN(SettingsSendTest)
#include "settings_send_test.moc"
