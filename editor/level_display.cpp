#include "editor/level_display.h"

#include "editor/level_format.h"
#include "monitor/event_time.h"
#include "monitor/level_trend.h"
#include "ui/control_factory.h"
#include "ui/messages.h"
#include "ui/ui_text.h"

#include <QLabel>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace va48 {

namespace {

constexpr int kRowLabelBase = 2999; // + channel
constexpr int kValueBoxBase = 3099;
constexpr int kUnitLabelBase = 3199;
constexpr int kBarBase = 3299;
constexpr int kMarkerBase = 3399;
constexpr int kRowPitch = 30;
constexpr int kRowHeight = 26;
// The bar meter and the overload count right of the unit label.
constexpr int kBarX = 205;
constexpr int kBarWidth = 60;
constexpr int kBarHeight = 12;
constexpr int kMarkerX = 270;
constexpr int kMarkerWidth = 30;
constexpr int kPanelWidth = kMarkerX + kMarkerWidth;
constexpr int kPanelHeight = kRowPitch * (kChannelCount - 1) + kRowHeight;
constexpr int kValueFontPixels = 20;

const QColor kRedLamp(255, 0, 0);
const QColor kCyanLamp(0, 255, 255);
const QColor kBarColour(70, 110, 160);
const QColor kBarOverColour(220, 0, 0);
const QColor kBarTrough(255, 255, 255);
const QColor kBarFrame(150, 150, 150);
const QColor kMarkerColour(200, 0, 0);

QString NoValueText() {
    return QString::fromLatin1(kNoValueText.data(), static_cast<qsizetype>(kNoValueText.size()));
}

QFont ValueFont() {
    QFont font(UiText(TextId::LevelFont));
    font.setPixelSize(kValueFontPixels);
    font.setBold(true);
    return font;
}

} // namespace

LevelBar::LevelBar(QWidget* parent, const EditorState& state) : QWidget(parent), state_(state) {}

void LevelBar::SetReach(std::optional<double> reach) {
    if (reach != reach_) {
        reach_ = reach;
        update();
    }
}

// Like the value boxes, the bar looks at the busy flag each time it paints.
void LevelBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect trough = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(trough, kBarTrough);
    painter.setPen(kBarFrame);
    painter.drawRect(trough);
    if (!reach_ || state_.busy) {
        return;
    }
    const double reach = std::clamp(*reach_, 0.0, 1.0);
    const int length = static_cast<int>(reach * (trough.width() - 1) + 0.5);
    if (length > 0) {
        painter.fillRect(QRect(1, 1, length, trough.height() - 1),
                         PastFullScale() ? kBarOverColour : kBarColour);
    }
}

LevelDisplay::LevelDisplay(QWidget* parent, DeviceState& device, const EditorState& state,
                           const OverloadHistory* overloads)
    : QWidget(parent), device_(device), state_(state), overloads_(overloads) {
    setFixedSize(kPanelWidth, kPanelHeight);
    const QFont valueFont = ValueFont();
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        const int y = kRowPitch * (channel - 1);
        QLabel* rowLabel =
            MakeChannelLabel(this, channel, QRect(0, y, 60, kRowHeight), kRowLabelBase + channel);
        rowLabel->setAccessibleName(rowLabel->text());

        QLabel* box = MakeValueBox(this, QRect(70, y, 80, kRowHeight), kValueBoxBase + channel);
        box->setFont(valueFont);
        SetValueBoxText(box, NoValueText());
        box->setAccessibleName(QStringLiteral("No.%1 level").arg(channel));
        box->installEventFilter(this);
        valueBoxes_[channel - 1] = box;

        QLabel* unit = MakeUnitLabel(this, QRect(160, y, 40, kRowHeight), kUnitLabelBase + channel);
        unit->setAccessibleName(QStringLiteral("No.%1 unit").arg(channel));
        unitLabels_[channel - 1] = unit;

        auto* bar = new LevelBar(this, state_);
        bar->setGeometry(kBarX, y + (kRowHeight - kBarHeight) / 2, kBarWidth, kBarHeight);
        bar->setObjectName(QString::number(kBarBase + channel));
        bar->setAccessibleName(QStringLiteral("No.%1 bar").arg(channel));
        bars_[channel - 1] = bar;

        auto* marker = new QLabel(this);
        marker->setGeometry(kMarkerX, y, kMarkerWidth, kRowHeight);
        marker->setObjectName(QString::number(kMarkerBase + channel));
        marker->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QFont markerFont = marker->font();
        markerFont.setBold(true);
        marker->setFont(markerFont);
        QPalette markerPalette = marker->palette();
        markerPalette.setColor(QPalette::WindowText, kMarkerColour);
        marker->setPalette(markerPalette);
        marker->hide();
        markers_[channel - 1] = marker;
    }
}

QLabel* LevelDisplay::ValueBox(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? valueBoxes_[channel - 1] : nullptr;
}

QLabel* LevelDisplay::UnitLabel(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? unitLabels_[channel - 1] : nullptr;
}

LevelBar* LevelDisplay::Bar(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? bars_[channel - 1] : nullptr;
}

QLabel* LevelDisplay::OverloadMarker(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? markers_[channel - 1] : nullptr;
}

void LevelDisplay::timerEvent(QTimerEvent* event) {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        QBasicTimer& timer = holdTimers_[channel - 1];
        if (timer.isActive() && timer.timerId() == event->timerId()) {
            timer.stop();
            Channel(channel).lamp = kLampNormal;
            valueBoxes_[channel - 1]->update();
            return;
        }
    }
    QWidget::timerEvent(event);
}

// The lamp colour is decided each time a box paints, so a box repainted while a sequence runs
// shows no stale value, whatever made it repaint.
bool LevelDisplay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (const int channel = ChannelOfBox(watched); channel != 0) {
            PaintLamp(channel);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LevelDisplay::Reload() {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        SetValueBoxText(valueBoxes_[channel - 1], NoValueText());
        unitLabels_[channel - 1]->clear();
        bars_[channel - 1]->SetReach(std::nullopt);
        ShowOverloads(channel);
    }
    update();
}

void LevelDisplay::ShowLevels() {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        ShowLevel(channel);
    }
}

void LevelDisplay::ShowLevel(int channel) {
    ChannelSettings& settings = Channel(channel);
    QLabel* box = valueBoxes_[channel - 1];
    QLabel* unit = unitLabels_[channel - 1];
    const std::optional<LevelText> level = FormatLevel(settings);
    if (level) {
        SetValueBoxText(box, QString::fromStdString(level->value));
        WriteUnitLabel(unit, level->unit);
    } else {
        SetValueBoxText(box, NoValueText());
        unit->clear();
    }
    bars_[channel - 1]->SetReach(BarReach(settings));
    ShowOverloads(channel);
    if (settings.moduleKind != kSoundModule && settings.moduleKind != kVibrationModule) {
        return;
    }
    // A module whose reading has an unknown scale still reports its lamps.
    const LampUpdate lamp = UpdateLamp(settings.lamp, settings.reading);
    settings.lamp = lamp.lamp;
    if (lamp.startHoldTimer) {
        // Polls faster than the hold must not restart it, or the lamp would never go out.
        if (!holdTimers_[channel - 1].isActive()) {
            holdTimers_[channel - 1].start(kTimerPeriodMs, this);
        }
    } else {
        holdTimers_[channel - 1].stop();
    }
    box->update();
}

void LevelDisplay::ShowOverloads(int channel) {
    QLabel* marker = markers_[channel - 1];
    const LampEvents none;
    const LampEvents& over = overloads_ ? overloads_->Channel(channel).over : none;
    if (over.count == 0 || !over.last) {
        marker->hide();
        return;
    }
    const QString count = QString::number(over.count);
    if (marker->text() != count || marker->isHidden()) {
        marker->setText(count);
        marker->setToolTip(UiTextFormatted(TextId::OverloadMarkerTip, static_cast<int>(over.count))
                               .replace(QLatin1String("%s"), QString::fromStdString(EventTimeText(
                                                                 *over.last, WallClock::now()))));
        marker->show();
    }
}

void LevelDisplay::StopLamps() {
    for (QBasicTimer& timer : holdTimers_) {
        timer.stop();
    }
}

void LevelDisplay::PaintLamp(int channel) {
    QLabel* box = valueBoxes_[channel - 1];
    QColor background = palette().color(QPalette::Window);
    if (state_.busy) {
        if (box->text() != NoValueText()) {
            SetValueBoxText(box, NoValueText());
        }
        if (!unitLabels_[channel - 1]->text().isEmpty()) {
            unitLabels_[channel - 1]->clear();
        }
        bars_[channel - 1]->update(); // blanks with its box
    } else {
        switch (Channel(channel).lamp) {
        case kLampNormal:
            background = Qt::white;
            break;
        case kLampRed:
            background = kRedLamp;
            break;
        case kLampCyan:
            background = kCyanLamp;
            break;
        default:
            break;
        }
    }
    QPainter painter(box);
    painter.fillRect(box->rect(), background);
}

ChannelSettings& LevelDisplay::Channel(int channel) const {
    return device_.channels[static_cast<std::size_t>(channel - 1)];
}

int LevelDisplay::ChannelOfBox(const QObject* box) const {
    for (int channel = 1; channel <= kChannelCount; ++channel) {
        if (valueBoxes_[channel - 1] == box) {
            return channel;
        }
    }
    return 0;
}

} // namespace va48
