#include "editor/settings_window.h"

#include "editor/input_page.h"
#include "editor/level_display.h"
#include "editor/measure_page.h"
#include "editor/settings_menus.h"
#include "editor/setup_files.h"
#include "editor/status_line.h"
#include "editor/user_filter_page.h"
#include "monitor/level_watch.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/file_commands.h"
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

// The level display runs from x 10 to 310; the pages lie right of it.
constexpr QPoint kTabOrigin(330, 0);
constexpr int kTabHeight = 630;
constexpr int kTabMargin = 30; // the tab control is this much wider than the widest page
constexpr QPoint kPageOrigin(340, 40);
constexpr QPoint kLevelsOrigin(10, 80);
constexpr int kButtonY = 580;
constexpr QSize kButtonSize(100, 30);
constexpr int kCalButtonX = 500;
constexpr int kSendFromRight = 210; // SEND and CANCEL sit right-aligned under the pages
constexpr int kCancelFromRight = 100;
constexpr int kWindowExtraWidth = 350;
constexpr int kWindowExtraHeight = 8;

enum Tab { kInputTab = 0, kMeasureTab = 1, kUserFilterTab = 2 };

// Ctrl shortcuts that ask the main window for a maintenance operation.
struct Shortcut {
    char16_t code;
    std::uint32_t message;
};

constexpr std::array<Shortcut, 6> kShortcuts = {{
    {kCtrlH, UM_OPEN_HPF_DIALOG},
    {kCtrlL, UM_OPEN_LPF_DIALOG},
    {kCtrlU, UM_OPEN_UPDATE_DIALOG},
    {kCtrlR, UM_RESET_REQUEST},
    {kCtrlB, UM_REBOOT_REQUEST},
    {kCtrlV, UM_READ_VERSION},
}};

constexpr std::array<MessageRoute<SettingsWindow>, 5> kRoutes = {{
    {UM_DATA_POLLED, [](SettingsWindow& w, const WindowMessageEvent&) { w.ShowLevels(); }},
    {UM_SETTINGS_LOADED, [](SettingsWindow& w, const WindowMessageEvent&) { w.Reload(); }},
    {UM_SETTINGS_EDITED, [](SettingsWindow& w, const WindowMessageEvent&) { w.MarkEdited(); }},
    {UM_CAL_CHANGED, [](SettingsWindow& w, const WindowMessageEvent&) { w.CalChanged(); }},
    {WM_CHAR_MESSAGE,
     [](SettingsWindow& w, const WindowMessageEvent& m) {
         if (const std::optional<char16_t> code = TypedCode(m)) {
             w.OnCharacter(*code, TypedWithControl(m));
         }
     }},
}};

const Shortcut* FindShortcut(char16_t code) {
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

SettingsWindow::SettingsWindow(EditorContext context)
    : QDialog(nullptr), context_(std::move(context)) {
    setWindowTitle(UiText(TextId::AppTitle));
    setFont(DialogFont(9));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* menuBar = new QMenuBar(this);
    menuBar_ = menuBar;
    SettingsMenuActions actions;
    actions.saveSetup = [this] { SaveSetupFile(this, context_.device); };
    actions.loadSetup = [this] { OnLoadSetup(); };
    actions.exportReport = [this] { ExportSetupReport(this, context_.device, loadedSetup_); };
    actions.deviceCommand = [this](char16_t code) { OnCharacter(code, true); };
    if (context_.watch) {
        actions.recordLevels = [this] { OnRecordLevels(); };
        actions.showOverloads = [this] { context_.TellMain(UM_OPEN_OVERLOAD_WINDOW); };
        actions.showTrend = [this] { context_.TellMain(UM_OPEN_TREND_WINDOW); };
        actions.setPollPeriod = [this](int ms) { OnPollPeriod(ms); };
        actions.pollPeriodMs = context_.watch->pollPeriodMs;
    }
    AddSettingsMenus(*menuBar, *this, actions);
    if (context_.addProgramMenus) {
        context_.addProgramMenus(*menuBar, *this);
    }
    layout->setMenuBar(menuBar);

    BuildChildren();
    status_ = new StatusLine(this);
    layout->addWidget(status_);
    ApplyButtonRule();
    ShowStatus();
    ShowRecording();
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

    const EditedNotice edited = [this] { MarkEdited(); };
    inputPage_ = new InputPage(client, context_.device, edited);
    measurePage_ = new MeasurePage(client, context_.device, edited);
    userFilterPage_ = new UserFilterPage(client, context_.device, edited);
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

    calButton_ =
        MakeButton(client, UiText(TextId::CalOn), QPoint(kCalButtonX, kButtonY), kCalButtonId);
    sendButton_ = MakeButton(client, UiText(TextId::SendButton),
                             QPoint(right - kSendFromRight, kButtonY), kSendButtonId);
    cancelButton_ = MakeButton(client, UiText(TextId::CancelButton),
                               QPoint(right - kCancelFromRight, kButtonY), kCancelButtonId);
    connect(calButton_, &QPushButton::clicked, this, [this] { context_.TellMain(UM_CAL_TOGGLE); });
    connect(sendButton_, &QPushButton::clicked, this, [this] { OnSend(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { OnCancel(); });

    levels_ = new LevelDisplay(client, context_.device, context_.state,
                               context_.watch ? &context_.watch->overloads : nullptr);
    levels_->move(kLevelsOrigin);

    client->setFixedSize(tabWidth + kWindowExtraWidth, kTabHeight + kWindowExtraHeight);
}

bool SettingsWindow::event(QEvent* event) {
    return RouteWindowMessage(event, *this, kRoutes) || QDialog::event(event);
}

StatusLine* SettingsWindow::Status() const {
    return status_;
}

void SettingsWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // Disabled, the window waits for a sequence the main window runs.
        ShowStatus();
    }
}

void SettingsWindow::ShowStatus() {
    if (!status_) {
        return;
    }
    const TextId state = sending_      ? TextId::StatusSending
                         : isEnabled() ? TextId::StatusReady
                                       : TextId::StatusReading;
    const std::string link = context_.describeLink ? context_.describeLink() : std::string();
    status_->Show(QString::fromStdString(link), DeviceVersion(context_.device), state);
}

void SettingsWindow::ShowLevels() {
    levels_->ShowLevels();
    ShowRecording();
    TellRecordFailure();
}

// Starts a recording into a file the user picks, or stops the one running. Allowed at any time:
// a recording only reads the polls, and a sequence merely holds them back.
void SettingsWindow::OnRecordLevels() {
    LevelRecorder& recorder = context_.watch->recorder;
    if (recorder.Recording()) {
        recorder.Stop();
        ShowRecording();
        return;
    }
    const QString path = AskForFile({this,
                                     FileAccess::Save,
                                     FileDialogCaption(TextId::MenuRecordLevels),
                                     {UiText(TextId::RecordFileFilter)},
                                     QStringLiteral("levels.csv"),
                                     QStringLiteral("csv")});
    if (path.isEmpty()) {
        return;
    }
    std::error_code why;
    if (!recorder.Start(path.toStdU16String(), context_.device, why)) {
        ShowFileFailure(this, TextId::RecordStartFailed, path,
                        QString::fromLocal8Bit(why.message()), BoxIcon::Error);
    }
    ShowRecording();
}

void SettingsWindow::ShowRecording() {
    const LevelRecorder* recorder = context_.watch ? &context_.watch->recorder : nullptr;
    const bool recording = recorder && recorder->Recording();
    ShowRecordingItem(*menuBar_, recording);
    status_->ShowRecording(
        recording ? QString::fromStdU16String(recorder->Path().filename().u16string()) : QString(),
        recording ? recorder->Lines() : 0);
}

// Told once: the failure is taken before the box opens, so the polls that go on under the box do
// not open another.
void SettingsWindow::TellRecordFailure() {
    if (!context_.watch || !context_.watch->recordFailure) {
        return;
    }
    const std::error_code why = *context_.watch->recordFailure;
    context_.watch->recordFailure.reset();
    const QString file = QString::fromStdU16String(context_.watch->recorder.Path().u16string());
    ShowRecording();
    ShowFileFailure(this, TextId::RecordStopped, file, QString::fromLocal8Bit(why.message()),
                    BoxIcon::Exclamation);
}

void SettingsWindow::OnPollPeriod(int ms) {
    context_.watch->pollPeriodMs = ms;
    context_.TellMain(UM_POLL_PERIOD_CHANGED);
}

void SettingsWindow::Reload() {
    levels_->Reload();
    inputPage_->Reload();
    measurePage_->Reload();
    userFilterPage_->Reload();
    sending_ = false;
    ApplyButtonRule();
    ShowStatus();
}

void SettingsWindow::MarkEdited() {
    context_.state.settingsModified = true;
    ApplyButtonRule();
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
        ShowMessageBox(this, UiText(TextId::CloseRefusedWhileEditing), BoxIcon::Exclamation);
        return;
    }
    event->accept();
    deleteLater();
    context_.TellMain(UM_DISCONNECT);
}

void SettingsWindow::reject() {}

// An edit locks CAL (and the tabs) until it is sent or cancelled; a running calibration signal
// locks sending.
void SettingsWindow::ApplyButtonRule() {
    const bool modified = context_.state.settingsModified;
    const bool calibrating = context_.device.calibrationOn != 0;
    const QString calText = UiText(calibrating ? TextId::CalOff : TextId::CalOn);
    calButton_->setText(calText);
    calButton_->setAccessibleName(calText);
    calButton_->setEnabled(!modified);
    sendButton_->setEnabled(modified && !calibrating);
    cancelButton_->setEnabled(modified && !calibrating);
}

void SettingsWindow::CalChanged() {
    const bool calibrating = context_.device.calibrationOn != 0;
    for (QWidget* page : Pages()) {
        page->setEnabled(!calibrating);
    }
    ApplyButtonRule();
    // The amplifier reports other values with the signal on or off: read everything again.
    context_.TellMain(UM_READ_DEVICE_INDEX);
}

void SettingsWindow::OnSend() {
    if (!CheckCurrentPage()) {
        return;
    }
    sendButton_->setEnabled(false);
    cancelButton_->setEnabled(false);
    // The read-all after the send rewrites every channel; a lamp held over it would be stale.
    levels_->StopLamps();
    sending_ = true;
    ShowStatus();
    context_.TellMain(UM_SEND_SETTINGS);
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
    for (ChannelSettings& channel : context_.device.channels) {
        channel.editSetup = channel.deviceSetup;
    }
    context_.state.settingsModified = false;
    ApplyButtonRule();
    inputPage_->Reload();
    measurePage_->Reload();
    userFilterPage_->Reload();
    // Disabling the focused CANCEL moves the focus on; make sure it did not end up nowhere.
    if (QWidget* focus = focusWidget(); !focus || !focus->isEnabled()) {
        focusNextChild();
    }
}

// A loaded setup becomes the pages' edits, sent by SEND like any other.
void SettingsWindow::OnLoadSetup() {
    if (!isEnabled() || context_.state.busy) {
        return;
    }
    // With the calibration signal on the pages are locked and SEND with them.
    if (context_.device.calibrationOn != 0) {
        ShowMessageBox(this, UiText(TextId::ActionRefusedWhileEditing), BoxIcon::Exclamation);
        return;
    }
    const QString loaded = LoadSetupFile(this, context_.device);
    if (loaded.isEmpty()) {
        return;
    }
    loadedSetup_ = loaded;
    inputPage_->Reload();
    measurePage_->Reload();
    userFilterPage_->Reload();
    MarkEdited();
}

void SettingsWindow::OnTabChanged(int index) {
    if (context_.state.settingsModified) {
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
    if (!isEnabled() || context_.state.busy) {
        return;
    }
    const Shortcut* shortcut = ctrl ? FindShortcut(code) : nullptr;
    if (!shortcut) {
        inputPage_->OnCharacter(code);
        return;
    }
    // The operations read or reset the amplifier, which would bury the unsent edits.
    if (sendButton_->isEnabled()) {
        ShowMessageBox(this, UiText(TextId::ActionRefusedWhileEditing), BoxIcon::Exclamation);
        return;
    }
    context_.TellMain(shortcut->message);
}

std::array<QWidget*, 3> SettingsWindow::Pages() const {
    return {inputPage_, measurePage_, userFilterPage_};
}

} // namespace va48
