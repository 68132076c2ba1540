#pragma once

#include "editor/editor_context.h"
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
    MeasurePage(QWidget* parent, DeviceState& device, EditedNotice edited);

    // Fills every row from the edit setups again.
    void Reload();

    // Checks the page's values before a send: every channel with a module must have a range
    // chosen. On the first that has none it shows its message, moves the focus to that range
    // list and answers false.
    bool CheckValues();

  private:
    QComboBox* List(int channel, MeasureColumn column) const;
    void FillRow(int channel);
    void OnChoice(int channel, MeasureColumn column, int index);
    ChannelSettings& Channel(int channel) const; // 1..16

    DeviceState& device_;
    EditedNotice edited_;
    PageGridControls grid_;
};

} // namespace va48
