#include "tests/support/gui_support.h"

#include "app/character_router.h"
#include "shell/settings_file.h"
#include "ui/messages.h"
#include "ui/window_message.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTest>
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
    window_ = new SettingsWindow();
    App().windows.settingsWindow = window_;
    Reload();
    FindControl<QTabBar>(window_, 1500)->setCurrentIndex(tab);
    window_->show();
    window_->activateWindow();
    router_ = std::make_unique<CharacterRouter>(App().windows);
    qApp->installEventFilter(router_.get());
    return QTest::qWaitForWindowActive(window_);
}

void SettingsUnderTest::Reload() {
    SendWindowMessage(window_, UM_SETTINGS_LOADED);
    QCoreApplication::sendPostedEvents();
}

void SettingsUnderTest::Close() {
    router_.reset();
    delete window_.data();
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
