#pragma once

#include <cstdint>

namespace va48 {

// The program's private window messages. Their numbers are fixed: the windows, the session and
// the tests all speak of them by number.

// To the main window.
inline constexpr std::uint32_t UM_CONNECT_REQUEST = 1025; // wParam: link kind 1 USB, 2 LAN
inline constexpr std::uint32_t UM_DISCONNECT = 1026;
inline constexpr std::uint32_t UM_LAN_SETTING_REQUEST = 1027;
inline constexpr std::uint32_t UM_UPDATE_CONNECT_REQUEST = 1028;
inline constexpr std::uint32_t UM_REPLY_TEST_CONNECT_REQUEST = 1029;
inline constexpr std::uint32_t UM_LAN_SETTING_UNREAD = 1032;
inline constexpr std::uint32_t UM_SEND_SETTINGS = 1035;
inline constexpr std::uint32_t UM_SEND_USER_HPF = 1036;
inline constexpr std::uint32_t UM_SEND_USER_LPF = 1037;
inline constexpr std::uint32_t UM_SEND_LAN_SETTING = 1038;
inline constexpr std::uint32_t UM_CAL_TOGGLE = 1039;
inline constexpr std::uint32_t UM_READ_DEVICE_INDEX = 1045;
inline constexpr std::uint32_t UM_DEVICE_INDEX_READ = 1046;
inline constexpr std::uint32_t UM_SETTINGS_READ = 1047;
inline constexpr std::uint32_t UM_USER_FILTERS_READ = 1048;
inline constexpr std::uint32_t UM_TEDS_SETTLED = 1049;
inline constexpr std::uint32_t UM_POLL_DATA = 1050;
inline constexpr std::uint32_t UM_READ_LAN_SETTING = 1051;
inline constexpr std::uint32_t UM_REPLY_TEST_SEND = 1052;
inline constexpr std::uint32_t UM_READ_VERSION = 1053;
inline constexpr std::uint32_t UM_TEDS_READ = 1055;
inline constexpr std::uint32_t UM_COMMAND_FAILED = 1065; // wParam: ResultCode
inline constexpr std::uint32_t UM_CAL_DONE = 1066;
inline constexpr std::uint32_t UM_CAL_FAILED = 1067; // wParam: ResultCode
inline constexpr std::uint32_t UM_RESET_DONE = 1068;
inline constexpr std::uint32_t UM_REBOOT_DONE = 1072;
inline constexpr std::uint32_t UM_VERSION_READ = 1073;
inline constexpr std::uint32_t UM_RESET_REQUEST = 1075;
inline constexpr std::uint32_t UM_CONNECTED = 1076;
inline constexpr std::uint32_t UM_REBOOT_REQUEST = 1077;
inline constexpr std::uint32_t UM_SETTINGS_REREAD = 1078;
inline constexpr std::uint32_t UM_OPEN_HPF_DIALOG = 1085;
inline constexpr std::uint32_t UM_HPF_DIALOG_CLOSED = 1086;
inline constexpr std::uint32_t UM_OPEN_LPF_DIALOG = 1087;
inline constexpr std::uint32_t UM_LPF_DIALOG_CLOSED = 1088;
inline constexpr std::uint32_t UM_OPEN_UPDATE_DIALOG = 1089;
inline constexpr std::uint32_t UM_UPDATE_DIALOG_CLOSED = 1090; // wParam: the dialog's outcome
inline constexpr std::uint32_t UM_LAN_SETTING_READ = 1091;
inline constexpr std::uint32_t UM_REPLY_TEST_CONNECTED = 1092;
inline constexpr std::uint32_t UM_READ_ALL_DONE = 1095;
inline constexpr std::uint32_t UM_POLL_DONE = 1096;
// Watching the levels: the View menu's windows and a new poll period (already in LevelWatch).
inline constexpr std::uint32_t UM_OPEN_OVERLOAD_WINDOW = 1200;
inline constexpr std::uint32_t UM_OPEN_TREND_WINDOW = 1201;
inline constexpr std::uint32_t UM_POLL_PERIOD_CHANGED = 1202;

// To the reply-time dialog.
inline constexpr std::uint32_t UM_REPLY_TEST_DONE = 1069;
inline constexpr std::uint32_t UM_REPLY_TEST_FAILED = 1070; // wParam: ResultCode

// To the settings window and its children.
inline constexpr std::uint32_t UM_DATA_POLLED = 1105;
inline constexpr std::uint32_t UM_SETTINGS_LOADED = 1106;
inline constexpr std::uint32_t UM_SETTINGS_EDITED = 1107;
inline constexpr std::uint32_t UM_CAL_CHANGED = 1108;
inline constexpr std::uint32_t UM_RELOAD_VALUES = 1109; // pages, level display, coefficient dialogs
inline constexpr std::uint32_t UM_SHOW_LEVELS = 1115;   // level display
inline constexpr std::uint32_t UM_STOP_LAMPS = 1116;    // level display

// To the processing dialog: wParam the number of the text to show (a TextId).
inline constexpr std::uint32_t UM_SET_PROCESSING_TEXT = 1125;

// To the firmware update dialog.
inline constexpr std::uint32_t UM_UPDATE_STEP_DONE = 1135;
inline constexpr std::uint32_t UM_UPDATE_WRITE_DONE = 1137;
inline constexpr std::uint32_t UM_UPDATE_FAILED = 1138; // wParam: ResultCode
inline constexpr std::uint32_t UM_UPDATE_COMPLETED = 1139;
inline constexpr std::uint32_t UM_UPDATE_ABORTED = 1140;

// Timers of the main window and the level display.
inline constexpr int kLampHoldTimer = 1001;
inline constexpr int kPollTimer = 1002;
inline constexpr int kTimerPeriodMs = 1000;

} // namespace va48

namespace va48 {

// A typed character, as the message loop hands it to the first open editor window (see
// CharacterRouter): wParam the character code (Ctrl+letter gives 1..26, Backspace 8), lParam 1
// while the Control key is down.
inline constexpr std::uint32_t WM_CHAR_MESSAGE = 0x0102;

// The code WM_CHAR_MESSAGE carries for Ctrl+`letter` (an upper-case ASCII letter).
constexpr char16_t ControlCode(char letter) {
    return static_cast<char16_t>(letter - 'A' + 1);
}

// The program's Ctrl shortcuts.
inline constexpr char16_t kCtrlB = ControlCode('B'); // reboot
inline constexpr char16_t kCtrlH = ControlCode('H'); // HPF coefficients
inline constexpr char16_t kCtrlL = ControlCode('L'); // LPF coefficients
inline constexpr char16_t kCtrlR = ControlCode('R'); // reset
inline constexpr char16_t kCtrlT = ControlCode('T'); // reply-time test (connection menu)
inline constexpr char16_t kCtrlU = ControlCode('U'); // firmware update
inline constexpr char16_t kCtrlV = ControlCode('V'); // version

} // namespace va48
