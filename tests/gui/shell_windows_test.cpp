// The application shell's own windows and helpers: the unit label's raised characters, centring,
// the connection menu's buttons and hidden commands, the version dialog's layout and the
// processing note over the disabled windows.
#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/main_window.h"
#include "app/processing_dialog.h"
#include "app/version_dialog.h"
#include "editor/settings_window.h"
#include "maintenance/timeout_dialog.h"
#include "tests/support/gui_support.h"
#include "ui/control_factory.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace va48;

Q_DECLARE_METATYPE(va48::UnitLabel)

namespace {

// Takes every message posted to the main window before its dispatcher sees it, so that pressing
// USB records the request instead of opening a link.
class MainWindowTap : public QObject {
  public:
    explicit MainWindowTap(QObject* main) { main->installEventFilter(this); }
    std::vector<std::pair<std::uint32_t, std::uintptr_t>> posted; // message, wParam

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return false;
        }
        const auto* message = static_cast<WindowMessageEvent*>(event);
        posted.push_back({message->Message(), message->WParam()});
        return true;
    }
};

// One run of characters of the document, with what the text engine makes of its format.
struct Run {
    QString text;
    QTextCharFormat format;
};

std::vector<Run> Runs(const QString& html, int pixelHeight) {
    QTextDocument document;
    QFont font = DialogFont(9);
    font.setPixelSize(pixelHeight);
    document.setDefaultFont(font);
    document.setHtml(html);
    std::vector<Run> runs;
    for (auto it = document.begin().begin(); !it.atEnd(); ++it) {
        runs.push_back({it.fragment().text(), it.fragment().charFormat()});
    }
    return runs;
}

QWidget* Control(const QWidget* parent, int id) {
    return FindControl<QWidget>(parent, id);
}

} // namespace

// A program with its main window, whose posted messages the tap takes.
struct Shell : TestProgram {
    Shell() { app.windows.mainWindow = &main; }
    ~Shell() {
        DestroySecondaryWindows(app.windows);
        delete app.windows.connectionMenu.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ConnectionMenu* Menu() {
        if (!app.windows.connectionMenu) {
            app.windows.connectionMenu = new ConnectionMenu();
        }
        return app.windows.connectionMenu;
    }

    // The settings window and the menu, with the coefficient dialogs asked for.
    void OpenWindows(bool hpf, bool lpf) {
        Menu();
        app.windows.settingsWindow = new SettingsWindow(app.Editor());
        app.windows.hpfDialog = hpf ? new QWidget() : nullptr;
        app.windows.lpfDialog = lpf ? new QWidget() : nullptr;
    }

    MainWindow main{app};
    MainWindowTap tap{&main};
};

class ShellWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Shell> shell_;

    ConnectionMenu* Menu() { return shell_->Menu(); }

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { shell_ = std::make_unique<Shell>(); }
    void cleanup() { shell_.reset(); }

    void unitLabelRaisesOnlyItsRange_data() {
        QTest::addColumn<UnitLabel>("record");
        QTest::addColumn<int>("pixelHeight");
        QTest::addColumn<QString>("raised");

        QTest::newRow("m/s2") << kVibrationLevelUnitTable[1] << 14 << "2";
        QTest::newRow("mV/m/s2, odd height") << kVibrationSensitivityUnitTable[2] << 17 << "2";
        QTest::newRow("mm/s") << kVibrationLevelUnitTable[2] << 14 << "";
        QTest::newRow("flag with empty range") << UnitLabel{"m/s2", 1, 2, 2} << 14 << "";
        QTest::newRow("range past the end") << UnitLabel{"m/s2", 1, 3, 40} << 14 << "2";
        QTest::newRow("markup in the text") << UnitLabel{"<b>&x", 1, 3, 4} << 14 << "&";
    }

    void unitLabelRaisesOnlyItsRange() {
        QFETCH(UnitLabel, record);
        QFETCH(int, pixelHeight);
        QString shown;
        QString shownRaised;
        for (const Run& run : Runs(UnitLabelHtml(record, pixelHeight), pixelHeight)) {
            shown += run.text;
            if (run.format.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
                shownRaised += run.text;
                QCOMPARE(run.format.fontFamilies().toStringList(),
                         QStringList{UiText(TextId::SuperscriptFont)});
                // The text engine draws a raised run at two thirds of the size asked for.
                QCOMPARE(run.format.font().pixelSize() * 2 / 3, pixelHeight / 2);
            } else {
                QCOMPARE(run.format.verticalAlignment(), QTextCharFormat::AlignNormal);
                QVERIFY(!run.format.hasProperty(QTextFormat::FontFamilies));
                QVERIFY(!run.format.hasProperty(QTextFormat::FontPixelSize));
            }
        }
        QCOMPARE(shown, QString::fromUtf8(record.text.data(), qsizetype(record.text.size())));
        QTEST(shownRaised, "raised");
    }

    void unitLabelWrittenAfterARaisedOneHasNothingRaised() {
        QWidget page;
        QLabel* label = MakeUnitLabel(&page, QRect(160, 40, 40, 26), 3200);
        WriteUnitLabel(label, kVibrationLevelUnitTable[1]);
        QVERIFY(label->text().contains(QStringLiteral("super")));
        WriteUnitLabel(label, kVibrationLevelUnitTable[2]);
        for (const Run& run : Runs(label->text(), 14)) {
            QCOMPARE(run.format.verticalAlignment(), QTextCharFormat::AlignNormal);
        }
    }

    void centringTruncatesTowardZero() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const struct {
            QSize growth;  // the window's size minus the screen's
            QPoint offset; // its expected place from the screen's corner
        } rows[] = {{QSize(-101, -3), QPoint(50, 1)}, {QSize(101, 3), QPoint(-50, -1)}};
        for (const auto& row : rows) {
            QWidget window;
            window.setFixedSize(screen.size() + row.growth);
            CentreWindow(&window);
            QCOMPARE(window.pos(), screen.topLeft() + row.offset);
            QVERIFY(window.isVisible());
        }
    }

    void menuShowsTheProductAndWholeButtons() {
        ConnectionMenu* menu = Menu();
        QVERIFY(menu->isVisible());
        QCOMPARE(FindControl<QLabel>(menu, 1010)->text(),
                 QString::fromStdString(shell_->app.version.productName));
        const int menuBarBottom = menu->findChild<QMenuBar*>()->geometry().bottom();
        for (int id = 1011; id <= 1015; ++id) {
            const auto* button = FindControl<QPushButton>(menu, id);
            QCOMPARE(button->accessibleName(), button->text());
            const QRect place(button->mapTo(menu, QPoint(0, 0)), button->size());
            QVERIFY(menu->rect().contains(place) && place.top() > menuBarBottom);
            QVERIFY(button->sizeHint().width() <= button->width());
        }
    }

    void menuPostsItsRequests() {
        const struct {
            const char* name;
            int button;               // clicked when not 0
            std::uintptr_t character; // sent when button is 0
            bool control;
            std::uint32_t message; // 0: nothing reaches the main window
            std::uintptr_t wParam;
        } rows[] = {
            {"USB", 1011, 0, false, UM_CONNECT_REQUEST, 1},
            {"LAN", 1012, 0, false, UM_CONNECT_REQUEST, 2},
            {"LAN Setting", 1013, 0, false, UM_LAN_SETTING_REQUEST, 0},
            {"Ctrl+U", 0, 21, true, UM_UPDATE_CONNECT_REQUEST, 0},
            {"Ctrl+T", 0, 20, true, UM_REPLY_TEST_CONNECT_REQUEST, 0},
            {"code 21 without Ctrl", 0, 21, false, 0, 0},
            {"code 20 without Ctrl", 0, 20, false, 0, 0},
            {"U", 0, 'U', false, 0, 0},
            {"Ctrl+S", 0, 19, true, 0, 0},
        };
        for (const auto& row : rows) {
            shell_->tap.posted.clear();
            if (row.button != 0) {
                FindControl<QPushButton>(Menu(), row.button)->click();
            } else {
                // Every character is taken, whether or not it means anything.
                QVERIFY2(SendWindowMessage(Menu(), WM_CHAR_MESSAGE, row.character, row.control),
                         row.name);
            }
            QCoreApplication::sendPostedEvents(&shell_->main);
            const std::vector<std::pair<std::uint32_t, std::uintptr_t>> expected(
                row.message != 0, {row.message, row.wParam});
            QVERIFY2(shell_->tap.posted == expected, row.name);
        }
    }

    void menuRunsItsDialogsModallyOverItself() {
        ConnectionMenu* menu = Menu();
        QStringList runs;
        ModalAnswerer answer([&](QDialog& dialog) {
            const QString kind = dynamic_cast<TimeoutDialog*>(&dialog)   ? "time-out"
                                 : dynamic_cast<VersionDialog*>(&dialog) ? "version"
                                                                         : "other";
            runs << kind + (dialog.parentWidget() == menu ? " over the menu" : " elsewhere");
            return 0;
        });
        FindControl<QPushButton>(menu, 1015)->click();
        menu->findChild<QAction*>(QStringLiteral("152"))->trigger();
        QCOMPARE(runs, QStringList({"time-out over the menu", "version over the menu"}));
        QCoreApplication::sendPostedEvents(&shell_->main);
        QVERIFY(shell_->tap.posted.empty());
    }

    void endAndTheCloseBoxEndTheProgram_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("END") << false;
        QTest::newRow("close box") << true;
    }

    void endAndTheCloseBoxEndTheProgram() {
        QFETCH(bool, closeBox);
        ConnectionMenu* menu = Menu();
        QTimer::singleShot(0, menu, [menu, closeBox] {
            closeBox ? void(menu->close()) : FindControl<QPushButton>(menu, 1014)->click();
        });
        // Should the program not end, the loop is ended with a code no path gives.
        QTimer::singleShot(10000, menu, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!menu->isVisible());
    }

    void menuStaysForEscapeAndForItsCloseBoxWhileDisabled() {
        ConnectionMenu* menu = Menu();
        QTest::keyClick(FindControl<QPushButton>(menu, 1011), Qt::Key_Escape);
        QVERIFY(menu->isVisible());
        menu->setEnabled(false);
        QVERIFY(!menu->close());
        QVERIFY(menu->isVisible());
    }

    void versionDialogClosesTheGapOfEmptyCommentsAndEndsWithZero() {
        const VersionInfo with{"VA-48Viewer", "1.01", "comments", "2026/01/02", "(C) someone"};
        VersionInfo without = with;
        without.comments.clear();
        VersionDialog full(with, nullptr);
        VersionDialog shortened(without, nullptr);
        QCOMPARE(FindControl<QLabel>(&shortened, 9002)->text(), QStringLiteral("Version 1.01"));
        // Not shown yet: a dialog that showed itself before its modal run would not be modal.
        QVERIFY(!shortened.isVisible());

        const int gap = Control(&full, 9003)->y() - Control(&full, 9005)->y();
        QVERIFY(gap > 0);
        QVERIFY(Control(&full, 9005)->isVisibleTo(&full));
        QVERIFY(!Control(&shortened, 9005)->isVisibleTo(&shortened));
        for (const int id : {9000, 9001, 9002, 9003, 9004, 9006}) {
            const int shift = id >= 9003 ? gap : 0;
            QCOMPARE(Control(&shortened, id)->geometry(),
                     Control(&full, id)->geometry().translated(0, -shift));
        }
        QCOMPARE(shortened.size(), full.size() - QSize(0, gap));

        // OK and the close box both end it with 0.
        for (VersionDialog* dialog : {&full, &shortened}) {
            dialog->setResult(7);
            dialog->show();
            dialog == &full ? void(dialog->close())
                            : FindControl<QPushButton>(dialog, 9006)->click();
            QCOMPARE(dialog->result(), 0);
            QVERIFY(!dialog->isVisible());
        }
    }

    void processingTextReachesItsLineAndHidingEndsTheDialog() {
        AppWindows& windows = shell_->app.windows;
        ShowProcessing(windows);
        ProcessingDialog* dialog = windows.processingDialog;
        QVERIFY(dialog && dialog->isVisible());
        SetProcessingText(windows, TextId::ProcessingDeviceSetting);
        QCOMPARE(windows.processingDialog.data(), dialog); // shown once per showing
        QCOMPARE(FindControl<QLabel>(dialog, 1050)->text(),
                 UiText(TextId::ProcessingDeviceSetting));

        // Hidden, or ended by Escape, it is made anew by the next text.
        HideProcessing(windows);
        QVERIFY(!windows.processingDialog);
        SetProcessingText(windows, TextId::ProcessingConnect);
        QTest::keyClick(windows.processingDialog, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!windows.processingDialog);
        SetProcessingText(windows, TextId::ProcessingData);
        QVERIFY(windows.processingDialog && windows.processingDialog->isVisible());
        QCOMPARE(windows.processingDialog->Text(), UiText(TextId::ProcessingData));
    }

    void processingDisablesTheWindowsBehindIt_data() {
        QTest::addColumn<bool>("hpfOpen");
        QTest::addColumn<bool>("lpfOpen");
        QTest::addColumn<bool>("settingsEnabledAfter");
        QTest::newRow("no coefficient dialog") << false << false << true;
        QTest::newRow("HPF dialog open") << true << false << false;
        QTest::newRow("LPF dialog open") << false << true << false;
    }

    void processingDisablesTheWindowsBehindIt() {
        QFETCH(bool, hpfOpen);
        QFETCH(bool, lpfOpen);
        QFETCH(bool, settingsEnabledAfter);
        AppWindows& windows = shell_->app.windows;
        shell_->OpenWindows(hpfOpen, lpfOpen);
        // Each open window in the order settings, menu, HPF, LPF: enabled or not.
        const auto states = [&windows] {
            QList<bool> enabled;
            for (QWidget* window : {static_cast<QWidget*>(windows.settingsWindow.data()),
                                    static_cast<QWidget*>(windows.connectionMenu.data()),
                                    windows.hpfDialog.data(), windows.lpfDialog.data()}) {
                if (window) {
                    enabled << window->isEnabled();
                }
            }
            return enabled;
        };
        const qsizetype open = 2 + hpfOpen + lpfOpen;

        ShowProcessing(windows);
        ShowProcessing(windows); // repeating only repeats the disabling
        QCOMPARE(states(), QList<bool>(open, false));

        HideProcessing(windows);
        QList<bool> after(open, true);
        after[0] = settingsEnabledAfter;
        QCOMPARE(states(), after);
    }

    void disconnectDestroysOnlyTheSecondaryWindows() {
        AppWindows& windows = shell_->app.windows;
        shell_->OpenWindows(true, true);
        windows.updateDialog = new QWidget();
        ShowProcessing(windows);
        QPointer<QWidget> hpf = windows.hpfDialog;

        DestroySecondaryWindows(windows);
        QVERIFY(!windows.processingDialog && !windows.settingsWindow && !windows.lpfDialog &&
                !windows.updateDialog);
        QVERIFY(!hpf); // gone, not merely forgotten
        QVERIFY(windows.connectionMenu);
    }
};

QTEST_MAIN(ShellWindowsTest)
#include "shell_windows_test.moc"
