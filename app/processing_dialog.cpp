#include "app/processing_dialog.h"

#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "monitor/overload_window.h"
#include "monitor/trend_window.h"
#include "ui/control_factory.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QFrame>
#include <QLabel>

namespace va48 {

namespace {

constexpr int kDialogId = 202;
constexpr int kMessageId = 1050;
constexpr int kSpareLineId = 1051;
constexpr int kFontPoints = 11;

void SetEnabledIfOpen(QWidget* window, bool enabled) {
    if (window) {
        window->setEnabled(enabled);
    }
}

// Deleting at once clears every QPointer to the window before the caller looks again. The
// callers are the main window's handlers of posted messages, so none of these windows is in the
// middle of handling an event of its own.
template <typename Window>
void Destroy(QPointer<Window>& window) {
    delete window.data();
}

constexpr std::array<MessageRoute<ProcessingDialog>, 1> kRoutes = {{
    {UM_SET_PROCESSING_TEXT,
     [](ProcessingDialog& d, const WindowMessageEvent& m) {
         d.SetText(static_cast<TextId>(m.WParam()));
     }},
}};

} // namespace

ProcessingDialog::ProcessingDialog()
    : QDialog(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QString::number(kDialogId));
    setFont(DialogFont(kFontPoints));
    const QRect client = DialogRect(0, 0, 187, 85);
    setFixedSize(client.size());

    // Without a caption the window draws its own edge, so that it stands out from what it covers.
    auto* edge = new QFrame(this);
    edge->setFrameStyle(QFrame::Panel | QFrame::Raised);
    edge->setLineWidth(2);
    edge->setGeometry(client);

    message_ = MakeStaticLabel(this, QStringLiteral("Static"), DialogRect(7, 33, 173, 20),
                               kMessageId, Qt::AlignCenter);
    MakeStaticLabel(this, QString(), DialogRect(7, 67, 173, 11), kSpareLineId);

    // Escape ends the dialog like its Cancel command; it then goes away, and the next showing
    // makes a new one.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
}

QString ProcessingDialog::Text() const {
    return message_->text();
}

void ProcessingDialog::SetText(TextId id) {
    message_->setText(UiText(id));
}

bool ProcessingDialog::event(QEvent* event) {
    return RouteWindowMessage(event, *this, kRoutes) || QDialog::event(event);
}

void ShowProcessing(AppWindows& windows) {
    if (!windows.processingDialog) {
        windows.processingDialog = new ProcessingDialog();
        CentreWindow(windows.processingDialog);
    }
    SetEnabledIfOpen(windows.settingsWindow, false);
    SetEnabledIfOpen(windows.connectionMenu, false);
    SetEnabledIfOpen(windows.hpfDialog, false);
    SetEnabledIfOpen(windows.lpfDialog, false);
}

void SetProcessingText(AppWindows& windows, TextId id) {
    ShowProcessing(windows);
    // As a message, so that whoever watches the program's messages sees every step's text.
    SendWindowMessage(windows.processingDialog, UM_SET_PROCESSING_TEXT,
                      static_cast<std::uintptr_t>(id));
}

void HideProcessing(AppWindows& windows) {
    Destroy(windows.processingDialog);
    // The settings window waits, disabled and hidden, behind an open coefficient dialog.
    SetEnabledIfOpen(windows.settingsWindow, !windows.hpfDialog && !windows.lpfDialog);
    SetEnabledIfOpen(windows.connectionMenu, true);
    SetEnabledIfOpen(windows.hpfDialog, true);
    SetEnabledIfOpen(windows.lpfDialog, true);
}

void DestroySecondaryWindows(AppWindows& windows) {
    Destroy(windows.updateDialog);
    Destroy(windows.processingDialog);
    Destroy(windows.hpfDialog);
    Destroy(windows.lpfDialog);
    Destroy(windows.overloadWindow);
    Destroy(windows.trendWindow);
    Destroy(windows.settingsWindow);
}

} // namespace va48
