#pragma once

#include "protocol/device_state.h"

#include <cstdint>
#include <functional>
#include <string>

class QMenuBar;
class QWidget;

namespace va48 {

class OverloadHistory;

// Flags the main window and the settings window share (window thread only). The main window
// clears them before it creates a settings window.
struct EditorState {
    bool busy = false;             // a user sequence or a tool dialog runs; holds the poll back
    bool settingsModified = false; // the pages hold edits neither sent nor cancelled
};

// What the settings window, its pages and its level display work on. The program owns all of it
// and outlives the window.
struct EditorContext {
    DeviceState& device; // edited through each channel's editSetup
    EditorState& state;
    // Queues a message for the main window: UM_CAL_TOGGLE, UM_SEND_SETTINGS, UM_DISCONNECT and
    // the operations of the Ctrl shortcuts. May be empty (nothing is told).
    std::function<void(std::uint32_t message)> tellMain;
    // Adds the program's own menus (Help) to the window's menu bar. May be empty.
    std::function<void(QMenuBar& bar, QWidget& window)> addProgramMenus;
    // Names the open link for the status line ("LAN 192.168.1.100:10001"). May be empty.
    std::function<std::string()> describeLink;
    // The overload counts the level display marks beside each level; null shows no marks.
    const OverloadHistory* overloads = nullptr;

    void TellMain(std::uint32_t message) const {
        if (tellMain) {
            tellMain(message);
        }
    }
};

// Called by a page after every change it made to an edit setup.
using EditedNotice = std::function<void()>;

} // namespace va48
