#pragma once

#include "app/app_windows.h"
#include "app/message_router.h"
#include "editor/editor_context.h"
#include "monitor/level_watch.h"
#include "protocol/comm_log.h"
#include "protocol/command_session.h"
#include "protocol/device_state.h"
#include "protocol/link_settings.h"
#include "resources/string_table.h"
#include "shell/settings_file.h"
#include "shell/version_info.h"
#include "transport/auto_reset_event.h"

#include <array>
#include <filesystem>
#include <functional>
#include <memory>

namespace va48 {

// Where the program keeps its files: beside the executable, or for an installed program in the
// user's configuration folder (see shell/program_paths.h).
struct AppPaths {
    std::filesystem::path executable;
    std::filesystem::path settings; // VA-48Viewer.ini
    std::filesystem::path log;      // VA-48Viewer.log

    static AppPaths ForExecutable(const std::filesystem::path& executable);
};

// Makers of the tool dialogs that later parts of the program plug in; empty until they do.
struct ToolDialogFactories {
    std::function<QWidget*()> hpf;
    std::function<QWidget*()> lpf;
    std::function<QWidget*()> update;
};

// Everything the running program owns, in the order it is set up. There is one; App() finds it.
class AppContext {
  public:
    AppContext(AppPaths paths, Language language, UsbSearchRoots usbRoots = {});
    ~AppContext();

    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    const AppPaths paths;
    const Language language;
    const UsbSearchRoots usbRoots;
    SettingsFile settingsFile;
    LinkSettings link;
    LinkKind linkKind = LinkKind::None; // the link asked for last
    CommLog log;
    VersionInfo version;
    DeviceState device;
    SessionEvents events;
    AppWindows windows;
    EditorState editor;
    LevelWatch watch;
    ToolDialogFactories dialogs;
    MessageRouter router;
    std::unique_ptr<CommandSession> session;

    // What a settings window works on: the device image, the editor flags, the main window as
    // the receiver of its requests, and the Help menu.
    EditorContext Editor();
};

// The running program's context. Only valid while an AppContext exists.
AppContext& App();

} // namespace va48
