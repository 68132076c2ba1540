#include "editor/settings_window.h"

#include "app/app_context.h"
#include "app/app_windows.h"
#include "app/help_menu.h"
#include "app/version_dialog.h"
#include "editor/input_page.h"
#include "editor/level_display.h"
#include "editor/measure_page.h"
#include "editor/user_filter_page.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QVBoxLayout>

namespace va48 {

namespace {

constexpr int kTabControlId = 1500;
constexpr int kCalButtonId = 1501;
constexpr int kSendButtonId = 1502;
constexpr int kCancelButtonId = 1503;

constexpr QPoint kTabOrigin(230, 0);
constexpr int kTabHeight = 630;
constexpr int kTabMargin = 30; // the tab control is this much wider than the widest page
constexpr QPoint kPageOrigin(240, 40);
constexpr QPoint kLevelsOrigin(10, 80);
constexpr int kButtonY = 580;
constexpr QSize kButtonSize(100, 30);
constexpr int kCalButtonX = 400;
constexpr int kSendFromRight = 210; // SEND and CANCEL sit right-aligned under the pages
constexpr int kCancelFromRight = 100;
constexpr int kWindowExtraWidth = 250;
constexpr int kWindowExtraHeight = 8;

enum Tab { kInputTab = 0, kMeasureTab = 1, kUserFilterTab = 2 };

// Ctrl+letter codes that ask the main window for a maintenance operation.
struct Shortcut {
    std::uintptr_t code;
    std::uint32_t message;
};

constexpr std::array<Shortcut, 6> kShortcuts = {{
    {8, UM_OPEN_HPF_DIALOG},     // Ctrl+H
    {12, UM_OPEN_LPF_DIALOG},    // Ctrl+L
    {21, UM_OPEN_UPDATE_DIALOG}, // Ctrl+U
    {18, UM_RESET_REQUEST},      // Ctrl+R
    {2, UM_REBOOT_REQUEST},      // Ctrl+B
    {22, UM_READ_VERSION},       // Ctrl+V
}};

const Shortcut* FindShortcut(std::uintptr_t code) {
    for (const Shortcut& shortcut : kShortcuts) {
        if (shortcut.code == code) {
            return &shortcut;
        }
    }
    return nullptr;
}

// A tab bar draws only its tabs; this draws the framed page area under them the way the style
// frames a tab widget's pages.
class TabPane : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionTabWidgetFrame option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
    }
};

QPushButton* MakeButton(QWidget* parent, const QString& text, QPoint at, int id) {
    QPushButton* button = MakePushButton(parent, text, QRect(at, kButtonSize), id);
    // Return in a sensitivity field must not press CAL or SEND.
    button->setAutoDefault(false);
    button->setAccessibleName(text);
    return button;
}

} // namespace

SettingsWindow::SettingsWindow() : QDialog(nullptr) {
    App().editor.busy = false;
    App().editor.settingsModified = false;
    App().device.calibrationOn = 0;

    setWindowTitle(UiText(301));
    setFont(DialogFont(9));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    layout->setMenuBar(MakeHelpMenuBar(this));

    BuildChildren();
    ApplyButtonRule();
    SetWindowIcons(this);
    layout->activate();
    CentreWindow(this);
}

SettingsWindow::~SettingsWindow() = default;

LevelDisplay* SettingsWindow::Levels() const {
    return levels_;
}

void SettingsWindow::BuildChildren() {
    auto* client = new QWidget(this);
    layout()->addWidget(client);

    // Created first so that the pages and buttons lie above it.
    auto* pane = new TabPane(client);

    inputPage_ = new InputPage(client);
    measurePage_ = new MeasurePage(client);
    userFilterPage_ = new UserFilterPage(client);
    for (QWidget* page : Pages()) {
        page->move(kPageOrigin);
    }
    measurePage_->hide();
    userFilterPage_->hide();

    const int tabWidth = measurePage_->width() + kTabMargin;
    const int right = kPageOrigin.x() + measurePage_->width();
    tabs_ = MakeTabControl(client, QRect(kTabOrigin, QSize(tabWidth, kTabHeight)), kTabControlId);
    tabs_->setDrawBase(false);
    const int barHeight = tabs_->sizeHint().height();
    tabs_->setGeometry(QRect(kTabOrigin, QSize(tabWidth, barHeight)));
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, tabs_);
    pane->setGeometry(kTabOrigin.x(), barHeight - overlap, tabWidth,
                      kTabHeight - barHeight + overlap);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { OnTabChanged(index); });

    calButton_ = MakeButton(client, UiText(331), QPoint(kCalButtonX, kButtonY), kCalButtonId);
    sendButton_ =
        MakeButton(client, UiText(333), QPoint(right - kSendFromRight, kButtonY), kSendButtonId);
    cancelButton_ = MakeButton(client, UiText(334), QPoint(right - kCancelFromRight, kButtonY),
                               kCancelButtonId);
    connect(calButton_, &QPushButton::clicked, this, [] { PostToMain(UM_CAL_TOGGLE); });
    connect(sendButton_, &QPushButton::clicked, this, [this] { OnSend(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { OnCancel(); });

    levels_ = new LevelDisplay(client);
    levels_->move(kLevelsOrigin);

    client->setFixedSize(tabWidth + kWindowExtraWidth, kTabHeight + kWindowExtraHeight);
}

bool SettingsWindow::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type()) {
        const auto* message = static_cast<WindowMessageEvent*>(event);
        if (OnMessage(message->Message(), message->WParam(), message->LParam())) {
            return true;
        }
    }
    return QDialog::event(event);
}

bool SettingsWindow::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
    case UM_DATA_POLLED:
        PostWindowMessage(levels_, UM_SHOW_LEVELS);
        return true;
    case UM_SETTINGS_LOADED:
        PostWindowMessage(levels_, UM_RELOAD_VALUES);
        for (QWidget* page : Pages()) {
            PostWindowMessage(page, UM_RELOAD_VALUES);
        }
        ApplyButtonRule();
        return true;
    case UM_SETTINGS_EDITED:
        App().editor.settingsModified = true;
        ApplyButtonRule();
        return true;
    case UM_CAL_CHANGED:
        OnCalChanged();
        return true;
    case WM_CHAR_MESSAGE:
        // The message loop hands on UTF-16 units; anything wider is not a typed character.
        if (wParam <= 0xFFFF) {
            OnCharacter(static_cast<char16_t>(wParam), lParam != 0);
        }
        return true;
    default:
        return false;
    }
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // Disabled, the window waits for a sequence (SEND's writes, a read-back): closing would cut
    // the link in its middle.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    if (sendButton_->isEnabled()) {
        event->ignore();
        ShowMessageBox(this, UiText(554), BoxIcon::Exclamation);
        return;
    }
    event->accept();
    deleteLater();
    PostToMain(UM_DISCONNECT);
}

void SettingsWindow::reject() {}

// An edit locks CAL (and the tabs) until it is sent or cancelled; a running calibration signal
// locks sending.
void SettingsWindow::ApplyButtonRule() {
    const bool modified = App().editor.settingsModified;
    const bool calibrating = App().device.calibrationOn != 0;
    const QString calText = UiText(calibrating ? 332 : 331);
    calButton_->setText(calText);
    calButton_->setAccessibleName(calText);
    calButton_->setEnabled(!modified);
    sendButton_->setEnabled(modified && !calibrating);
    cancelButton_->setEnabled(modified && !calibrating);
}

void SettingsWindow::OnCalChanged() {
    const bool calibrating = App().device.calibrationOn != 0;
    for (QWidget* page : Pages()) {
        page->setEnabled(!calibrating);
    }
    ApplyButtonRule();
    // The amplifier reports other values with the signal on or off: read everything again.
    PostToMain(UM_READ_DEVICE_INDEX);
}

void SettingsWindow::OnSend() {
    if (!CheckCurrentPage()) {
        return;
    }
    sendButton_->setEnabled(false);
    cancelButton_->setEnabled(false);
    // The read-all after the send rewrites every channel; a lamp held over it would be stale.
    PostWindowMessage(levels_, UM_STOP_LAMPS);
    PostToMain(UM_SEND_SETTINGS);
}

// Only the visible page can hold a value the user has not seen checked.
bool SettingsWindow::CheckCurrentPage() {
    switch (shownTab_) {
    case kInputTab:
        return inputPage_->CheckValues();
    case kMeasureTab:
        return measurePage_->CheckValues();
    default:
        return true;
    }
}

void SettingsWindow::OnCancel() {
    for (ChannelSettings& channel : App().device.channels) {
        channel.editSetup = channel.deviceSetup;
    }
    App().editor.settingsModified = false;
    ApplyButtonRule();
    for (QWidget* page : Pages()) {
        PostWindowMessage(page, UM_RELOAD_VALUES);
    }
    // Disabling the focused CANCEL moves the focus on; make sure it did not end up nowhere.
    if (QWidget* focus = focusWidget(); !focus || !focus->isEnabled()) {
        focusNextChild();
    }
}

void SettingsWindow::OnTabChanged(int index) {
    if (App().editor.settingsModified) {
        // Another page would show values that are neither sent nor cancelled.
        const QSignalBlocker blocker(tabs_);
        tabs_->setCurrentIndex(shownTab_);
        return;
    }
    shownTab_ = index;
    const std::array<QWidget*, 3> pages = Pages();
    for (int tab = 0; tab < static_cast<int>(pages.size()); ++tab) {
        pages[static_cast<std::size_t>(tab)]->setVisible(tab == index);
    }
}

void SettingsWindow::OnCharacter(char16_t code, bool ctrl) {
    // Operations start from Ready only, and a disabled window takes no typing: while a sequence
    // runs, a shortcut would start a job in its middle.
    if (!isEnabled() || App().editor.busy) {
        return;
    }
    const Shortcut* shortcut = ctrl ? FindShortcut(code) : nullptr;
    if (!shortcut) {
        inputPage_->OnCharacter(code);
        return;
    }
    // The operations read or reset the amplifier, which would bury the unsent edits.
    if (sendButton_->isEnabled()) {
        ShowMessageBox(this, UiText(555), BoxIcon::Exclamation);
        return;
    }
    PostToMain(shortcut->message);
}

std::array<QWidget*, 3> SettingsWindow::Pages() const {
    return {inputPage_, measurePage_, userFilterPage_};
}

} // namespace va48
