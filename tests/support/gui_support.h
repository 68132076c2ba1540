#pragma once

#include "ui/dialog_seam.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

namespace va48 {

// Answers every message box a test's windows show and keeps them in order.
class BoxRecorder {
  public:
    explicit BoxRecorder(BoxAnswer answer = BoxAnswer::Ok);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<BoxRequest> boxes;
    BoxAnswer answer; // given to every box; change it between steps
};

// Answers modal dialogs: `run` gets the dialog (already set up, not shown) and returns its result.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(ModalRunner run);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;
};

// Processes events until `condition` holds or `limitMs` has passed; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int limitMs = 10000);

// The control with identifier `id` below `parent` (its object name), or null.
template <typename T>
T* FindControl(const QWidget* parent, int id) {
    return parent ? parent->findChild<T*>(QString::number(id)) : nullptr;
}

// A folder standing in for the program's own: the test's executable path inside it, so that the
// settings file and the log land there. Removed with everything in it.
class FakeInstall {
  public:
    FakeInstall();
    ~FakeInstall();
    std::filesystem::path Executable() const { return dir_ / "VA-48Viewer"; }
    std::filesystem::path Settings() const { return dir_ / "VA-48Viewer.ini"; }
    std::filesystem::path Log() const { return dir_ / "VA-48Viewer.log"; }

  private:
    std::filesystem::path dir_;
};

} // namespace va48
