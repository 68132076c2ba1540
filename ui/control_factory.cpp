#include "ui/control_factory.h"

#include "ui/ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace va48 {

namespace {

// The unit label sits this far below the row's y so that its baseline lines up with the value
// box beside it.
constexpr int kUnitLabelDrop = 3;

// The up-down pair's column: 15 wide, starting one pixel inside the edit's right border.
constexpr int kSpinWidth = 15;
constexpr int kSpinOverlap = 1;

constexpr std::array<TextId, 3> kTabTextIds = {TextId::InputSettingTab, TextId::MeasureSettingTab,
                                               TextId::UserFilterTab};

template <typename T>
T* Place(T* control, QRect rect, int id) {
    control->setObjectName(QString::number(id));
    control->setGeometry(rect);
    control->show();
    return control;
}

// Qt draws a super-script run at two thirds of the size it is given (integer pixels), so it is
// asked for half again as much to come out at `wanted` pixels.
constexpr int SuperscriptRequestSize(int wanted) {
    return (3 * wanted + 1) / 2;
}

static_assert(SuperscriptRequestSize(7) * 2 / 3 == 7);
static_assert(SuperscriptRequestSize(6) * 2 / 3 == 6);
static_assert(SuperscriptRequestSize(1) * 2 / 3 == 1);

// The program's icon at `size` pixels: a round gauge with its needle on a blue tile, which reads
// as a level meter even at 16 pixels.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal s = size;
    const QRectF tile(0.5, 0.5, s - 1.0, s - 1.0);
    QLinearGradient face(tile.topLeft(), tile.bottomLeft());
    face.setColorAt(0.0, QColor(0x3a, 0x7b, 0xc4));
    face.setColorAt(1.0, QColor(0x1b, 0x43, 0x75));
    painter.setPen(QPen(QColor(0x12, 0x30, 0x55), 1.0));
    painter.setBrush(face);
    painter.drawRoundedRect(tile, s * 0.18, s * 0.18);

    const QPointF hub(s / 2.0, s * 0.68);
    const qreal radius = s * 0.36;
    const QRectF dial(hub.x() - radius, hub.y() - radius, 2 * radius, 2 * radius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, std::max(1.5, s / 14.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(dial, 0, 180 * 16);

    if (size >= 32) {
        // Scale marks only where there is room for them.
        painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap));
        for (int step = 1; step < 4; ++step) {
            const qreal angle = std::numbers::pi * step / 4.0;
            const QPointF direction(-std::cos(angle), -std::sin(angle));
            painter.drawLine(hub + direction * radius * 0.72, hub + direction * radius * 0.88);
        }
    }

    const qreal needleAngle = std::numbers::pi * 0.70; // from the left end of the scale
    const QPointF tip = hub + QPointF(-std::cos(needleAngle), -std::sin(needleAngle)) * radius;
    painter.setPen(
        QPen(QColor(0xff, 0x9a, 0x3c), std::max(1.5, s / 12.0), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(hub, tip);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(hub, s * 0.08, s * 0.08);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    icon.addPixmap(DrawIcon(16));
    icon.addPixmap(DrawIcon(32));
    return icon;
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QRect DialogRect(int x, int y, int width, int height) {
    // Edges are converted, not sizes, so that controls which touch in units touch in pixels.
    const int left = DialogUnitsX(x);
    const int top = DialogUnitsY(y);
    return {left, top, DialogUnitsX(x + width) - left, DialogUnitsY(y + height) - top};
}

QLabel* MakeStaticLabel(QWidget* parent, const QString& text, QRect rect, int id,
                        Qt::Alignment alignment) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    return Place(label, rect, id);
}

QLabel* MakeChannelLabel(QWidget* parent, int channel, QRect rect, int id) {
    return MakeStaticLabel(parent, QStringLiteral("No.%1").arg(channel), rect, id, Qt::AlignCenter);
}

QLabel* MakeValueBox(QWidget* parent, QRect rect, int id) {
    QLabel* box = MakeStaticLabel(parent, QString(), rect, id, Qt::AlignCenter);
    box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return box;
}

void SetValueBoxText(QLabel* box, const QString& text) {
    box->setText(text);
    box->setAccessibleDescription(text);
}

QLabel* MakeUnitLabel(QWidget* parent, QRect rect, int id) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    label->setPalette(palette);
    return Place(label, rect.translated(0, kUnitLabelDrop), id);
}

QComboBox* MakeDropDownList(QWidget* parent, QRect rect, int id) {
    return Place(new QComboBox(parent), rect, id);
}

SpinEdit MakeSpinEdit(QWidget* parent, QRect rect, int editId, int spinId) {
    SpinEdit spin;
    spin.edit = Place(new QLineEdit(parent),
                      QRect(rect.x(), rect.y(), rect.width() - kSpinWidth, rect.height()), editId);

    // Both halves carry the up-down control's identifier; the up arrow is found first.
    const int column = rect.x() + rect.width() - kSpinWidth - kSpinOverlap;
    const int upHeight = rect.height() / 2;
    const auto makeArrow = [&](Qt::ArrowType arrow, QRect where, const QString& name) {
        auto* button = new QToolButton(parent);
        button->setArrowType(arrow);
        button->setAutoRepeat(true); // held down it keeps stepping, as an up-down control does
        button->setFocusPolicy(Qt::NoFocus);
        button->setAccessibleName(name);
        return Place(button, where, spinId);
    };
    spin.up =
        makeArrow(Qt::UpArrow, QRect(column, rect.y(), kSpinWidth, upHeight), QStringLiteral("Up"));
    spin.down = makeArrow(Qt::DownArrow,
                          QRect(column, rect.y() + upHeight, kSpinWidth, rect.height() - upHeight),
                          QStringLiteral("Down"));
    return spin;
}

QTabBar* MakeTabControl(QWidget* parent, QRect rect, int id) {
    auto* tabs = new QTabBar(parent);
    tabs->setExpanding(false);
    for (const TextId textId : kTabTextIds) {
        tabs->addTab(UiText(textId));
    }
    return Place(tabs, rect, id);
}

QPushButton* MakePushButton(QWidget* parent, const QString& text, QRect rect, int id) {
    return Place(new QPushButton(text, parent), rect, id);
}

QLineEdit* MakeEditBox(QWidget* parent, QRect rect, int id) {
    return Place(new QLineEdit(parent), rect, id);
}

QCheckBox* MakeCheckBox(QWidget* parent, QRect rect, int id) {
    return Place(new QCheckBox(parent), rect, id);
}

QPoint CentredPosition(QSize size) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    // Integer division truncates toward zero, which is what places an oversized window.
    const QRect desktop = screen->geometry();
    return {desktop.x() + (desktop.width() - size.width()) / 2,
            desktop.y() + (desktop.height() - size.height()) / 2};
}

void CentreWindow(QWidget* window) {
    if (!window) {
        return;
    }
    window->move(CentredPosition(window->frameGeometry().size()));
    const bool wasVisible = window->isVisible();
    window->show();
    if (wasVisible) {
        // A window shown just now is on top already; one that was open may lie behind others.
        window->raise();
    }
}

void SetWindowIcons(QWidget* window) {
    if (window) {
        window->setWindowIcon(ProgramIcon());
    }
}

QString UnitLabelHtml(const UnitLabel& record, int pixelHeight) {
    const QString text = ToQString(record.text);
    // A range outside the text raises only what lies inside it.
    const qsizetype start = std::min<qsizetype>(record.superStart, text.size());
    const qsizetype end = std::clamp<qsizetype>(record.superEnd, start, text.size());
    if (record.superscript == 0 || start == end) {
        return text.toHtmlEscaped();
    }
    const int raisedHeight = std::max(1, pixelHeight / 2);
    return text.left(start).toHtmlEscaped() +
           QStringLiteral("<span style=\"font-family:'%1'; font-size:%2px; vertical-align:super\">")
               .arg(UiText(TextId::SuperscriptFont).toHtmlEscaped())
               .arg(SuperscriptRequestSize(raisedHeight)) +
           text.mid(start, end - start).toHtmlEscaped() + QStringLiteral("</span>") +
           text.mid(end).toHtmlEscaped();
}

void WriteUnitLabel(QLabel* label, const UnitLabel& record) {
    if (label) {
        label->setText(UnitLabelHtml(record, QFontInfo(label->font()).pixelSize()));
    }
}

} // namespace va48
