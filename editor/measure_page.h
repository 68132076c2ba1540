#pragma once

#include <QWidget>

namespace va48 {

// The "MEASURE SETTING" page: each channel's range, weighting or unit, detection and filter
// menus. 590 x 516; its width sets the width of the settings window's tab control.
class MeasurePage : public QWidget {
  public:
    explicit MeasurePage(QWidget* parent);

    // Checks the page's values before a send; on a wrong value it has shown its message and moved
    // the focus, and answers false.
    bool CheckValues();

  protected:
    bool event(QEvent* event) override; // UM_RELOAD_VALUES
};

} // namespace va48
