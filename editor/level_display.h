#pragma once

#include "editor/editor_context.h"
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
    // Shows `device`'s readings; `state.busy` blanks the boxes while a sequence runs.
    LevelDisplay(QWidget* parent, DeviceState& device, const EditorState& state);

    QLabel* ValueBox(int channel) const; // channel 1..16
    QLabel* UnitLabel(int channel) const;

    // Shows every channel's unit and reading again (after a read-all).
    void Reload();
    // Shows the readings of the last poll and lights or holds the lamps.
    void ShowLevels();
    // Ends every lamp's hold (before a send, whose read-all rewrites every channel).
    void StopLamps();

  protected:
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override; // value boxes about to paint

  private:
    void ShowLevel(int channel);
    void PaintLamp(int channel);
    int ChannelOfBox(const QObject* box) const;  // 1..16, or 0
    ChannelSettings& Channel(int channel) const; // 1..16

    DeviceState& device_;
    const EditorState& state_;
    std::array<QLabel*, kChannelCount> valueBoxes_{};
    std::array<QLabel*, kChannelCount> unitLabels_{};
    std::array<QBasicTimer, kChannelCount> holdTimers_; // one per channel; each fires once
};

} // namespace va48
