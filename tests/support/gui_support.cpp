#include "tests/support/gui_support.h"

#include "app/connection_menu.h"
#include "editor/settings_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>

namespace va48 {

BoxRecorder::BoxRecorder(BoxAnswer answer) : answer(answer) {
    SetBoxAnswerer([this](const BoxRequest& request) {
        boxes.push_back(request);
        return this->answer;
    });
}

BoxRecorder::~BoxRecorder() {
    SetBoxAnswerer({});
}

ModalAnswerer::ModalAnswerer(ModalRunner run) {
    SetModalRunner(std::move(run));
}

ModalAnswerer::~ModalAnswerer() {
    SetModalRunner({});
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

ProgramOnSim::ProgramOnSim(std::vector<std::string> simArgs, int replyTimeoutMs,
                           std::string extraSettings, bool usb, Language language) {
    if (usb) {
        simArgs.push_back("--pty");
    }
    simArgs.push_back("--log");
    sim = std::make_unique<SimProcess>(simArgs);
    if (!sim->Started()) {
        return;
    }
    UsbSearchRoots roots;
    if (usb) {
        this->usb = std::make_unique<FakeUsbTree>(sim->PtyPath());
        roots = {this->usb->SysfsRoot(), this->usb->DevRoot()};
    }
    std::ofstream(install.Settings(), std::ios::binary)
        << "[LAN]\r\nIPAddress=127.0.0.1\r\nPortNo=" << sim->Port()
        << "\r\n[TIMEOUT]\r\nRecv=" << replyTimeoutMs << "\r\n"
        << extraSettings;
    boxes = std::make_unique<BoxRecorder>();
    program = std::make_unique<Application>(AppPaths::ForExecutable(install.Executable()), language,
                                            roots);
}

bool ProgramOnSim::ConnectLan() {
    QTest::mouseClick(FindControl<QPushButton>(App().windows.connectionMenu.data(), 1012),
                      Qt::LeftButton);
    return WaitFor([this] {
        SettingsWindow* settings = App().windows.settingsWindow;
        return settings && settings->isVisible() && !App().editor.busy;
    });
}

} // namespace va48
