#include "tests/support/gui_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <fstream>
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

} // namespace va48
