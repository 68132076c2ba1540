#include "tests/support/gui_support.h"

#include "app/character_router.h"
#include "app/connection_menu.h"
#include "editor/settings_window.h"
#include "shell/settings_file.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <system_error>

namespace va48 {

BoxRecorder::BoxRecorder(BoxAnswer answer) : answer(answer) {
    SetBoxAnswerer([this](const BoxRequest& request) {
        if (holding_ && !holdText_.isEmpty() && request.text.startsWith(holdText_)) {
            HoldOpen(request.owner);
            return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
        }
        boxes.push_back(request);
        return this->answer;
    });
}

BoxRecorder::~BoxRecorder() {
    SetBoxAnswerer({});
    if (runnerSet_) {
        SetModalRunner({});
    }
}

void BoxRecorder::HoldNext(const QString& text, int limitMs) {
    holding_ = true;
    holdText_ = text;
    holdLimitMs_ = limitMs;
    if (text.isEmpty()) {
        runnerSet_ = true;
        SetModalRunner([this](QDialog& dialog) {
            if (holding_) {
                dialog.setWindowModality(Qt::ApplicationModal);
                dialog.show();
                HoldOpen(dialog.parentWidget()); // the dialog may be gone afterwards
            }
            return int{QDialog::Rejected};
        });
    }
}

void BoxRecorder::HoldOpen(QWidget* owner) {
    holding_ = false;
    const QPointer<QWidget> ownerLives(owner);
    const std::size_t before = boxes.size();
    WaitFor([&] { return ModalCloseRequested() || !ownerLives; }, holdLimitMs_);
    held = {ModalCloseRequested(), !ownerLives.isNull(), boxes.size() - before};
}

bool TriggerAction(const QWidget* window, const QString& objectName) {
    auto* action = window ? window->findChild<QAction*>(objectName) : nullptr;
    if (action) {
        action->trigger();
    }
    return action != nullptr;
}

QStringList BoxRecorder::Texts() const {
    QStringList texts;
    for (const BoxRequest& box : boxes) {
        texts << box.text;
    }
    return texts;
}

ModalAnswerer::ModalAnswerer(ModalRunner run) {
    SetModalRunner(std::move(run));
}

ModalAnswerer::~ModalAnswerer() {
    SetModalRunner({});
}

FileChooser::FileChooser(std::vector<QString> paths) : answers(std::move(paths)) {
    SetFileAnswerer([this](const FileRequest& request) {
        requests.push_back(request);
        return requests.size() <= answers.size() ? answers[requests.size() - 1] : QString();
    });
}

FileChooser::~FileChooser() {
    SetFileAnswerer({});
}

bool WaitFor(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

void TypeOver(QLineEdit* field, const QString& keys) {
    field->setFocus();
    field->selectAll();
    for (const QChar key : keys.isEmpty() ? QStringLiteral("\b") : keys) {
        if (key == QLatin1Char('\b')) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        } else {
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
        }
    }
}

QStringList TabWalk(int steps, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QStringList names;
    for (int step = 0; step < steps; ++step) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        names << QApplication::focusWidget()->objectName();
    }
    return names;
}

FakeInstall::FakeInstall() {
    static std::atomic<int> serial{0};
    dir_ = std::filesystem::temp_directory_path() /
           ("va48_install_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::ofstream(Executable()) << "stand-in\n";
}

FakeInstall::~FakeInstall() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

ProgramOnSim::ProgramOnSim(std::vector<std::string> simArgs, int replyTimeoutMs, Language language,
                           bool usb, std::string extraTimeoutKeys) {
    simArgs.push_back("--log");
    if (usb) {
        simArgs.push_back("--pty");
    }
    sim = std::make_unique<SimProcess>(simArgs);
    if (!sim->Started()) {
        return;
    }
    UsbSearchRoots roots;
    if (usb) {
        usbTree = std::make_unique<FakeUsbTree>(sim->PtyPath(), "7c4e", "0008", "0100",
                                                std::string(kSimSerialNumber));
        roots = {usbTree->SysfsRoot(), usbTree->DevRoot()};
    }
    std::ofstream(install.Settings(), std::ios::binary)
        << "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=" << (usb ? 2255 : sim->Port())
        << "\r\n[TIMEOUT]\r\nRecv=" << replyTimeoutMs << "\r\n"
        << extraTimeoutKeys;
    program = std::make_unique<Application>(AppPaths::ForExecutable(install.Executable()), language,
                                            roots);
}

ConnectionMenu* ProgramOnSim::Menu() {
    return App().windows.connectionMenu;
}

SettingsWindow* ProgramOnSim::Settings() {
    return App().windows.settingsWindow;
}

void ProgramOnSim::PressLan() {
    if (auto* lan = FindControl<QPushButton>(Menu(), 1012)) {
        QTest::mouseClick(lan, Qt::LeftButton);
    }
}

void ProgramOnSim::PressControl(Qt::Key key) {
    QTest::keyClick(Settings(), key, Qt::ControlModifier);
}

bool ProgramOnSim::ConnectLan() {
    PressLan();
    return WaitFor([this] { return SettingsShown(); });
}

bool ProgramOnSim::SettingsShown() {
    return Settings() && Settings()->isVisible() && Settings()->isEnabled() && !App().editor.busy;
}

bool ProgramOnSim::BackAtTheMenu() {
    return Menu() && Menu()->isVisible() && !Settings() && App().session->Handle() == kNoConnection;
}

bool ProgramOnSim::BoxShown(const QString& text) const {
    return std::ranges::any_of(boxes.boxes,
                               [&](const BoxRequest& box) { return box.text == text; });
}

bool ProgramOnSim::SimReceived(const std::string& request) const {
    return std::ranges::count(sim->ReceivedRequests(), request) > 0;
}

std::vector<std::string> ProgramOnSim::RequestsSince(std::size_t mark,
                                                     std::string_view prefix) const {
    std::vector<std::string> requests = sim->ReceivedRequests();
    requests.erase(requests.begin(),
                   requests.begin() + static_cast<std::ptrdiff_t>(std::min(mark, requests.size())));
    std::erase_if(requests,
                  [&](const std::string& request) { return !request.starts_with(prefix); });
    return requests;
}

TestProgram::TestProgram(Language language)
    : app(AppPaths::ForExecutable(install.Executable()), language) {}

void TestProgram::Reset() {
    app.device = DeviceState{};
    app.editor = EditorState{};
}

QString TestProgram::Setting(std::string_view section, std::string_view key) const {
    return QString::fromStdString(
        SettingsFile(install.Settings()).ReadString(section, key, "<none>"));
}

SettingsUnderTest::SettingsUnderTest() = default;

SettingsUnderTest::~SettingsUnderTest() {
    Close();
}

bool SettingsUnderTest::Open(int tab) {
    Close();
    window_ = new SettingsWindow(App().Editor());
    App().windows.settingsWindow = window_;
    Reload();
    FindControl<QTabBar>(window_, 1500)->setCurrentIndex(tab);
    router_ = std::make_unique<CharacterRouter>(App().windows);
    qApp->installEventFilter(router_.get());
    return ShowActive(window_);
}

void SettingsUnderTest::Reload() {
    SendWindowMessage(window_, UM_SETTINGS_LOADED);
    QCoreApplication::sendPostedEvents();
}

void SettingsUnderTest::Close() {
    router_.reset();
    delete window_.data();
}

ChannelSettings& Channel(int number) {
    return App().device.channels.at(static_cast<std::size_t>(number - 1));
}

QStringList Texts(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

void Choose(QComboBox* list, int index, Qt::KeyboardModifiers modifiers) {
    list->showPopup();
    list->view()->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list->view(), Qt::Key_Return, modifiers);
    // A key release with Shift leaves the application believing Shift is still held.
    QTest::keyRelease(list, Qt::Key_Shift);
}

} // namespace va48
