// Runs the real program against va48sim on the display it is given (Xvfb in
// scripts/screenshots.sh) and saves the connection menu, the settings window with live levels
// and the version dialog as PNG files into the folder named on the command line.
#include "app/application.h"
#include "app/connection_menu.h"
#include "app/version_dialog.h"
#include "editor/settings_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <cstdio>

using namespace va48;

namespace {

bool Save(QWidget* window, const QString& path) {
    QTest::qWait(300); // let the window paint once more
    const bool saved = window && window->grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
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

    // The three setting pages of the mixed sound and vibration layout.
    auto* tabs = FindControl<QTabBar>(app.windows.settingsWindow, 1500);
    const char* pages[] = {"input_page", "measure_page", "user_filter_page"};
    for (int tab = 0; tabs && tab < 3; ++tab) {
        tabs->setCurrentIndex(tab);
        ok = Save(app.windows.settingsWindow, folder + "/" + pages[tab] + suffix + ".png") && ok;
    }
    return ok ? 0 : 1;
}
