#include "app/version_dialog.h"

#include "ui/control_factory.h"
#include "ui/ui_text.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>
#include <array>

namespace va48 {

namespace {

constexpr int kDialogId = 201;
constexpr int kLogoId = 9000;
constexpr int kProductNameId = 9001;
constexpr int kVersionId = 9002;
constexpr int kFileDateId = 9003;
constexpr int kLegalNoticeId = 9004;
constexpr int kCommentsId = 9005;
constexpr int kOkId = 9006;
constexpr int kFontPoints = 10;

// One text line under the logo: where it stands (dialog units), how it is aligned, and the
// height of its font's character cell in pixels.
struct TextLine {
    int id;
    int y;
    int height;
    Qt::Alignment alignment;
    int cellHeight;
    bool bold;
};

// Every line is 18 units in and 100 wide.
constexpr int kLineX = 18;
constexpr int kLineWidth = 100;

constexpr std::array<TextLine, 5> kTextLines = {{
    {kProductNameId, 63, 9, Qt::AlignLeft | Qt::AlignVCenter, 18, true},
    {kVersionId, 74, 9, Qt::AlignRight | Qt::AlignVCenter, 16, false},
    {kCommentsId, 85, 19, Qt::AlignLeft | Qt::AlignTop, 12, false},
    {kFileDateId, 106, 9, Qt::AlignRight | Qt::AlignVCenter, 14, false},
    {kLegalNoticeId, 117, 9, Qt::AlignRight | Qt::AlignVCenter, 14, false},
}};

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text);
}

QString LineText(int id, const VersionInfo& info) {
    switch (id) {
    case kProductNameId:
        return ToQString(info.productName);
    case kVersionId:
        return QStringLiteral("Version ") + ToQString(info.versionText);
    case kCommentsId:
        return ToQString(info.comments);
    case kFileDateId:
        return ToQString(info.fileDate);
    case kLegalNoticeId:
        return ToQString(info.legalNotice);
    default:
        return {};
    }
}

// `font` sized so that its character cell (ascent plus descent) is `cellHeight` pixels, which
// is how the heights of the table are meant.
QFont WithCellHeight(QFont font, int cellHeight) {
    font.setPixelSize(cellHeight);
    const int measured = QFontMetrics(font).height();
    if (measured > 0) {
        font.setPixelSize(std::max(1, cellHeight * cellHeight / measured));
    }
    return font;
}

// The logo: the product's name, bold and white, over a deep blue band with a thin accent rule.
QPixmap DrawLogo(QSize size, qreal pixelRatio) {
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF area(QPointF(0, 0), QSizeF(size));
    QLinearGradient band(area.topLeft(), area.bottomLeft());
    band.setColorAt(0.0, QColor(0x2c, 0x5a, 0x92));
    band.setColorAt(1.0, QColor(0x14, 0x2f, 0x52));
    painter.fillRect(area, band);

    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(1, size.height() * 2 / 5));
    const QString name = QStringLiteral("VA-48");
    // Shrink until the name fills no more than four fifths of the width.
    while (font.pixelSize() > 6 &&
           QFontMetrics(font).horizontalAdvance(name) > size.width() * 4 / 5) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QRectF textArea(0, 0, area.width(), area.height() * 0.80);
    painter.drawText(textArea, Qt::AlignCenter, name);

    const qreal ruleY = area.height() * 0.78;
    painter.setPen(QPen(QColor(0xff, 0x9a, 0x3c), std::max(1.5, area.height() / 30.0)));
    painter.drawLine(QPointF(area.width() * 0.22, ruleY), QPointF(area.width() * 0.78, ruleY));
    return pixmap;
}

void MakeLogo(QWidget* dialog) {
    QLabel* logo =
        MakeStaticLabel(dialog, QString(), DialogRect(18, 10, 100, 48), kLogoId, Qt::AlignCenter);
    logo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    logo->setPixmap(DrawLogo(logo->contentsRect().size(), dialog->devicePixelRatioF()));
}

void MakeTextLine(QWidget* dialog, const TextLine& line, const QString& text) {
    const QRect box = DialogRect(kLineX, line.y, kLineWidth, line.height);
    QLabel* label = MakeStaticLabel(dialog, text, box, line.id, line.alignment);
    QFont font = WithCellHeight(label->font(), line.cellHeight);
    font.setBold(line.bold);
    label->setFont(font);
    label->setWordWrap(true);
    // A text longer than its box grows downwards instead of being cut off.
    label->resize(box.width(), std::max(box.height(), label->heightForWidth(box.width())));
}

QWidget* Control(const QWidget* dialog, int id) {
    return dialog->findChild<QWidget*>(QString::number(id));
}

// Hides the comment line and moves what stands below it up into its place; returns by how much.
int CloseCommentsGap(const QWidget* dialog) {
    QWidget* comments = Control(dialog, kCommentsId);
    comments->hide();
    const int gap = Control(dialog, kFileDateId)->y() - comments->y();
    for (const int id : {kFileDateId, kLegalNoticeId, kOkId}) {
        QWidget* control = Control(dialog, id);
        control->move(control->x(), control->y() - gap);
    }
    return gap;
}

} // namespace

VersionDialog::VersionDialog(const VersionInfo& info, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QString::number(kDialogId));
    setWindowTitle(QStringLiteral("Version"));
    setFont(DialogFont(kFontPoints));
    const QSize size = DialogRect(0, 0, 137, 159).size();

    MakeLogo(this);
    for (const TextLine& line : kTextLines) {
        MakeTextLine(this, line, LineText(line.id, info));
    }
    QPushButton* ok =
        MakePushButton(this, QStringLiteral("OK"), DialogRect(37, 141, 63, 14), kOkId);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(0); });

    const int gap = info.comments.empty() ? CloseCommentsGap(this) : 0;
    setFixedSize(size.width(), size.height() - gap);
    // Placed, not shown: the modal run shows it where it stands.
    move(CentredPosition(frameGeometry().size()));
}

} // namespace va48
