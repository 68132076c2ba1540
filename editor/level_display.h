#pragma once

#include "editor/editor_context.h"
#include "monitor/overload_history.h"
#include "protocol/device_state.h"

#include <QBasicTimer>
#include <QWidget>

#include <array>
#include <optional>

class QLabel;

namespace va48 {

// A bar meter: a horizontal bar as long as `reach` of its width (BarReach of level_trend.h), red
// past full scale (reach above 1), empty with no level or while a sequence runs.
class LevelBar : public QWidget {
  public:
    LevelBar(QWidget* parent, const EditorState& state);

    void SetReach(std::optional<double> reach);
    std::optional<double> Reach() const { return reach_; }
    bool PastFullScale() const { return reach_ && *reach_ > 1.0; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const EditorState& state_;
    std::optional<double> reach_;
};

// The level display panel: 16 rows of row label (3000..3015), value box (3100..3115) and unit
// label (3200..3215), with red and cyan lamps held for a second after their condition ends;
// right of the unit a bar meter (3300..3315) and, once the channel has been over range, the
// count of its over-range events (3400..3415) until the history is cleared.
class LevelDisplay : public QWidget {
  public:
    // Shows `device`'s readings; `state.busy` blanks the boxes while a sequence runs. The counts
    // come from `overloads` (none shown when null), which outlives the panel.
    LevelDisplay(QWidget* parent, DeviceState& device, const EditorState& state,
                 const OverloadHistory* overloads = nullptr);

    QLabel* ValueBox(int channel) const; // channel 1..16
    QLabel* UnitLabel(int channel) const;
    LevelBar* Bar(int channel) const;
    QLabel* OverloadMarker(int channel) const; // hidden while the count is 0

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
    void ShowOverloads(int channel);
    int ChannelOfBox(const QObject* box) const;  // 1..16, or 0
    ChannelSettings& Channel(int channel) const; // 1..16

    DeviceState& device_;
    const EditorState& state_;
    const OverloadHistory* overloads_;
    std::array<QLabel*, kChannelCount> valueBoxes_{};
    std::array<QLabel*, kChannelCount> unitLabels_{};
    std::array<LevelBar*, kChannelCount> bars_{};
    std::array<QLabel*, kChannelCount> markers_{};
    std::array<QBasicTimer, kChannelCount> holdTimers_; // one per channel; each fires once
};

} // namespace va48
