#pragma once

#include "app/application.h"
#include "app/dialog_seam.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/sim_process.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
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

// The real program against va48sim on loopback: the simulator (with its request log on), a
// fake install whose settings file points the LAN link at it with a reply time-out of
// `replyTimeoutMs` (`extraSettings` follows that line, in the TIMEOUT section), a box recorder
// and the program. With `usb` the simulator serves a pseudo-terminal that USB discovery finds.
class ProgramOnSim {
  public:
    explicit ProgramOnSim(std::vector<std::string> simArgs, int replyTimeoutMs = 3000,
                          std::string extraSettings = {}, bool usb = false,
                          Language language = SystemLanguage());

    bool Started() const { return sim->Started(); }
    AppContext& App() { return program->Context(); }

    // Presses LAN in the connection menu and waits for the settings window; true when shown.
    bool ConnectLan();

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<FakeUsbTree> usb;
    FakeInstall install;
    std::unique_ptr<BoxRecorder> boxes;
    std::unique_ptr<Application> program; // last: it goes first, closing the link
};

} // namespace va48
