#pragma once

#include "editor/editor_context.h"
#include "editor/user_filter_lists.h"
#include "ui/page_grid.h"

#include <QWidget>

namespace va48 {

// The "USER FILTER" page: per channel, the fine high-pass and low-pass filter (or the user
// filter) that the "other" item of the measure page's filter lists stands for. 240 x 516.
// Controls: headers 6000 (HPF) and 6001 (LPF); row r (1..16) the label 6099 + r, the HPF list
// 6199 + r and the LPF list 6299 + r. Each choice is written to the channel's edit setup at once.
class UserFilterPage : public QWidget {
  public:
    UserFilterPage(QWidget* parent, DeviceState& device, EditedNotice edited);

    // Fills every row from the edit setups again.
    void Reload();

  private:
    void FillRow(int row);
    void OnChoice(int row, FilterColumn column, int position);

    DeviceState& device_;
    EditedNotice edited_;
    PageGridControls grid_;
};

} // namespace va48
