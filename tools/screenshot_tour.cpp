// Runs the real program against va48sim on the display it is given (Xvfb in
// scripts/screenshots.sh) and saves the connection menu, the settings window with live levels,
// the version dialog, the setting pages and the HPF and LPF coefficient dialogs as PNG files into
// the folder named on the command line; then the settings window with bar meters and overload
// marks, the overload history and the trend over a few minutes of made-up levels.
#include "app/application.h"
#include "app/connection_menu.h"
#include "app/version_dialog.h"
#include "editor/level_format.h"
#include "editor/settings_window.h"
#include "monitor/level_trend.h"
#include "monitor/level_watch.h"
#include "monitor/overload_history.h"
#include "monitor/overload_window.h"
#include "monitor/trend_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace va48;

namespace {

bool Save(QWidget* window, const QString& path) {
    QTest::qWait(300); // let the window paint once more
    const bool saved = window && window->grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

// One user action in a coefficient dialog: Space on a check box, Down on a unit list, or a text
// typed over a field and left with Tab.
struct Edit {
    int id;
    const char* text = nullptr;
};

// Opens a coefficient dialog with Ctrl+<key> from the settings window, makes the edits, sends them
// and waits for the values read back.
QWidget* SendFilters(AppContext& app, Qt::Key key, int base, const std::vector<Edit>& edits) {
    QTest::keyClick(app.windows.settingsWindow, key, Qt::ControlModifier);
    const auto dialog = [&]() -> QWidget* {
        return key == Qt::Key_H ? app.windows.hpfDialog : app.windows.lpfDialog;
    };
    if (!WaitFor([&] { return dialog() != nullptr; })) {
        return nullptr;
    }
    QWidget* window = dialog();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) {
        return nullptr;
    }
    for (const Edit& edit : edits) {
        QWidget* control = FindControl<QWidget>(window, edit.id);
        control->setFocus();
        if (auto* field = qobject_cast<QLineEdit*>(control)) {
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClicks(field, edit.text);
            QTest::keyClick(field, Qt::Key_Tab);
        } else {
            QTest::keyClick(control,
                            qobject_cast<QComboBox*>(control) ? Qt::Key_Down : Qt::Key_Space);
        }
    }
    auto* send = FindControl<QPushButton>(window, base + 51);
    QTest::mouseClick(send, Qt::LeftButton);
    const bool readBack = WaitFor([&] {
        return dialog() && dialog()->isEnabled() && !send->isEnabled() &&
               app.windows.processingDialog.isNull();
    });
    return readBack ? dialog() : nullptr;
}

// Sets a channel's reading to `level` in the unit it shows, keeping the reading's scale.
void SetLevel(ChannelSettings& channel, double level) {
    int decimals = 1;
    if (channel.moduleKind == kVibrationModule) {
        const ChannelReading& reading = channel.reading;
        decimals = VibrationDecimals(reading.readingExp, reading.readingUnit, reading.readingRange)
                       .value_or(0);
    }
    channel.reading.value =
        static_cast<std::uint32_t>(std::lround(std::max(0.0, level) * std::pow(10.0, decimals)));
}

// A made-up level of channel `number` at `seconds` into the session, as a share of full scale
// (above 1 past it): a machine that runs up, holds and stops, with some ripple.
double MadeUpShare(int number, double seconds) {
    const double cycle = std::fmod(seconds + number * 7.0, 90.0);
    const double running = cycle < 20 ? cycle / 20 : cycle < 70 ? 1.0 : (90 - cycle) / 20;
    const double ripple = 0.015 * std::sin(seconds * (0.9 + number * 0.11)) +
                          0.008 * std::sin(seconds * 3.3 + number);
    return 0.25 + 0.5 * running + ripple;
}

// The level of a channel for a share of its full scale: dB levels span kBarDbSpan below it.
double LevelFor(const ChannelSettings& channel, double share) {
    const double full = FullScale(channel).value_or(100.0);
    return channel.moduleKind == kSoundModule ? full - kBarDbSpan * (1.0 - share) : full * share;
}

// The level watching windows over a copy of the amplifier's image as the program last read it:
// four minutes of made-up polls at 200 ms, in which channel 3 went past its full scale twice and
// channel 12 once, and channel 10 fell under range.
bool SaveMonitorWindows(const DeviceState& live, const QString& folder, const QString& suffix) {
    DeviceState device = live;
    EditorState state;
    LevelWatch watch;
    // The status line shows a recording under way.
    const QString recording = QDir(QDir::tempPath()).filePath(QStringLiteral("levels.csv"));
    std::error_code why;
    watch.recorder.Start(recording.toStdU16String(), device, why);
    constexpr int kPolls = 4 * 60 * 5;
    constexpr auto kPoll = std::chrono::milliseconds(200);
    const WallClock::time_point start = WallClock::now() - kPolls * kPoll;
    for (int poll = 0; poll < kPolls; ++poll) {
        const double seconds = poll * 0.2;
        for (int number = 1; number <= kChannelCount; ++number) {
            ChannelSettings& channel = device.channels[static_cast<std::size_t>(number - 1)];
            double share = MadeUpShare(number, seconds);
            const bool over = (number == 3 && ((poll > 400 && poll < 420) || poll > 1180)) ||
                              (number == 12 && poll > 700 && poll < 712);
            const bool under = number == 10 && poll > 900 && poll < 930;
            share = over ? 1.05 : under ? 0.02 : share;
            SetLevel(channel, LevelFor(channel, share));
            channel.reading.lampRed = over ? 1 : 0;
            channel.reading.lampCyan = under ? 1 : 0;
        }
        TakePoll(watch, device, start + poll * kPoll);
    }

    EditorContext context{device, state, {}, {}, {}};
    context.watch = &watch;
    SettingsWindow settings(context);
    SendWindowMessage(&settings, UM_SETTINGS_LOADED);
    SendWindowMessage(&settings, UM_DATA_POLLED);
    QCoreApplication::sendPostedEvents();
    settings.show();
    bool ok = Save(&settings, folder + "/settings_window_bars" + suffix + ".png");

    OverloadWindow overloads(nullptr, watch.overloads, device);
    overloads.show();
    ok = Save(&overloads, folder + "/overload_history" + suffix + ".png") && ok;

    TrendWindow plot(nullptr, watch.trend, device);
    for (int number = 1; number <= kChannelCount; ++number) {
        if (number != 1 && number != 9) {
            plot.ChannelBox(number)->setChecked(false);
        }
    }
    plot.resize(900, 560);
    plot.show();
    ok = Save(&plot, folder + "/trend" + suffix + ".png") && ok;
    watch.recorder.Stop();
    QFile::remove(recording);
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: screenshot_tour OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const Language language = SystemLanguage();
    const QString suffix = language == Language::Japanese ? "_ja" : "_en";

    SimProcess sim({"--layout", "SSSSSSSSVVVVVVVV", "--seed", "7"});
    if (!sim.Started()) {
        std::fprintf(stderr, "va48sim did not start: %s\n", sim.Error().c_str());
        return 1;
    }
    FakeInstall install;
    WriteFile(install.Settings(),
              "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=" + std::to_string(sim.Port()) + "\r\n");
    Application program(AppPaths::ForExecutable(install.Executable()), language);
    AppContext& app = program.Context();

    bool ok = WaitFor(
        [&] { return app.windows.connectionMenu && app.windows.connectionMenu->isVisible(); });
    ok = ok && Save(app.windows.connectionMenu, folder + "/connection_menu" + suffix + ".png");

    // The version dialog as Help > Version... shows it.
    {
        VersionDialog dialog(app.version, app.windows.connectionMenu);
        dialog.show();
        ok = Save(&dialog, folder + "/version_dialog" + suffix + ".png") && ok;
    }

    QTest::mouseClick(FindControl<QPushButton>(app.windows.connectionMenu, 1012), Qt::LeftButton);
    ok = WaitFor([&] {
             return app.windows.settingsWindow && app.windows.settingsWindow->isVisible() &&
                    !app.editor.busy;
         }) &&
         ok;
    QTest::qWait(2500); // two polls: the levels are live
    ok = Save(app.windows.settingsWindow, folder + "/settings_window" + suffix + ".png") && ok;
    ok = SaveMonitorWindows(app.device, folder, suffix) && ok;

    // The three setting pages of the mixed sound and vibration layout.
    auto* tabs = FindControl<QTabBar>(app.windows.settingsWindow, 1500);
    const char* pages[] = {"input_page", "measure_page", "user_filter_page"};
    for (int tab = 0; tabs && tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        ok = Save(app.windows.settingsWindow, folder + "/" + pages[tab] + suffix + ".png") && ok;
    }

    // The coefficient dialogs with a few user filters sent and read back.
    const std::vector<Edit> hpf = {{7200},
                                   {7300, "12.3"},
                                   {7500, "3f2a1c0b9e"},
                                   {7600, "7ffe1c2a40"},
                                   {7700, "3f2a1c0b9e"},
                                   {7800, "fff8e4a0c1"},
                                   {7900, "3ff1b2c4d"},
                                   {7201},
                                   {7301, "50"},
                                   {7501, "1a2b3c4d5e"},
                                   {7208},
                                   {7508, "abc"}};
    QWidget* hpfDialog = SendFilters(app, Qt::Key_H, 7000, hpf);
    ok = Save(hpfDialog, folder + "/hpf_dialog" + suffix + ".png") && ok;
    if (hpfDialog) {
        QTest::keyClick(hpfDialog, Qt::Key_Escape);
        WaitFor([&] { return app.windows.settingsWindow->isVisible(); });
    }
    const std::vector<Edit> lpf = {{8200}, {8400},        {8300, "20"},   {8500, "1c2b3a4d5e6f"},
                                   {8208}, {8308, "500"}, {8808, "12345"}};
    ok = Save(SendFilters(app, Qt::Key_L, 8000, lpf), folder + "/lpf_dialog" + suffix + ".png") &&
         ok;
    return ok ? 0 : 1;
}
