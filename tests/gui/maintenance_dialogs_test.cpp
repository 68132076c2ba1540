#include "app/app_context.h"
#include "maintenance/ip_address_field.h"
#include "maintenance/lan_setting_dialog.h"
#include "maintenance/reply_time_dialog.h"
#include "maintenance/timeout_dialog.h"
#include "tests/support/gui_support.h"
#include "ui/field_adapter.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <array>
#include <memory>

using namespace va48;

namespace {

using Address = std::array<std::uint8_t, 4>;

bool Ended(const QDialog& dialog, int result) {
    return !dialog.isVisible() && dialog.result() == result;
}

IpAddressField* FindAddressField(const QWidget* dialog, int id) {
    return dynamic_cast<IpAddressField*>(FindControl<QWidget>(dialog, id));
}

QString Text(const QWidget* dialog, int id) {
    return FindControl<QLineEdit>(dialog, id)->text();
}

QPushButton* Button(const QWidget* dialog, int id) {
    return FindControl<QPushButton>(dialog, id);
}

// Round trips as the main window would run them, on a clock the test moves.
struct FakeLink {
    ReplyTimeDialog::Hooks Hooks() {
        return {[this] { return now; }, [this] { ++requests; }, [this] { ++disconnects; }};
    }

    // One round trip taking `ms`, answered.
    void Answer(ReplyTimeDialog& dialog, std::uint32_t ms) {
        now += ms;
        SendWindowMessage(&dialog, UM_REPLY_TEST_DONE);
    }

    std::uint32_t now = 0;
    int requests = 0;
    int disconnects = 0;
};

// Tested, current, min, max and average as shown.
QStringList Results(const QWidget* dialog) {
    return {Text(dialog, 1039), Text(dialog, 1043), Text(dialog, 1040), Text(dialog, 1041),
            Text(dialog, 1042)};
}

bool Idle(const QWidget* dialog) {
    QPushButton* startStop = Button(dialog, 1037);
    return startStop->text() == QLatin1String("Start") && startStop->isEnabled() &&
           FindControl<QLineEdit>(dialog, 1038)->isEnabled() && Button(dialog, 1036)->isEnabled();
}

// The texts of a dialog's labels and group boxes.
QStringList Shown(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        texts << group->title();
    }
    return texts;
}

// UnsavedOk: OK with a folder standing where the settings file would go.
enum class Dismissal { CancelButton, EscapeKey, CloseBox, UnsavedOk };

void Dismiss(QDialog& dialog, Dismissal how, int cancelId, int okId = 0) {
    switch (how) {
    case Dismissal::UnsavedOk:
        QTest::mouseClick(Button(&dialog, okId), Qt::LeftButton);
        break;
    case Dismissal::CancelButton:
        QTest::mouseClick(Button(&dialog, cancelId), Qt::LeftButton);
        break;
    case Dismissal::EscapeKey:
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        break;
    case Dismissal::CloseBox:
        dialog.close();
        break;
    }
}

DeviceLan ReadLan(Address mask = {255, 255, 255, 0}) {
    return DeviceLan{{192, 168, 0, 10}, mask, {192, 168, 0, 1}, 1};
}

bool SameLan(const DeviceLan& a, const DeviceLan& b) {
    return a.address == b.address && a.mask == b.mask && a.gateway == b.gateway;
}

constexpr Address kStartConnect{192, 168, 0, 10};

struct LanCase {
    std::uint32_t known = 0;
    int fieldId = 0; // 0: nothing typed
    int part = 0;
    QString keys;
    int result = 0;
    DeviceLan device;  // after OK
    Address connect{}; // after OK
    QString saved;     // LAN/IPAddress afterwards
};

} // namespace

Q_DECLARE_METATYPE(Dismissal)
Q_DECLARE_METATYPE(LanCase)

class MaintenanceDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    // A key reaches the edit through the Qt-free filters: selection and caret in, text and caret
    // out; a pasted character the filters cannot see survives a refused key.
    void keyFiltersEditTheLineEdit() {
        const struct {
            QString text;
            int start;
            int length;
            bool hex;
            char16_t key;
            QString after;
            int caret;
        } rows[] = {{"25.0", 1, 1, false, '7', "27.0", 2},
                    {"ab", 2, 0, true, 'c', "abc", 3},
                    {QString::fromUtf8("1５"), 2, 0, false, 'x', QString::fromUtf8("1５"), 2}};
        for (const auto& row : rows) {
            QLineEdit edit(row.text);
            edit.setSelection(row.start, row.length);
            row.hex ? HexKey(edit, row.key, 12) : DecimalKey(edit, row.key, 3, false);
            QCOMPARE(edit.text(), row.after);
            QCOMPARE(edit.cursorPosition(), row.caret);
        }
    }

    void timeoutOkChecksTheRange_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("paste"); // set as a whole, past the key filter
        QTest::addColumn<int>("box");    // string number of the box shown, 0 for none
        QTest::addColumn<std::uint32_t>("storedMs");
        QTest::addColumn<QString>("saved");

        QTest::newRow("4 is below the minimum")
            << "4" << false << int(TextId::BelowMinimum) << 30000u << "<none>";
        QTest::newRow("121 is above the maximum")
            << "121" << false << int(TextId::AboveMaximum) << 30000u << "<none>";
        // 4294972 s is 5704 ms once cut to 32 bits.
        QTest::newRow("pasted number cannot wrap into range")
            << "4294972" << true << int(TextId::AboveMaximum) << 30000u << "<none>";
        QTest::newRow("120 is stored") << "120" << false << 0 << 120000u << "120000";
        QTest::newRow("a fourth digit is refused") << "1205" << false << 0 << 120000u << "120000";
    }

    void timeoutOkChecksTheRange() {
        QFETCH(QString, keys);
        QFETCH(bool, paste);
        QFETCH(int, box);
        TestProgram program;
        BoxRecorder boxes;
        TimeoutDialog dialog(program.app.link, program.app.settingsFile, nullptr);
        QCOMPARE(Text(&dialog, 1035), QStringLiteral("30")); // the default 30000 ms
        QVERIFY(ShowActive(&dialog));
        if (paste) {
            FindControl<QLineEdit>(&dialog, 1035)->setText(keys);
        } else {
            TypeOver(FindControl<QLineEdit>(&dialog, 1035), keys);
        }
        QTest::mouseClick(Button(&dialog, 1), Qt::LeftButton);

        QCOMPARE(boxes.boxes.size(), std::size_t{box != 0});
        if (box != 0) {
            QCOMPARE(boxes.boxes[0].text, UiText(static_cast<TextId>(box)));
            QVERIFY(dialog.isVisible());
        } else {
            QVERIFY(Ended(dialog, 1));
        }
        QTEST(program.app.link.replyTimeoutMs.load(), "storedMs");
        QTEST(program.Setting("TIMEOUT", "Recv"), "saved");
    }

    // A setting the file does not take is not taken either: the dialog stays open and says so.
    void dismissingChangesNothing_data() {
        QTest::addColumn<bool>("lan");
        QTest::addColumn<Dismissal>("how");
        for (const bool lan : {false, true}) {
            const char* dialog = lan ? "LAN" : "time-out";
            QTest::addRow("%s: Cancel", dialog) << lan << Dismissal::CancelButton;
            QTest::addRow("%s: Escape", dialog) << lan << Dismissal::EscapeKey;
            QTest::addRow("%s: close box", dialog) << lan << Dismissal::CloseBox;
            QTest::addRow("%s: OK, file not writable", dialog) << lan << Dismissal::UnsavedOk;
        }
    }

    void dismissingChangesNothing() {
        QFETCH(bool, lan);
        QFETCH(Dismissal, how);
        TestProgram program;
        BoxRecorder boxes;
        const bool unsaved = how == Dismissal::UnsavedOk;
        if (unsaved) {
            std::filesystem::create_directory(program.install.Settings());
        }
        DeviceState& device = program.app.device;
        device.deviceLan = ReadLan();
        program.app.link.lanAddress = kStartConnect;
        std::unique_ptr<QDialog> dialog;
        if (lan) {
            dialog = std::make_unique<LanSettingDialog>(device, program.app.link,
                                                        program.app.settingsFile, nullptr);
            QVERIFY(ShowActive(dialog.get()));
            TypeOver(FindAddressField(dialog.get(), 1105)->Part(3), QStringLiteral("99"));
            TypeOver(FindAddressField(dialog.get(), 1110)->Part(0), QStringLiteral("10"));
        } else {
            dialog = std::make_unique<TimeoutDialog>(program.app.link, program.app.settingsFile,
                                                     nullptr);
            QVERIFY(ShowActive(dialog.get()));
            TypeOver(FindControl<QLineEdit>(dialog.get(), 1035), QStringLiteral("60"));
        }
        Dismiss(*dialog, how, lan ? 1112 : 2, lan ? 1111 : 1);

        QVERIFY(unsaved ? dialog->isVisible() : Ended(*dialog, 0));
        QCOMPARE(boxes.boxes.size(), std::size_t{unsaved});
        if (unsaved) {
            const QString& text = boxes.boxes[0].text;
            QVERIFY2(text.contains(QString::fromStdString(program.install.Settings().string())) &&
                         text.contains(QStringLiteral("Is a directory")),
                     qPrintable(text));
        }
        QVERIFY(SameLan(device.deviceLan, ReadLan()));
        QVERIFY(program.app.link.lanAddress == kStartConnect);
        QCOMPARE(program.app.link.replyTimeoutMs.load(), 30000u);
        QVERIFY(!std::filesystem::is_regular_file(program.install.Settings()));
    }

    void addressFieldKeys_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("parts");

        QTest::newRow("dots move on") << "10.1.2.3" << QStringList{"10", "1", "2", "3"};
        QTest::newRow("full parts move on, leading zeros go")
            << "192168001002" << QStringList{"192", "168", "1", "2"};
        QTest::newRow("more than 255 is 255") << "3009" << QStringList{"255", "9", "3", "4"};
        QTest::newRow("emptied part shows 0") << "\b" << QStringList{"0", "2", "3", "4"};
        QTest::newRow("letters refused") << "1a2" << QStringList{"12", "2", "3", "4"};
        QTest::newRow("backspace at a part's start goes back")
            << "12.\b\b3" << QStringList{"123", "0", "3", "4"};
    }

    void addressFieldKeys() {
        QFETCH(QString, keys);
        QFETCH(QStringList, parts);
        QWidget window;
        auto* field = new IpAddressField(&window);
        auto* elsewhere = new QLineEdit(&window);
        elsewhere->move(0, 40);
        field->SetAddress({1, 2, 3, 4});
        QVERIFY(ShowActive(&window));
        TypeOver(field->Part(0), keys);
        elsewhere->setFocus();

        QStringList shown;
        Address expected{};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            shown << field->Part(static_cast<int>(i))->text();
            expected[i] = static_cast<std::uint8_t>(parts[static_cast<qsizetype>(i)].toInt());
        }
        QCOMPARE(shown, parts);
        QVERIFY(field->Address() == expected);
    }

    // Tab and Shift+Tab leave an address field from any of its parts.
    void addressFieldTabLeavesFromAnyPart() {
        TestProgram program;
        program.app.device.deviceLan = ReadLan();
        LanSettingDialog dialog(program.app.device, program.app.link, program.app.settingsFile,
                                nullptr);
        QVERIFY(ShowActive(&dialog));
        for (const auto& [from, key, to] :
             {std::tuple{1103, Qt::Key_Tab, 1105}, std::tuple{1105, Qt::Key_Backtab, 1103}}) {
            FindAddressField(&dialog, from)->Part(2)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(QApplication::focusWidget(), FindAddressField(&dialog, to)->Part(0));
        }
    }

    void lanOk_data() {
        QTest::addColumn<LanCase>("row");
        const DeviceLan read = ReadLan();
        QTest::newRow("unread, connect address changed")
            << LanCase{0, 1110, 0, "192.168.1.20", 0, read, {192, 168, 1, 20}, "192.168.1.20"};
        QTest::newRow("mask changed only")
            << LanCase{1, 1105, 2, "0", 1, ReadLan({255, 255, 0, 0}), kStartConnect, "<none>"};
        QTest::newRow("nothing edited") << LanCase{1, 0, 0, "", 0, read, kStartConnect, "<none>"};
        QTest::newRow("same value typed again")
            << LanCase{1, 1103, 0, "192", 0, read, kStartConnect, "<none>"};
    }

    void lanOk() {
        QFETCH(LanCase, row);
        TestProgram program;
        DeviceState& device = program.app.device;
        device.deviceLan = ReadLan();
        device.deviceLan.known = row.known;
        program.app.link.lanAddress = kStartConnect;
        LanSettingDialog dialog(device, program.app.link, program.app.settingsFile, nullptr);
        // Without values read from the amplifier its whole group is out of reach.
        for (const int id : {1101, 1102, 1103, 1104, 1105, 1106, 1107}) {
            QCOMPARE(FindControl<QWidget>(&dialog, id)->isEnabled(), row.known == 1);
        }
        QVERIFY(ShowActive(&dialog));
        if (row.fieldId != 0) {
            TypeOver(FindAddressField(&dialog, row.fieldId)->Part(row.part), row.keys);
        }
        QTest::mouseClick(Button(&dialog, 1111), Qt::LeftButton);

        QVERIFY(Ended(dialog, row.result));
        QVERIFY(SameLan(device.deviceLan, row.device));
        QVERIFY(program.app.link.lanAddress == row.connect);
        QCOMPARE(program.Setting("LAN", "IPAddress"), row.saved);
    }

    void replyRoundTrips_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<std::uint32_t>("clock");
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<int>("stopAfter"); // round trips answered before Stop is pressed
        QTest::addColumn<QStringList>("results");

        QTest::newRow("three round trips") << "3" << 1000u << QList<int>{12, 20, 16} << -1
                                           << QStringList{"3", "16", "12", "20", "16.000000"};
        QTest::newRow("count 0 makes one")
            << "0" << 0u << QList<int>{7} << -1 << QStringList{"1", "7", "7", "7", "7.000000"};
        QTest::newRow("clock wraps around") << "2" << 4294967290u << QList<int>{10, 5} << -1
                                            << QStringList{"2", "5", "5", "10", "7.500000"};
        // The round trip under way when Stop is pressed still counts; no further one starts.
        QTest::newRow("stop") << "10" << 0u << QList<int>{5, 6} << 1
                              << QStringList{"2", "6", "5", "6", "5.500000"};
    }

    void replyRoundTrips() {
        QFETCH(QString, count);
        QFETCH(std::uint32_t, clock);
        QFETCH(QList<int>, times);
        QFETCH(int, stopAfter);
        FakeLink link;
        link.now = clock;
        ReplyTimeDialog dialog(link.Hooks());
        QVERIFY(ShowActive(&dialog));
        TypeOver(FindControl<QLineEdit>(&dialog, 1038), count);
        QTest::mouseClick(Button(&dialog, 1037), Qt::LeftButton);

        for (qsizetype i = 0; i < times.size(); ++i) {
            QCOMPARE(Button(&dialog, 1037)->text(), QStringLiteral("Stop"));
            QVERIFY(!FindControl<QLineEdit>(&dialog, 1038)->isEnabled());
            QVERIFY(!Button(&dialog, 1036)->isEnabled());
            QCOMPARE(link.requests, static_cast<int>(i) + 1);
            if (i == stopAfter) {
                QTest::mouseClick(Button(&dialog, 1037), Qt::LeftButton);
                QVERIFY(!Button(&dialog, 1037)->isEnabled());
            }
            link.Answer(dialog, static_cast<std::uint32_t>(times[i]));
        }
        QCOMPARE(link.requests, static_cast<int>(times.size()));
        QVERIFY(Idle(&dialog));
        QTEST(Results(&dialog), "results");
    }

    void replyFailureKeepsResults() {
        BoxRecorder boxes;
        FakeLink link;
        ReplyTimeDialog dialog(link.Hooks());
        QVERIFY(ShowActive(&dialog));
        QTest::mouseClick(Button(&dialog, 1037), Qt::LeftButton);
        link.Answer(dialog, 12);
        SendWindowMessage(&dialog, UM_REPLY_TEST_FAILED, 29);

        const QStringList kept{"1", "12", "12", "12", "12.000000"};
        QVERIFY(Idle(&dialog));
        QCOMPARE(Results(&dialog), kept);
        QVERIFY(boxes.boxes.empty());
        // A late answer after the failure belongs to no round trip of this test.
        link.Answer(dialog, 40);
        QCOMPARE(Results(&dialog), kept);
        QCOMPARE(link.requests, 2);
        // The next test starts from nothing.
        QTest::mouseClick(Button(&dialog, 1037), Qt::LeftButton);
        QCOMPARE(Results(&dialog), QStringList(5));
        link.Answer(dialog, 3);
        QCOMPARE(Text(&dialog, 1041), QStringLiteral("3"));
    }

    // The count takes four digits, and a character without the field's focus goes nowhere.
    void replyCountKeys() {
        FakeLink link;
        ReplyTimeDialog dialog(link.Hooks());
        QVERIFY(ShowActive(&dialog));
        Button(&dialog, 1037)->setFocus();
        SendWindowMessage(&dialog, WM_CHAR_MESSAGE, '5');
        QCOMPARE(Text(&dialog, 1038), QStringLiteral("10"));
        TypeOver(FindControl<QLineEdit>(&dialog, 1038), QStringLiteral("12345"));
        QCOMPARE(Text(&dialog, 1038), QStringLiteral("1234"));
    }

    // Escape while a test runs is the Close button, which is disabled then.
    void replyClosingDisconnects_data() {
        QTest::addColumn<Dismissal>("how");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Close") << Dismissal::CancelButton << false << true;
        QTest::newRow("Escape") << Dismissal::EscapeKey << false << true;
        QTest::newRow("close box") << Dismissal::CloseBox << false << true;
        QTest::newRow("close box while running") << Dismissal::CloseBox << true << true;
        QTest::newRow("Escape while running") << Dismissal::EscapeKey << true << false;
    }

    void replyClosingDisconnects() {
        QFETCH(Dismissal, how);
        QFETCH(bool, running);
        QFETCH(bool, closes);
        FakeLink link;
        QPointer<ReplyTimeDialog> dialog = new ReplyTimeDialog(link.Hooks());
        QVERIFY(ShowActive(dialog.get()));
        if (running) {
            QTest::mouseClick(Button(dialog, 1037), Qt::LeftButton);
        }
        Dismiss(*dialog, how, 1036);
        QCOMPARE(link.disconnects, closes ? 1 : 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(dialog && dialog->isVisible(), !closes);
        delete dialog.data();
    }

    void replyTimeDialogInJapanese() {
        TestProgram program(Language::Japanese);
        FakeLink link;
        const ReplyTimeDialog reply(link.Hooks());
        QCOMPARE(reply.windowTitle(), QString::fromUtf8("応答時間"));
        for (const QString& text :
             QString::fromUtf8("テスト回数：|結果表示|試行回数：|今回：|最小：|最大：|平均：|回")
                 .split(QLatin1Char('|'))) {
            QVERIFY2(Shown(reply).contains(text), qPrintable(text));
        }
    }
};

QTEST_MAIN(MaintenanceDialogsTest)
#include "maintenance_dialogs_test.moc"
