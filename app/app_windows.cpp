#include "app/app_windows.h"

#include "app/app_context.h"
#include "app/main_window.h"
#include "maintenance/reply_time_dialog.h"
#include "ui/window_message.h"

namespace va48 {

QObject* AppWindows::Resolve(WindowHandle handle) const {
    switch (handle) {
    case kMainWindowHandle:
        return mainWindow.data();
    case kReplyTimeDialogHandle:
        return replyTimeDialog.data();
    case kUpdateDialogHandle:
        return updateDialog.data();
    default:
        return nullptr;
    }
}

void PostToMain(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    PostWindowMessage(App().windows.mainWindow.data(), message, wParam, lParam);
}

bool SendToMain(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendWindowMessage(App().windows.mainWindow.data(), message, wParam, lParam);
}

} // namespace va48
