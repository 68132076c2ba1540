#pragma once

#include "editor/measure_lists.h"
#include "ui/page_grid.h"

#include <QWidget>

class QComboBox;

namespace va48 {

// The "MEASURE SETTING" page: each channel's range, weighting or unit, detection and filter
// menus. 590 x 516; its width sets the width of the settings window's tab control.
// Filled from the edit setups on UM_RELOAD_VALUES only; a choice writes the edit setup at once
// and reports UM_SETTINGS_EDITED to the settings window.
class MeasurePage : public QWidget {
  public:
    explicit MeasurePage(QWidget* parent);

    // Checks the page's values before a send: every channel with a module must have a range
    // chosen. On the first that has none it shows its message, moves the focus to that range
    // list and answers false.
    bool CheckValues();

  protected:
    bool event(QEvent* event) override; // UM_RELOAD_VALUES

  private:
    QComboBox* List(int channel, MeasureColumn column) const;
    void FillRow(int channel);
    void OnChoice(int channel, MeasureColumn column, int index);

    PageGridControls grid_;
};

} // namespace va48
