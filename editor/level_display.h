#pragma once

#include <QWidget>

#include <array>

class QLabel;

namespace va48 {

// The level display panel: 16 rows of row label (3000..3015), value box (3100..3115) and unit
// label (3200..3215), with red and cyan lamps held for a second after their condition ends.
class LevelDisplay : public QWidget {
  public:
    explicit LevelDisplay(QWidget* parent);

    QLabel* ValueBox(int channel) const; // channel 1..16
    QLabel* UnitLabel(int channel) const;

  protected:
    bool event(QEvent* event) override; // UM_RELOAD_VALUES, UM_SHOW_LEVELS, UM_STOP_LAMPS
    void timerEvent(QTimerEvent* event) override;
};

} // namespace va48
