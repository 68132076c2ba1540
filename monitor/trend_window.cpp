#include "monitor/trend_window.h"

#include "monitor/level_record.h"
#include "ui/ui_text.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <limits>
#include <utility>

namespace va48 {

namespace {

// One colour per channel, so that a channel keeps its colour whichever others are shown.
constexpr std::array<QRgb, kChannelCount> kLineColours = {
    0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e, 0x9467bd, 0x8c564b, 0xe377c2, 0x7f7f7f,
    0x17becf, 0x9a9a00, 0x393b79, 0xad494a, 0x637939, 0x8c6d31, 0x7b4173, 0x3182bd,
};

constexpr QSize kPlotMinimum(640, 420);
constexpr double kAxisMargin = 0.05; // of the span of the values, above and below

qint64 Ms(WallClock::time_point at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

// The index of the first sample at or after `ms`.
std::size_t FirstAtOrAfter(const std::deque<TrendSample>& samples, qint64 ms) {
    const auto it = std::lower_bound(
        samples.begin(), samples.end(), ms,
        [](const TrendSample& sample, qint64 value) { return Ms(sample.at) < value; });
    return static_cast<std::size_t>(it - samples.begin());
}

QColor LineColour(int channel) {
    return QColor::fromRgb(kLineColours[static_cast<std::size_t>(channel - 1)]);
}

} // namespace

TrendWindow::TrendWindow(QWidget* parent, const LevelTrend& trend, const DeviceState& device)
    : QWidget(parent, Qt::Window), trend_(trend), device_(device) {
    setWindowTitle(UiText(TextId::TrendTitle));
    setFont(DialogFont(9));

    auto* channels = new QGroupBox(UiText(TextId::TrendChannels), this);
    auto* channelList = new QVBoxLayout(channels);
    present_ = PresentChannels(device_);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        auto* box = new QCheckBox(QStringLiteral("No.%1").arg(channel), channels);
        box->setObjectName(QStringLiteral("trendChannel%1").arg(channel));
        QPalette palette = box->palette();
        palette.setColor(QPalette::Active, QPalette::WindowText, LineColour(channel));
        palette.setColor(QPalette::Inactive, QPalette::WindowText, LineColour(channel));
        box->setPalette(palette);
        const bool present = present_[static_cast<std::size_t>(channel - 1)];
        box->setChecked(present);
        box->setEnabled(present);
        connect(box, &QCheckBox::toggled, this, [this] { Rebuild(); });
        channelList->addWidget(box);
        boxes_[static_cast<std::size_t>(channel - 1)] = box;
    }
    channelList->addStretch();

    chart_ = new QChart;
    chart_->legend()->setAlignment(Qt::AlignTop);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("hh:mm:ss"));
    timeAxis_->setTickCount(7); // a line every 20 s over two minutes
    timeAxis_->setTitleText(UiText(TextId::TrendTime));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    view_ = new QChartView(chart_, this); // owns the chart
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(kPlotMinimum);

    scroll_ = new QScrollBar(Qt::Horizontal, this);
    scroll_->setObjectName(QStringLiteral("trendScroll"));
    scroll_->setPageStep(static_cast<int>(kWindowMs / kScrollStepMs));
    scroll_->setSingleStep(static_cast<int>(1000 / kScrollStepMs));
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) { OnScrolled(value); });

    auto* plot = new QVBoxLayout;
    plot->addWidget(view_, 1);
    plot->addWidget(scroll_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(channels);
    layout->addLayout(plot, 1);

    Rebuild();
}

QCheckBox* TrendWindow::ChannelBox(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? boxes_[static_cast<std::size_t>(channel - 1)]
                                                    : nullptr;
}

QLineSeries* TrendWindow::Series(int channel) const {
    return channel >= 1 && channel <= kChannelCount
               ? lines_[static_cast<std::size_t>(channel - 1)].series
               : nullptr;
}

void TrendWindow::Refresh() {
    if (drawTimer_.isActive()) {
        drawPending_ = true;
        return;
    }
    if (Draw()) {
        drawTimer_.start(kRedrawMs, this);
    }
}

void TrendWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != drawTimer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    const bool pending = std::exchange(drawPending_, false);
    if (!pending || !Draw()) {
        drawTimer_.stop(); // the next poll draws at once
    }
}

bool TrendWindow::Draw() {
    bool rebuild = false;
    if (const std::bitset<kChannelCount> present = PresentChannels(device_); present != present_) {
        present_ = present;
        UpdateChannelBoxes();
        rebuild = true;
    }
    const std::uint64_t revision = trend_.Revision();
    if (revision == shownRevision_ && !rebuild) {
        return false;
    }
    // Each Take bumps the revision once and adds one sample (dropping the oldest at the cap), so
    // the samples since the last call are the last `fresh` ones unless a Clear came in between.
    const std::deque<TrendSample>& samples = trend_.Samples();
    const std::uint64_t fresh = revision - shownRevision_;
    const bool onlyTaken =
        shownSamples_ > 0 && fresh <= samples.size() &&
        samples.size() == std::min<std::uint64_t>(shownSamples_ + fresh, LevelTrend::kMaxSamples) &&
        (fresh == samples.size() ||
         Ms(samples[samples.size() - static_cast<std::size_t>(fresh) - 1].at) == lastShownMs_);
    if (rebuild || !onlyTaken || UnitsChanged()) {
        Rebuild();
        return true;
    }
    shownRevision_ = revision;
    shownSamples_ = samples.size();
    lastShownMs_ = Ms(samples.back().at);
    if (following_) {
        AppendNew(static_cast<std::size_t>(fresh));
    }
    UpdateScrollBar();
    return true;
}

void TrendWindow::UpdateChannelBoxes() {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        QCheckBox* box = boxes_[static_cast<std::size_t>(channel - 1)];
        const bool present = present_[static_cast<std::size_t>(channel - 1)];
        const QSignalBlocker block(box);
        if (present != box->isEnabled()) {
            box->setChecked(present); // a channel that came or went: shown by default
        }
        box->setEnabled(present);
    }
}

std::string TrendWindow::ChannelUnit(int channel) const {
    std::string unit = trend_.Unit(channel);
    if (unit.empty()) {
        unit = UnitText(device_.channels[static_cast<std::size_t>(channel - 1)]);
    }
    return unit;
}

bool TrendWindow::UnitsChanged() const {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const Line& line = lines_[static_cast<std::size_t>(channel - 1)];
        const bool wanted = boxes_[static_cast<std::size_t>(channel - 1)]->isChecked() &&
                            present_[static_cast<std::size_t>(channel - 1)];
        if (!wanted) {
            continue;
        }
        // A reading without a unit for a moment (no level) keeps the line where it is.
        const std::string& unit = trend_.Unit(channel);
        if (!unit.empty() && (line.series == nullptr || unit != line.unit)) {
            return true;
        }
    }
    return false;
}

void TrendWindow::Rebuild() {
    chart_->removeAllSeries();
    for (auto& [unit, axis] : valueAxes_) {
        chart_->removeAxis(axis);
        delete axis;
    }
    valueAxes_.clear();
    lines_ = {};

    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const auto index = static_cast<std::size_t>(channel - 1);
        const std::string unit = ChannelUnit(channel);
        if (!boxes_[index]->isChecked() || !present_[index] || unit.empty()) {
            continue;
        }
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("No.%1").arg(channel));
        QPen pen(LineColour(channel));
        pen.setWidthF(1.5);
        series->setPen(pen);
        chart_->addSeries(series);
        QValueAxis*& axis = valueAxes_[unit];
        if (axis == nullptr) {
            axis = new QValueAxis;
            axis->setTitleText(QString::fromStdString(unit));
            // Units in turn on the left and on the right of the plot.
            chart_->addAxis(axis, valueAxes_.size() % 2 == 1 ? Qt::AlignLeft : Qt::AlignRight);
        }
        series->attachAxis(timeAxis_);
        series->attachAxis(axis);
        lines_[index] = {series, unit};
    }

    const std::deque<TrendSample>& samples = trend_.Samples();
    shownRevision_ = trend_.Revision();
    shownSamples_ = samples.size();
    const qint64 origin = samples.empty() ? Ms(WallClock::now()) : Ms(samples.front().at);
    lastShownMs_ = samples.empty() ? origin : Ms(samples.back().at);
    if (origin != originMs_) {
        following_ = true; // a new session or a cleared trend starts at its newest poll
    }
    originMs_ = origin;
    if (following_) {
        viewEndMs_ = std::max(lastShownMs_, originMs_ + kWindowMs);
    }
    UpdateScrollBar();
    ShowSlice();
}

void TrendWindow::ShowSlice() {
    const std::deque<TrendSample>& samples = trend_.Samples();
    // One sample before the span, so that the lines run in from the left edge.
    std::size_t first = FirstAtOrAfter(samples, ViewStartMs());
    first = first > 0 ? first - 1 : 0;
    const std::size_t end = std::min(samples.size(), FirstAtOrAfter(samples, viewEndMs_ + 1) + 1);
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const auto index = static_cast<std::size_t>(channel - 1);
        if (lines_[index].series == nullptr) {
            continue;
        }
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(end - std::min(first, end)));
        for (std::size_t i = first; i < end; ++i) {
            if (const std::optional<float>& level = samples[i].levels[index]) {
                points.append(QPointF(static_cast<qreal>(Ms(samples[i].at)), *level));
            }
        }
        lines_[index].series->replace(points);
    }
    ShowTimeSpan();
}

void TrendWindow::AppendNew(std::size_t fresh) {
    const std::deque<TrendSample>& samples = trend_.Samples();
    const qint64 viewEnd = std::max(lastShownMs_, originMs_ + kWindowMs);
    // A line lays out its points anew on every change, which is most of the cost of a poll:
    // when the time axis moves, that alone lays out every line with its new points.
    const bool axisMoves = viewEnd != viewEndMs_;
    viewEndMs_ = viewEnd;
    const auto start = static_cast<qreal>(ViewStartMs());
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const auto index = static_cast<std::size_t>(channel - 1);
        QLineSeries* series = lines_[index].series;
        if (series == nullptr) {
            continue;
        }
        const QSignalBlocker quiet(axisMoves ? series : nullptr);
        QList<QPointF> points;
        for (std::size_t i = samples.size() - fresh; i < samples.size(); ++i) {
            if (const std::optional<float>& level = samples[i].levels[index]) {
                points.append(QPointF(static_cast<qreal>(Ms(samples[i].at)), *level));
            }
        }
        if (!points.isEmpty()) {
            series->append(points);
        }
        // Points left of the span go, but for the one the line runs in from.
        int gone = 0;
        while (gone + 1 < series->count() && series->at(gone + 1).x() < start) {
            ++gone;
        }
        if (gone > 0) {
            series->removePoints(0, gone);
        }
    }
    ShowTimeSpan();
}

void TrendWindow::ShowTimeSpan() {
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(ViewStartMs()),
                        QDateTime::fromMSecsSinceEpoch(viewEndMs_));
    FitValueAxes();
}

void TrendWindow::FitValueAxes() {
    const std::deque<TrendSample>& samples = trend_.Samples();
    const std::size_t first = FirstAtOrAfter(samples, ViewStartMs());
    const std::size_t end = FirstAtOrAfter(samples, viewEndMs_ + 1);
    for (auto& [unit, axis] : valueAxes_) {
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (std::size_t index = 0; index < lines_.size(); ++index) {
            if (lines_[index].series == nullptr || lines_[index].unit != unit) {
                continue;
            }
            for (std::size_t i = first; i < end; ++i) {
                if (const std::optional<float>& level = samples[i].levels[index]) {
                    low = std::min(low, static_cast<double>(*level));
                    high = std::max(high, static_cast<double>(*level));
                }
            }
        }
        if (low > high) {
            continue; // nothing to show: the axis keeps its range
        }
        const double margin = high > low ? (high - low) * kAxisMargin : 1.0;
        low -= margin;
        high += margin;
        // Moving the axis makes the chart lay itself out again: keep a range that still holds
        // every value and is not much wider than they need.
        const double shown = axis->max() - axis->min();
        if (low >= axis->min() && high <= axis->max() && (high - low) > shown / 2) {
            continue;
        }
        axis->setRange(low, high);
        axis->applyNiceNumbers();
    }
}

void TrendWindow::UpdateScrollBar() {
    const std::deque<TrendSample>& samples = trend_.Samples();
    const qint64 oldest = samples.empty() ? originMs_ : Ms(samples.front().at);
    const auto steps = [](qint64 ms) {
        return static_cast<int>(std::max<qint64>(0, (ms + kScrollStepMs - 1) / kScrollStepMs));
    };
    const int minimum = steps(oldest - originMs_);
    const int maximum = std::max(minimum, steps(lastShownMs_ - originMs_ - kWindowMs));
    {
        scrolling_ = true;
        scroll_->setRange(minimum, maximum);
        if (following_) {
            scroll_->setValue(maximum);
        }
        scrolling_ = false;
    }
    if (!following_) {
        // The oldest samples dropped at the cap may have pushed the bar forward.
        const qint64 end = originMs_ + kWindowMs + qint64{scroll_->value()} * kScrollStepMs;
        if (end != viewEndMs_) {
            viewEndMs_ = end;
            ShowSlice();
        }
    }
}

void TrendWindow::OnScrolled(int value) {
    if (scrolling_) {
        return;
    }
    following_ = value >= scroll_->maximum();
    viewEndMs_ = following_ ? std::max(lastShownMs_, originMs_ + kWindowMs)
                            : originMs_ + kWindowMs + qint64{value} * kScrollStepMs;
    ShowSlice();
}

} // namespace va48
