#pragma once

#include "app/app_context.h"
#include "app/application.h"
#include "editor/settings_window.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/sim_process.h"
#include "ui/dialog_seam.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QLineEdit;

namespace va48 {

class ConnectionMenu;
class SettingsWindow;

// Answers every message box a test's windows show and keeps them in order. One box (or dialog)
// can be held open instead, as a person who has not answered it yet.
class BoxRecorder {
  public:
    explicit BoxRecorder(BoxAnswer answer = BoxAnswer::Ok);
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // Holds the next box whose text is `text` (empty: the next modal dialog, shown) open as a
    // person who has not answered yet: events run until the program asks it to end
    // (CloseModalLoopsThen), its owner goes or `limitMs` passes. A question then answers No.
    void HoldNext(const QString& text, int limitMs = 10000);

    // The texts of the boxes answered so far, in order.
    QStringList Texts() const;

    std::vector<BoxRequest> boxes;
    BoxAnswer answer; // given to every box; change it between steps
    struct Hold {
        bool endedByProgram = false;
        bool ownerLived = false;     // when it ended
        std::size_t boxesOverIt = 0; // shown while it was open
    } held;

  private:
    void HoldOpen(QWidget* owner);

    bool holding_ = false;
    QString holdText_;
    int holdLimitMs_ = 0;
    bool runnerSet_ = false;
};

// Answers modal dialogs: `run` gets the dialog (already set up, not shown) and returns its result.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(ModalRunner run);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;
};

// Answers the file dialogs with the given paths in order (an empty path, or none left, cancels)
// and keeps what each dialog asked.
class FileChooser {
  public:
    explicit FileChooser(std::vector<QString> answers = {});
    ~FileChooser();
    FileChooser(const FileChooser&) = delete;
    FileChooser& operator=(const FileChooser&) = delete;

    std::vector<QString> answers;
    std::vector<FileRequest> requests;
};

// Triggers the action (menu item) named `objectName` below `window`; false when there is none.
bool TriggerAction(const QWidget* window, const QString& objectName);

// Processes events until `condition` holds or `limitMs` has passed; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int limitMs = 10000);

// Shows a window and makes it the active one, so that focus and focus changes work; false when it
// did not become the active window.
bool ShowActive(QWidget* window);

// Types over the whole of a field, one key at a time into whatever holds the focus, as a person
// would; '\b' is Backspace, and an empty text is typed as one Backspace.
void TypeOver(QLineEdit* field, const QString& keys);

// Presses `key` (Tab, or Backtab with Shift) `steps` times into whatever holds the focus; the
// object names of the controls focused after each press.
QStringList TabWalk(int steps, Qt::Key key = Qt::Key_Tab, Qt::KeyboardModifiers modifiers = {});

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

// The real program against va48sim on loopback: the simulator (request log on), a fake install
// whose settings file points the LAN link at it with the given reply time-out, the program in
// `language`, and every box answered and recorded; `extraTimeoutKeys` (CR LF ended lines) go
// into the TIMEOUT section after Recv. With `usb` the simulator serves a
// pseudo-terminal that USB discovery finds instead. Check Started() before use.
class ProgramOnSim {
  public:
    // The serial number the simulated USB amplifier reports.
    static constexpr std::string_view kSimSerialNumber = "SIM-0001";

    explicit ProgramOnSim(std::vector<std::string> simArgs = {}, int replyTimeoutMs = 3000,
                          Language language = SystemLanguage(), bool usb = false,
                          std::string extraTimeoutKeys = {});

    bool Started() const { return program != nullptr; }
    AppContext& App() { return program->Context(); }
    ConnectionMenu* Menu();
    SettingsWindow* Settings();

    // Presses LAN in the connection menu.
    void PressLan();
    // Types Ctrl+<key> into the settings window.
    void PressControl(Qt::Key key);
    // Presses LAN and waits for the settings window; true when it is shown.
    bool ConnectLan();
    // The settings window is shown and no sequence runs.
    bool SettingsShown();
    // The connection menu is back, without settings window or link.
    bool BackAtTheMenu();
    bool BoxShown(const QString& text) const;
    bool SimReceived(const std::string& request) const;
    // How many requests the simulator has received: a mark for RequestsSince.
    std::size_t Mark() const { return sim->ReceivedRequests().size(); }
    // The requests the simulator received from the `mark`-th on that start with `prefix`.
    std::vector<std::string> RequestsSince(std::size_t mark, std::string_view prefix = {}) const;

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<FakeUsbTree> usbTree;
    FakeInstall install;
    std::unique_ptr<Application> program;
    BoxRecorder boxes;
};

// The program's context in a fake install of its own (settings file, log beside the "executable"),
// as the windows under test find it through App(). One may exist at a time.
struct TestProgram {
    explicit TestProgram(Language language = Language::English);

    // Forgets what a test left in the device image and the editor flags.
    void Reset();

    // The stored value, or "<none>" when the settings file does not hold the key.
    QString Setting(std::string_view section, std::string_view key) const;

    FakeInstall install;
    AppContext app;
};

class CharacterRouter;

// The settings window as the main window opens it after a read-all: made over App().device,
// registered in App().windows, loaded (UM_SETTINGS_LOADED), on tab `tab` (0 input, 1 measure,
// 2 user filter), shown and active, with typed characters taking the program's way through a
// CharacterRouter. Needs a TestProgram.
class SettingsUnderTest {
  public:
    SettingsUnderTest();
    ~SettingsUnderTest();
    SettingsUnderTest(const SettingsUnderTest&) = delete;
    SettingsUnderTest& operator=(const SettingsUnderTest&) = delete;

    // False when the window did not become the active one.
    bool Open(int tab = 0);
    // Shows App().device again, as the read-all after a send does.
    void Reload();
    // Destroys the window and the router; nothing when none is open.
    void Close();

    SettingsWindow* Window() const { return window_; }

  private:
    QPointer<SettingsWindow> window_;
    std::unique_ptr<CharacterRouter> router_;
};

// Channel `number` (1 to 16) of App().device.
ChannelSettings& Channel(int number);

// The texts of a list's items, in order.
QStringList Texts(const QComboBox* list);

// Opens the list's drop-down and picks item `index` with Return, as a user does, holding
// `modifiers`; Shift is released afterwards.
void Choose(QComboBox* list, int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace va48
