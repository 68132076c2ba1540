#pragma once

#include <QWidget>

namespace va48 {

// The "INPUT SETTING" page: each channel's input connector and sensor sensitivity. 410 x 516.
class InputPage : public QWidget {
  public:
    explicit InputPage(QWidget* parent);

    // A character the settings window passes on; it goes to the focused sensitivity field.
    void OnCharacter(char16_t code);

    // Checks the page's values before a send; on a wrong value it has shown its message and moved
    // the focus, and answers false.
    bool CheckValues();

  protected:
    bool event(QEvent* event) override; // UM_RELOAD_VALUES
};

} // namespace va48
