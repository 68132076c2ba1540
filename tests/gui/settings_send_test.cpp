// The real program against va48sim: edits on each setting page go out with SEND as the SET
// requests of every present channel, and the read-all after it shows what the amplifier took; the
// coefficient dialogs opened with Ctrl+H and Ctrl+L, sent as UHC and ULC and read back, and a
// send whose link fails while a box of the dialog is open. Runs in English and under the Japanese
// string block.
#include "app/application.h"
#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "setup/setup_apply.h"
#include "tests/support/gui_support.h"
#include "ui/ui_text.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

using namespace va48;

namespace {

constexpr int kTabControl = 1500;
constexpr int kSendButton = 1502;
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

  private:
    // Channels 1 and 2 hold sound modules, 3 and 4 vibration modules. The read-all's first step
    // is slowed so that a key can be typed while it runs.
    void Connect(int replyTimeoutMs = 3000, Language language = SystemLanguage()) {
        p_ = std::make_unique<ProgramOnSim>(
            std::vector<std::string>{"--layout", "SSVV000000000000", "--delay", "DID:300"},
            replyTimeoutMs, language);
        QVERIFY2(p_->Started(), p_->sim->Error().c_str());
        QVERIFY(p_->ConnectLan());
    }

    SettingsWindow* Settings() { return p_->Settings(); }
    QStringList SentSince(std::size_t mark, const char* prefix) {
        QStringList sent;
        for (const std::string& request : p_->RequestsSince(mark, prefix)) {
            sent << QString::fromStdString(request);
        }
        return sent;
    }

    // The settings window is up, nothing runs and no unsent edit is left; the window's reload
    // has reached the pages (through two posted messages).
    bool WaitForReadAll() {
        const bool settled = WaitFor([&] {
            auto* send = FindControl<QPushButton>(Settings(), kSendButton);
            return p_->SettingsShown() && send && !send->isEnabled();
        });
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
        return settled;
    }

    // Presses SEND and waits for the read-all after it; `mark` is taken before.
    bool SendAndReadBack(std::size_t mark) {
        QTest::mouseClick(FindControl<QPushButton>(Settings(), kSendButton), Qt::LeftButton);
        return WaitFor([&] { return !p_->RequestsSince(mark, "SET? 4").empty(); }) &&
               WaitForReadAll();
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
        TypeOver(field, edit.typed);
        QTest::keyClick(field, Qt::Key_Tab);
        return QApplication::focusWidget() != field;
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

    // Ctrl+H or Ctrl+L typed into the settings window.
    bool OpenDialog(Qt::Key key) {
        p_->PressControl(key);
        const auto dialog = [&] {
            return key == Qt::Key_L ? p_->App().windows.lpfDialog : p_->App().windows.hpfDialog;
        };
        if (!WaitFor([&] { return dialog() != nullptr; })) {
            return false;
        }
        dialog_ = dialog();
        return ShowActive(dialog_);
    }

    template <typename T = QWidget>
    T* Control(int id) {
        return FindControl<T>(dialog_, id);
    }
    QString Text(int id) { return Control<QLineEdit>(id)->text(); }
    void Press(int id, Qt::Key key) {
        Control(id)->setFocus();
        QTest::keyClick(Control(id), key);
    }
    void Type(int id, const char* keys) {
        TypeOver(Control<QLineEdit>(id), keys);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }

    // The user-filter writes of the last send, once its read-back is shown.
    QStringList SendFilters(int sendId, const char* prefix) {
        const std::size_t mark = p_->Mark();
        QTest::mouseClick(Control<QPushButton>(sendId), Qt::LeftButton);
        // Pressed again at once, while the write runs: a second send would collide with it.
        QTest::keyClick(Control<QPushButton>(sendId), Qt::Key_Space);
        if (!WaitFor([&] { return !dialog_->isEnabled(); })) {
            return {"(no read-back)"};
        }
        // A key typed while the values are read back is no edit.
        QTest::keyClick(dialog_, Qt::Key_5);
        if (!WaitFor([&] {
                return dialog_->isEnabled() && !Control<QPushButton>(sendId)->isEnabled();
            })) {
            return {"(read-back not shown)"};
        }
        QCoreApplication::sendPostedEvents();
        return SentSince(mark, prefix);
    }

    AmplifierSetup CurrentSetup() { return SetupFromDevice(p_->App().device, "now"); }

    std::unique_ptr<ProgramOnSim> p_;
    QPointer<QWidget> dialog_;

  private slots:
    void cleanup() { p_.reset(); }

    void eachTabsEditsGoOutWithSendAndComeBackRead() {
        Connect(3000, Language::English);
        QVERIFY(WaitForReadAll());
        for (const Round& round : Rounds()) {
            const QByteArray name = round.name;
            auto* tabs = FindControl<QTabBar>(Settings(), kTabControl);
            QVERIFY2(tabs, name); // else the link failed and the window went
            tabs->setCurrentIndex(round.tab);
            QVERIFY2(ShowActive(Settings()), name);
            for (const Edit& edit : round.edits) {
                QVERIFY2(Apply(edit), name + " " + QByteArray::number(edit.id));
            }
            QVERIFY2(p_->App().editor.settingsModified, name);
            const std::size_t mark = p_->Mark();
            QVERIFY2(SendAndReadBack(mark), name);
            QCOMPARE(SentSince(mark, "SET "), round.sets);
            for (const Shown& shown : round.shown) {
                QVERIFY2(ShownText(shown.id) == QString::fromUtf8(shown.text),
                         qPrintable(name + ": " + QByteArray::number(shown.id) + " shows " +
                                    ShownText(shown.id).toUtf8()));
            }
            QVERIFY2(p_->boxes.boxes.empty(), name);
        }
    }

    // Saved, changed on the amplifier, loaded and sent: every channel is as it was saved (what
    // a loaded file marks for sending is the setup suite's); the report names the setup loaded.
    void aSavedSetupLoadedAndSentRestoresTheAmplifier() {
        Connect();
        QVERIFY(WaitForReadAll());
        const AmplifierSetup saved = CurrentSetup();
        QTemporaryDir dir;
        FileChooser chooser({dir.filePath(QStringLiteral("saved.json")),
                             dir.filePath(QStringLiteral("saved.json")),
                             dir.filePath(QStringLiteral("report.pdf"))});
        QVERIFY(TriggerAction(Settings(), QStringLiteral("saveSetup")));
        for (const Edit& edit : Rounds().front().edits) { // the amplifier's inputs change
            QVERIFY(Apply(edit));
        }
        QVERIFY(SendAndReadBack(p_->Mark()));
        QVERIFY(!CompareSetups(saved, CurrentSetup()).empty());

        QVERIFY(TriggerAction(Settings(), QStringLiteral("loadSetup")));
        QCOMPARE(p_->boxes.Texts(), QStringList{UiText(TextId::SetupLoaded)});
        QVERIFY(p_->App().editor.settingsModified);
        const std::size_t mark = p_->Mark();
        QVERIFY(SendAndReadBack(mark));
        QCOMPARE(SentSince(mark, "SET ").size(), 4);
        const std::vector<SetupDifference> left = CompareSetups(saved, CurrentSetup());
        QVERIFY2(left.empty(), left.empty() ? "" : DescribeDifference(left.front()).c_str());

        QVERIFY(TriggerAction(Settings(), QStringLiteral("exportReport")));
        QCOMPARE(chooser.requests.size(), std::size_t{3});
        QFile pdf(dir.filePath(QStringLiteral("report.pdf")));
        QFile csv(dir.filePath(QStringLiteral("report.csv")));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("setupFile,saved.json\r\n"));
    }

    void theHighPassIsSentAsTypedAndShownAsReadBack() {
        Connect();
        QVERIFY(OpenDialog(Qt::Key_H));
        Press(7200, Qt::Key_Space);
        Type(7300, "12.3");
        Type(7500, "abc");
        QCOMPARE(SendFilters(7051, "UHC "), QStringList{"UHC 1 1 1230 2748 0 0 0 0"});
        QCOMPARE(Text(7300), QStringLiteral("12.3"));
        QCOMPARE(Text(7500), QStringLiteral("000000000ABC"));
        QCOMPARE(Text(7600), QStringLiteral("000000000000"));
        QVERIFY(p_->boxes.boxes.empty());
        QTest::keyClick(dialog_, Qt::Key_Escape);
        QVERIFY(WaitFor([&] { return !dialog_ && p_->SettingsShown(); }));
    }

    void theLowPassIsCheckedAgainstEachModuleBeforeItIsSent() {
        Connect();
        QVERIFY(OpenDialog(Qt::Key_L));
        Press(8202, Qt::Key_Space);
        QCOMPARE(Text(8302), QStringLiteral("1.00"));
        // Which values suit which module is the filter rules' suite's; here SEND meets one.
        QTest::mouseClick(Control<QPushButton>(8051), Qt::LeftButton);
        QCOMPARE(p_->boxes.Texts(), QStringList{UiTextFormatted(TextId::ConfirmDisplay, 3)});
        QCOMPARE(QApplication::focusWidget(), Control(8302));
        Press(8202, Qt::Key_Space);
        Press(8200, Qt::Key_Space);
        Press(8400, Qt::Key_Down);
        Type(8300, "25");
        p_->boxes.boxes.clear();
        QCOMPARE(SendFilters(8051, "ULC "),
                 (QStringList{"ULC 1 1 25000 0 0 0 0 0", "ULC 3 0 0 0 0 0 0 0"}));
        QCOMPARE(Text(8300), QStringLiteral("25.0"));
        QCOMPARE(Control<QComboBox>(8400)->currentText(), QStringLiteral("kHz"));
        QVERIFY(p_->boxes.boxes.empty());
    }

    // The user tries to close the dialog while SEND's write goes unanswered and leaves the "Not
    // possible to do." box up; the write times out, the program ends that box, shows the time-out
    // and returns to the menu.
    void aLinkThatFailsUnderAnOpenBoxEndsAtTheMenu() {
        Connect(1000);
        QVERIFY(OpenDialog(Qt::Key_H));
        QVERIFY(p_->sim->Control("silent UHC"));
        Press(7200, Qt::Key_Space);
        QTest::mouseClick(Control<QPushButton>(7051), Qt::LeftButton);

        BoxRecorder& boxes = p_->boxes;
        boxes.boxes.clear();
        boxes.HoldNext(UiText(TextId::CloseRefusedWhileEditing));
        // The caption's close box, as the window system delivers it.
        QCloseEvent closeBox;
        QApplication::sendEvent(dialog_->windowHandle(), &closeBox);
        // The program ends the box left open before the time-out's box comes.
        QVERIFY(WaitFor([&] { return !boxes.boxes.empty(); }));
        QVERIFY(boxes.held.endedByProgram);
        QCOMPARE(boxes.held.boxesOverIt, std::size_t{0});
        QCOMPARE(boxes.Texts(), QStringList{UiText(TextId::ReplyTimeout)});
        QVERIFY(WaitFor([&] { return p_->BackAtTheMenu(); }));
    }
};

QTEST_MAIN(SettingsSendTest)
#include "settings_send_test.moc"
