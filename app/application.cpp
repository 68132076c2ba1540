#include "app/application.h"

#include "app/connection_menu.h"
#include "ui/messages.h"
#include "app/processing_dialog.h"
#include "ui/window_message.h"
#include "editor/settings_window.h"
#include "filters/coefficient_dialog.h"
#include "maintenance/firmware_update_dialog.h"
#include "maintenance/reply_time_dialog.h"

#include <QApplication>
#include <QLibraryInfo>

namespace va48 {

namespace {

// The coefficient dialogs edit the device image and speak to the main window by posted messages.
std::function<QWidget*()> CoefficientDialogFactory(FilterSide side, DeviceState& device) {
    return [side, &device]() -> QWidget* {
        return new CoefficientDialog(side,
                                     {device, [](std::uint32_t message) { PostToMain(message); }});
    };
}

} // namespace

Application::Application(const AppPaths& paths, Language language, UsbSearchRoots usbRoots)
    : context_(paths, language, std::move(usbRoots)), main_(std::make_unique<MainWindow>(context_)),
      characters_(context_.windows) {
    context_.windows.mainWindow = main_.get();
    context_.dialogs.hpf = CoefficientDialogFactory(FilterSide::HighPass, context_.device);
    context_.dialogs.lpf = CoefficientDialogFactory(FilterSide::LowPass, context_.device);
    if (context_.language == Language::Japanese &&
        qtTexts_.load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts_);
    }
    context_.dialogs.update = [this] { return MakeUpdateDialog(); };
    context_.log.Write("\n\n***** VA48PA1 Application Start *****\n");
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(&characters_);
    context_.windows.connectionMenu = new ConnectionMenu();
}

Application::~Application() {
    QCoreApplication::removeTranslator(&qtTexts_);
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

QWidget* Application::MakeUpdateDialog() {
    FirmwareUpdateDialog::Hooks hooks;
    hooks.self = kUpdateDialogHandle;
    hooks.startJob = [this](const CommandJob& job) { return context_.session->StartJob(job); };
    hooks.closeLink = [this] { context_.session->Disconnect(); };
    hooks.closed = [this](std::uint64_t total) {
        PostWindowMessage(context_.windows.mainWindow.data(), UM_UPDATE_DIALOG_CLOSED,
                          static_cast<std::uintptr_t>(total));
    };
    return new FirmwareUpdateDialog(context_.link, std::move(hooks));
}

} // namespace va48
