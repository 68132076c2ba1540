// The application shell's own windows and helpers: the unit label's raised characters, centring,
// the connection menu's buttons and hidden commands, the version dialog's layout and the
// processing note over the disabled windows.
#include "app/app_context.h"
#include "app/connection_menu.h"
#include "app/control_factory.h"
#include "app/main_window.h"
#include "app/messages.h"
#include "app/processing_dialog.h"
#include "app/ui_text.h"
#include "app/version_dialog.h"
#include "app/window_message.h"
#include "editor/settings_window.h"
#include "maintenance/timeout_dialog.h"
#include "tests/support/gui_support.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <vector>

using namespace va48;

Q_DECLARE_METATYPE(va48::UnitLabel)

namespace {

struct Posted {
    std::uint32_t message;
    std::uintptr_t wParam;
};

// Takes every message posted to the main window before its dispatcher sees it, so that pressing
// USB records the request instead of opening a link.
class MainWindowTap : public QObject {
  public:
    explicit MainWindowTap(QObject* main) { main->installEventFilter(this); }
    std::vector<Posted> posted;

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

// The text engine draws a super-script run at two thirds of the size its format asks for.
int DrawnPixelSize(const QTextCharFormat& format) {
    return format.font().pixelSize() * 2 / 3;
}

} // namespace

class ShellWindowsTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<FakeInstall> install_;
    std::unique_ptr<AppContext> app_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<MainWindowTap> tap_;

    ConnectionMenu* Menu() {
        if (!app_->windows.connectionMenu) {
            app_->windows.connectionMenu = new ConnectionMenu();
        }
        return app_->windows.connectionMenu;
    }

    static QLabel* Label(const QWidget* parent, int id) { return FindControl<QLabel>(parent, id); }

  private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void init() {
        install_ = std::make_unique<FakeInstall>();
        app_ = std::make_unique<AppContext>(AppPaths::ForExecutable(install_->Executable()),
                                            Language::English);
        main_ = std::make_unique<MainWindow>(*app_);
        app_->windows.mainWindow = main_.get();
        tap_ = std::make_unique<MainWindowTap>(main_.get());
    }

    void cleanup() {
        for (QWidget* window : {static_cast<QWidget*>(app_->windows.processingDialog.data()),
                                static_cast<QWidget*>(app_->windows.settingsWindow.data()),
                                static_cast<QWidget*>(app_->windows.connectionMenu.data()),
                                app_->windows.hpfDialog.data(), app_->windows.lpfDialog.data(),
                                app_->windows.updateDialog.data()}) {
            delete window;
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        tap_.reset();
        main_.reset();
        app_.reset();
        install_.reset();
    }

    // --- unit labels -------------------------------------------------------------------------

    void unitLabelRaisesOnlyItsRange_data() {
        QTest::addColumn<UnitLabel>("record");
        QTest::addColumn<int>("pixelHeight");
        QTest::addColumn<QString>("raised");

        QTest::newRow("m/s2") << kVibrationLevelUnitTable[1] << 14 << "2";
        QTest::newRow("pC/m/s2") << kVibrationSensitivityUnitTable[1] << 14 << "2";
        QTest::newRow("mV/m/s2, odd height") << kVibrationSensitivityUnitTable[2] << 17 << "2";
        QTest::newRow("mm/s") << kVibrationLevelUnitTable[2] << 14 << "";
        QTest::newRow("flag with empty range") << UnitLabel{"m/s2", 1, 2, 2} << 14 << "";
        QTest::newRow("range past the end") << UnitLabel{"m/s2", 1, 3, 40} << 14 << "2";
        QTest::newRow("markup in the text") << UnitLabel{"<b>&x", 1, 3, 4} << 14 << "&";
    }

    void unitLabelRaisesOnlyItsRange() {
        QFETCH(UnitLabel, record);
        QFETCH(int, pixelHeight);
        QFETCH(QString, raised);

        const std::vector<Run> runs = Runs(UnitLabelHtml(record, pixelHeight), pixelHeight);
        QString shown;
        QString shownRaised;
        for (const Run& run : runs) {
            shown += run.text;
            if (run.format.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
                shownRaised += run.text;
                QCOMPARE(run.format.fontFamilies().toStringList(), QStringList{UiText(303)});
                QCOMPARE(DrawnPixelSize(run.format), pixelHeight / 2);
            } else {
                QCOMPARE(run.format.verticalAlignment(), QTextCharFormat::AlignNormal);
                QVERIFY(!run.format.hasProperty(QTextFormat::FontFamilies));
                QVERIFY(!run.format.hasProperty(QTextFormat::FontPixelSize));
            }
        }
        QCOMPARE(shown, QString::fromUtf8(record.text.data(), qsizetype(record.text.size())));
        QCOMPARE(shownRaised, raised);
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
        QCOMPARE(label->geometry(), QRect(160, 43, 40, 26));
    }

    // --- grid controls -----------------------------------------------------------------------

    void spinEditSplitsItsRectangle() {
        QWidget page;
        const SpinEdit spin = MakeSpinEdit(&page, QRect(240, 40, 80, 26), 4300, 4400);
        QCOMPARE(spin.edit->geometry(), QRect(240, 40, 65, 26));
        QCOMPARE(spin.up->geometry().left(), 240 + 80 - 16);
        QCOMPARE(spin.up->width(), 15);
        QCOMPARE(spin.down->geometry().left(), spin.up->geometry().left());
        // The two arrows share the full height without a gap or an overlap.
        QCOMPARE(spin.up->geometry().top(), 40);
        QCOMPARE(spin.down->geometry().top(), spin.up->geometry().bottom() + 1);
        QCOMPARE(spin.down->geometry().bottom(), 40 + 26 - 1);
        QCOMPARE(spin.up->arrowType(), Qt::UpArrow);
        QCOMPARE(FindControl<QLineEdit>(&page, 4300), spin.edit);
        QCOMPARE(FindControl<QToolButton>(&page, 4400), spin.up);
    }

    // --- centring ------------------------------------------------------------------------------

    void centringTruncatesTowardZero_data() {
        QTest::addColumn<QSize>("growth");  // the window's size minus the screen's
        QTest::addColumn<QPoint>("offset"); // its expected place from the screen's corner

        QTest::newRow("smaller, odd difference") << QSize(-101, -3) << QPoint(50, 1);
        QTest::newRow("larger, even difference") << QSize(100, 40) << QPoint(-50, -20);
        QTest::newRow("larger, odd difference") << QSize(101, 3) << QPoint(-50, -1);
    }

    void centringTruncatesTowardZero() {
        QFETCH(QSize, growth);
        QFETCH(QPoint, offset);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();

        QWidget window;
        window.setFixedSize(screen.size() + growth);
        CentreWindow(&window);
        QCOMPARE(window.pos(), screen.topLeft() + offset);
        QVERIFY(window.isVisible());
    }

    // --- connection menu -----------------------------------------------------------------------

    void menuShowsTheProductAndItsButtons() {
        ConnectionMenu* menu = Menu();
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->windowTitle(), UiText(301));
        QCOMPARE(Label(menu, 1010)->text(), QString::fromStdString(app_->version.productName));
        const int menuBarBottom = menu->findChild<QMenuBar*>()->geometry().bottom();
        const std::pair<int, QString> buttons[] = {{1011, UiText(312)},
                                                   {1012, UiText(313)},
                                                   {1013, UiText(314)},
                                                   {1014, UiText(315)},
                                                   {1015, QStringLiteral("TIMEOUT Setting")}};
        for (const auto& [id, text] : buttons) {
            const auto* button = FindControl<QPushButton>(menu, id);
            QVERIFY2(button, qPrintable(text));
            QCOMPARE(button->text(), text);
            QCOMPARE(button->accessibleName(), text);
            // Whole, inside the window and clear of the menu bar.
            const QRect place(button->mapTo(menu, QPoint(0, 0)), button->size());
            QVERIFY(menu->rect().contains(place) && place.top() > menuBarBottom);
            QVERIFY(button->sizeHint().width() <= button->width());
        }
    }

    void menuPostsItsRequests_data() {
        QTest::addColumn<int>("button");           // clicked when not 0
        QTest::addColumn<qulonglong>("character"); // sent when button is 0
        QTest::addColumn<bool>("control");
        QTest::addColumn<uint>("message"); // 0: nothing reaches the main window
        QTest::addColumn<qulonglong>("wParam");

        QTest::newRow("USB") << 1011 << 0ULL << false << uint(UM_CONNECT_REQUEST) << 1ULL;
        QTest::newRow("LAN") << 1012 << 0ULL << false << uint(UM_CONNECT_REQUEST) << 2ULL;
        QTest::newRow("LAN Setting")
            << 1013 << 0ULL << false << uint(UM_LAN_SETTING_REQUEST) << 0ULL;
        QTest::newRow("Ctrl+U") << 0 << 21ULL << true << uint(UM_UPDATE_CONNECT_REQUEST) << 0ULL;
        QTest::newRow("Ctrl+T") << 0 << 20ULL << true << uint(UM_REPLY_TEST_CONNECT_REQUEST)
                                << 0ULL;
        QTest::newRow("code 21 without Ctrl") << 0 << 21ULL << false << 0U << 0ULL;
        QTest::newRow("code 20 without Ctrl") << 0 << 20ULL << false << 0U << 0ULL;
        QTest::newRow("U") << 0 << qulonglong('U') << false << 0U << 0ULL;
        QTest::newRow("Ctrl+S") << 0 << 19ULL << true << 0U << 0ULL;
    }

    void menuPostsItsRequests() {
        QFETCH(int, button);
        QFETCH(qulonglong, character);
        QFETCH(bool, control);
        QFETCH(uint, message);
        QFETCH(qulonglong, wParam);

        if (button != 0) {
            FindControl<QPushButton>(Menu(), button)->click();
        } else {
            // Every character is taken, whether or not it means anything.
            QVERIFY(SendWindowMessage(Menu(), WM_CHAR_MESSAGE, character, control ? 1 : 0));
        }
        QCoreApplication::sendPostedEvents(main_.get());
        if (message == 0) {
            QVERIFY(tap_->posted.empty());
        } else {
            QCOMPARE(tap_->posted.size(), std::size_t{1});
            QCOMPARE(tap_->posted[0].message, message);
            QCOMPARE(tap_->posted[0].wParam, wParam);
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
        QCoreApplication::sendPostedEvents(main_.get());
        QVERIFY(tap_->posted.empty());
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
            if (closeBox) {
                menu->close();
            } else {
                FindControl<QPushButton>(menu, 1014)->click();
            }
        });
        // Should the program not end, the loop is ended with a code no path gives.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(10000);
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

    // --- version dialog -------------------------------------------------------------------------

    void versionDialogShowsTheVersionText() {
        VersionDialog dialog(VersionInfo{"VA-48Viewer", "1.01", "", "", ""}, nullptr);
        QCOMPARE(Label(&dialog, 9002)->text(), QStringLiteral("Version 1.01"));
        QVERIFY(FindControl<QPushButton>(&dialog, 9006)->isDefault());
        // Not shown yet: a dialog that showed itself before its modal run would not be modal.
        QVERIFY(!dialog.isVisible());
        VersionDialog empty(VersionInfo{}, nullptr);
        QCOMPARE(Label(&empty, 9002)->text(), QStringLiteral("Version "));
    }

    void versionDialogClosesTheGapOfEmptyComments() {
        const VersionInfo with{"VA-48Viewer", "1.01", "comments", "2026/01/02", "(C) someone"};
        VersionInfo without = with;
        without.comments.clear();
        VersionDialog full(with, nullptr);
        VersionDialog shortened(without, nullptr);

        const int gap = full.findChild<QWidget*>("9003")->y() - Label(&full, 9005)->y();
        QVERIFY(gap > 0);
        QVERIFY(Label(&full, 9005)->isVisibleTo(&full));
        QVERIFY(!Label(&shortened, 9005)->isVisibleTo(&shortened));
        for (const int id : {9003, 9004, 9006}) {
            const QWidget* before = full.findChild<QWidget*>(QString::number(id));
            const QWidget* after = shortened.findChild<QWidget*>(QString::number(id));
            QCOMPARE(after->geometry(), before->geometry().translated(0, -gap));
        }
        for (const int id : {9000, 9001, 9002}) {
            QCOMPARE(shortened.findChild<QWidget*>(QString::number(id))->geometry(),
                     full.findChild<QWidget*>(QString::number(id))->geometry());
        }
        QCOMPARE(shortened.size(), full.size() - QSize(0, gap));
    }

    void versionDialogEndsWithZero() {
        for (const bool closeBox : {false, true}) {
            VersionDialog dialog(VersionInfo{}, nullptr);
            dialog.setResult(7);
            dialog.show();
            closeBox ? void(dialog.close()) : FindControl<QPushButton>(&dialog, 9006)->click();
            QCOMPARE(dialog.result(), 0);
            QVERIFY(!dialog.isVisible());
        }
    }

    // --- processing dialog -----------------------------------------------------------------------

    void processingTextReachesItsLine() {
        AppWindows& windows = app_->windows;
        ShowProcessing(windows);
        ProcessingDialog* dialog = windows.processingDialog;
        QVERIFY(dialog);
        QCOMPARE(dialog->Text(), QStringLiteral("Static"));
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(dialog->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(dialog->isVisible());

        SetProcessingText(windows, 455);
        QCOMPARE(windows.processingDialog.data(), dialog); // shown once per showing
        QCOMPARE(Label(dialog, 1050)->text(), UiText(455));
        QCOMPARE(Label(dialog, 1051)->text(), QString());

        HideProcessing(windows);
        QVERIFY(!windows.processingDialog);
        SetProcessingText(windows, 451);
        QVERIFY(windows.processingDialog);
        QCOMPARE(windows.processingDialog->Text(), UiText(451));
    }

    void processingEndedByEscapeIsMadeAnewNextTime() {
        AppWindows& windows = app_->windows;
        ShowProcessing(windows);
        QTest::keyClick(windows.processingDialog, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!windows.processingDialog);

        SetProcessingText(windows, 456);
        QVERIFY(windows.processingDialog && windows.processingDialog->isVisible());
        QCOMPARE(windows.processingDialog->Text(), UiText(456));
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
        AppWindows& windows = app_->windows;
        Menu();
        windows.settingsWindow = new SettingsWindow();
        if (hpfOpen) {
            windows.hpfDialog = new QWidget();
        }
        if (lpfOpen) {
            windows.lpfDialog = new QWidget();
        }
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
        AppWindows& windows = app_->windows;
        ConnectionMenu* menu = Menu();
        windows.settingsWindow = new SettingsWindow();
        windows.hpfDialog = new QWidget();
        windows.lpfDialog = new QWidget();
        windows.updateDialog = new QWidget();
        ShowProcessing(windows);

        QPointer<QWidget> hpf = windows.hpfDialog;
        DestroySecondaryWindows(windows);
        QVERIFY(!windows.processingDialog);
        QVERIFY(!windows.settingsWindow);
        QVERIFY(!windows.hpfDialog);
        QVERIFY(!windows.lpfDialog);
        QVERIFY(!windows.updateDialog);
        QVERIFY(!hpf); // gone, not merely forgotten
        QCOMPARE(windows.connectionMenu.data(), menu);
    }
};

QTEST_MAIN(ShellWindowsTest)
#include "shell_windows_test.moc"
