#pragma once

#include "editor/editor_context.h"
#include "protocol/device_state.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace va48 {

// The "INPUT SETTING" page: each channel's input connector and sensor sensitivity. 410 x 516.
// Row r (channel r) holds the connector list 4199 + r, the sensitivity field 4299 + r with its
// arrows 4399 + r and the unit label 4499 + r. The page edits only the channels' editSetup and
// tells the settings window after every change (UM_SETTINGS_EDITED).
class InputPage : public QWidget {
  public:
    InputPage(QWidget* parent, DeviceState& device, EditedNotice edited);

    // Shows every channel's edit setup again.
    void Reload();

    // A character the settings window passes on; it goes to the focused sensitivity field when
    // that channel has a module and no TEDS flag, and is dropped otherwise.
    void OnCharacter(char16_t code);

    // Checks the page's values before a send: every channel with a module must have connector
    // flags its list offers. On the first that does not, it has shown its message, moved the
    // focus to that channel's list, and answers false.
    bool CheckValues();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override; // a field losing the focus

  private:
    struct Row {
        QComboBox* list = nullptr;
        QLineEdit* field = nullptr;
        QToolButton* up = nullptr;
        QToolButton* down = nullptr;
        QLabel* unit = nullptr;
    };

    void Build();
    void FillRow(int row);
    void ShowSensitivity(int row);
    void OnConnectorActivated(int row, int index);
    void ChooseConnector(int row, int index);
    void CommitSensitivity(int row);
    void Refuse(int row, const QString& message);
    void StepSensitivity(int row, int delta);
    int FieldRow(const QObject* object) const; // -1 when it is no sensitivity field
    ChannelSettings& Channel(int row) const;   // row 0..15

    DeviceState& device_;
    EditedNotice edited_;
    std::array<Row, kChannelCount> rows_{};
    bool committing_ = false; // a commit's message box and refocus move the focus themselves
};

} // namespace va48
