#include "editor/level_display.h"

#include "editor/level_format.h"
#include "ui/control_factory.h"
#include "ui/messages.h"
#include "ui/ui_text.h"

#include <QLabel>
#include <QPainter>
#include <QTimerEvent>

namespace va48 {

namespace {

constexpr int kRowLabelBase = 2999; // + channel
constexpr int kValueBoxBase = 3099;
constexpr int kUnitLabelBase = 3199;
constexpr int kRowPitch = 30;
constexpr int kRowHeight = 26;
constexpr int kPanelWidth = 200;
constexpr int kPanelHeight = kRowPitch * (kChannelCount - 1) + kRowHeight;
constexpr int kValueFontPixels = 20;

const QColor kRedLamp(255, 0, 0);
const QColor kCyanLamp(0, 255, 255);

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

LevelDisplay::LevelDisplay(QWidget* parent, DeviceState& device, const EditorState& state)
    : QWidget(parent), device_(device), state_(state) {
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
    }
}

QLabel* LevelDisplay::ValueBox(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? valueBoxes_[channel - 1] : nullptr;
}

QLabel* LevelDisplay::UnitLabel(int channel) const {
    return channel >= 1 && channel <= kChannelCount ? unitLabels_[channel - 1] : nullptr;
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
    if (settings.moduleKind != kSoundModule && settings.moduleKind != kVibrationModule) {
        return;
    }
    // A module whose reading has an unknown scale still reports its lamps.
    const LampUpdate lamp = UpdateLamp(settings.lamp, settings.reading);
    settings.lamp = lamp.lamp;
    if (lamp.startHoldTimer) {
        holdTimers_[channel - 1].start(kTimerPeriodMs, this);
    } else {
        holdTimers_[channel - 1].stop();
    }
    box->update();
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
