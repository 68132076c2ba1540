#pragma once

#include <QObject>
#include <QWidget>

#include <vector>

namespace va48 {

// Tab through a 16-row grid of controls: row by row, column by column, from the last row back to
// the first; Shift+Tab the other way; disabled and hidden controls are skipped. Only Tab is taken:
// every other key reaches the control as usual.
class GridNavigation : public QObject {
  public:
    // `grid` holds the controls by row and column; the navigation watches every one of them.
    GridNavigation(std::vector<std::vector<QWidget*>> grid, QObject* parent);

    // The control that Tab (forward) or Shift+Tab leads to from row, column; null when no
    // control of the grid can take the focus.
    QWidget* Neighbour(std::size_t row, std::size_t column, bool forward) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::vector<std::vector<QWidget*>> grid_;
};

} // namespace va48
