#pragma once

#include "monitor/level_trend.h"
#include "protocol/device_state.h"

#include <QBasicTimer>
#include <QWidget>

#include <array>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>

class QChart;
class QChartView;
class QCheckBox;
class QDateTimeAxis;
class QLineSeries;
class QScrollBar;
class QValueAxis;

namespace va48 {

// The "Trend" window: the levels of the chosen channels over the last kWindowMs, one line per
// channel, one value axis per unit (titled with it, left and right in turn), following the newest
// poll. The scroll bar under the plot goes back over the whole session; moved back it stops
// following, moved to its end it follows again. Reads `trend` and `device`, which the program
// owns and keeps alive for as long as the window exists.
class TrendWindow : public QWidget {
  public:
    static constexpr qint64 kWindowMs = 2 * 60 * 1000; // the span of time the plot shows
    static constexpr qint64 kScrollStepMs = 100;       // one step of the scroll bar
    // The plot is drawn at most this often; polls in between are drawn together. Laying out and
    // painting the lines is most of the cost of a poll at the fastest period.
    static constexpr int kRedrawMs = 1000;

    TrendWindow(QWidget* parent, const LevelTrend& trend, const DeviceState& device);

    // Adds the polls taken since the last drawing; shows everything again after the trend was
    // cleared or a channel changed its unit. Nothing when the trend has not changed. The program
    // calls it after every poll: the first change draws at once, later ones within kRedrawMs
    // wait for its end.
    void Refresh();

    QCheckBox* ChannelBox(int channel) const; // channel 1..16; object name "trendChannel<n>"
    QScrollBar* ScrollBar() const { return scroll_; } // object name "trendScroll"
    QChart* Chart() const { return chart_; }
    // The line of a channel, or null when it is not shown.
    QLineSeries* Series(int channel) const;
    bool Following() const { return following_; }

  protected:
    void timerEvent(QTimerEvent* event) override; // the end of a kRedrawMs pause

  private:
    // A shown channel: its line and the unit of its axis.
    struct Line {
        QLineSeries* series = nullptr;
        std::string unit;
    };

    bool Draw();      // what changed since the last drawing; false when nothing did
    void Rebuild();   // lines, axes and points anew from the trend
    void ShowSlice(); // the lines' points for the present time span, from the trend
    void AppendNew(std::size_t fresh); // the last `fresh` samples, following
    void UpdateScrollBar();
    void ShowTimeSpan(); // the time axis at the present span, the value axes fitted to it
    void FitValueAxes();
    void OnScrolled(int value);
    bool UnitsChanged() const;
    void UpdateChannelBoxes();
    std::string ChannelUnit(int channel) const;

    qint64 ViewStartMs() const { return viewEndMs_ - kWindowMs; }

    const LevelTrend& trend_;
    const DeviceState& device_;
    QChart* chart_ = nullptr;
    QChartView* view_ = nullptr;
    QScrollBar* scroll_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    std::map<std::string, QValueAxis*> valueAxes_; // by unit
    std::array<QCheckBox*, kChannelCount> boxes_{};
    std::array<Line, kChannelCount> lines_{};
    std::bitset<kChannelCount> present_; // channels with a module, as the boxes show them

    std::uint64_t shownRevision_ = 0;
    std::size_t shownSamples_ = 0; // the trend's sample count at the last drawing
    qint64 lastShownMs_ = 0;       // the time of the newest sample taken in
    qint64 originMs_ = 0;          // time of the scroll bar's value 0
    qint64 viewEndMs_ = 0;         // the right edge of the plot
    QBasicTimer drawTimer_;        // runs from a drawing until kRedrawMs pass without one
    bool drawPending_ = false;
    bool following_ = true;
    bool scrolling_ = false; // the window itself moves the scroll bar
};

} // namespace va48
