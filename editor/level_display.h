#pragma once

#include "protocol/device_state.h"

#include <QBasicTimer>
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
    bool eventFilter(QObject* watched, QEvent* event) override; // value boxes about to paint

  private:
    void ReloadValues();
    void ShowLevels();
    void ShowLevel(int channel);
    void StopLamps();
    void PaintLamp(int channel);
    int ChannelOfBox(const QObject* box) const; // 1..16, or 0

    std::array<QLabel*, kChannelCount> valueBoxes_{};
    std::array<QLabel*, kChannelCount> unitLabels_{};
    std::array<QBasicTimer, kChannelCount> holdTimers_; // one per channel; each fires once
};

} // namespace va48
