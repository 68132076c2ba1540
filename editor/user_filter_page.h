#pragma once

#include <QWidget>

namespace va48 {

// The "USER FILTER" page: each channel's fine HPF and LPF choice and its user filters. 240 x 516.
class UserFilterPage : public QWidget {
  public:
    explicit UserFilterPage(QWidget* parent);

  protected:
    bool event(QEvent* event) override; // UM_RELOAD_VALUES
};

} // namespace va48
