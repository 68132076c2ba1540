#include "app/application.h"

#include "app/connection_menu.h"
#include "app/processing_dialog.h"
#include "editor/settings_window.h"
#include "maintenance/reply_time_dialog.h"

#include <QApplication>

namespace va48 {

Application::Application(const AppPaths& paths, Language language, UsbSearchRoots usbRoots)
    : context_(paths, language, std::move(usbRoots)), main_(std::make_unique<MainWindow>(context_)),
      characters_(context_.windows) {
    context_.windows.mainWindow = main_.get();
    context_.log.Write("\n\n***** VA48PA1 Application Start *****\n");
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(&characters_);
    context_.windows.connectionMenu = new ConnectionMenu();
}

Application::~Application() {
    qApp->removeEventFilter(&characters_);
    // Windows first (they refer to the context), then the link, then the last log line.
    delete context_.windows.replyTimeDialog.data();
    delete context_.windows.processingDialog.data();
    delete context_.windows.settingsWindow.data();
    delete context_.windows.connectionMenu.data();
    delete context_.windows.hpfDialog.data();
    delete context_.windows.lpfDialog.data();
    delete context_.windows.updateDialog.data();
    context_.session->Disconnect();
    main_.reset();
    context_.log.Write("\n***** VA48PA1 Application End *****\n");
}

} // namespace va48
