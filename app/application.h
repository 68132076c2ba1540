#pragma once

#include "app/app_context.h"
#include "app/character_router.h"
#include "app/main_window.h"

#include <QTranslator>

#include <memory>

namespace va48 {

// The program from start-up to shutdown: the context (paths, settings, version, device image,
// events, session), the hidden main window, the character routing, Qt's own texts in the window
// language, the tool dialogs' makers, the start banner in the log and the connection menu.
// Destroying it closes the link and writes the end banner.
class Application {
  public:
    Application(const AppPaths& paths, Language language, UsbSearchRoots usbRoots = {});
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    AppContext& Context() { return context_; }
    MainWindow& Main() { return *main_; }

  private:
    QWidget* MakeUpdateDialog();

    AppContext context_;
    std::unique_ptr<MainWindow> main_;
    CharacterRouter characters_;
    QTranslator qtTexts_; // Qt's own texts (file dialog, standard buttons) in the window language
};

} // namespace va48
