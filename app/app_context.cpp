#include "app/app_context.h"

#include "app/help_menu.h"
#include "app/main_window.h"
#include "shell/link_description.h"
#include "shell/link_settings_file.h"
#include "shell/program_paths.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QStandardPaths>

#include <cassert>

namespace va48 {

namespace {

AppContext*& Current() {
    static AppContext* current = nullptr;
    return current;
}

} // namespace

AppPaths AppPaths::ForExecutable(const std::filesystem::path& executable) {
    AppPaths paths;
    paths.executable = executable;
    const ProgramFiles files = LocateProgramFiles(
        executable,
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdU16String());
    paths.settings = files.settings;
    paths.log = files.log;
    return paths;
}

// The members come up in the start-up order: paths, settings, version, device image (zeroed by
// construction), events, windows, then the session that uses them all.
AppContext::AppContext(AppPaths paths, Language language, UsbSearchRoots usbRoots)
    : paths(std::move(paths)), language(language), usbRoots(usbRoots),
      settingsFile(this->paths.settings), log(this->paths.log),
      router([this](WindowHandle handle) { return windows.Resolve(handle); }) {
    assert(!Current() && "one application context at a time");
    Current() = this;
    SetUiLanguage(language);
    LoadLinkSettings(settingsFile, link);
    watch.pollPeriodMs = ParsePollPeriod(settingsFile.ReadString(kViewSection, kPollPeriodKey, ""));
    ReadVersionInfo(this->paths.executable, language == Language::Japanese, version);
    session = std::make_unique<CommandSession>(SessionContext{
        device, link, events, log, router.PostFn(), router.SendFn(), kMainWindowHandle, usbRoots});
}

AppContext::~AppContext() {
    session.reset(); // ends the worker and closes the link before anything it uses goes
    Current() = nullptr;
}

EditorContext AppContext::Editor() {
    return EditorContext{
        device,
        editor,
        [this](std::uint32_t message) { PostWindowMessage(windows.mainWindow.data(), message); },
        [this](QMenuBar& bar, QWidget& window) { AddHelpMenu(bar, window, version); },
        [this] { return LinkDescription(linkKind, link); },
        &watch};
}

AppContext& App() {
    return *Current();
}

} // namespace va48
