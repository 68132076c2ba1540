#include "maintenance/ip_address_field.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace va48 {

namespace {

constexpr int kPartMax = 255;
constexpr int kPartDigits = 3;

enum class Caret { SelectAll, Start, End };

QLineEdit* MakePart(QWidget* parent) {
    auto* part = new QLineEdit(parent);
    part->setFrame(false);
    part->setAlignment(Qt::AlignCenter);
    part->setMaxLength(kPartDigits);
    part->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), part));
    // Composed text would bypass the part's key handling.
    part->setAttribute(Qt::WA_InputMethodEnabled, false);
    part->setFixedWidth(part->fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    return part;
}

QLabel* MakeDot(QWidget* parent) {
    auto* dot = new QLabel(QStringLiteral("."), parent);
    dot->setAlignment(Qt::AlignCenter);
    return dot;
}

void Place(QLineEdit* part, Caret caret) {
    part->setFocus(Qt::OtherFocusReason);
    switch (caret) {
    case Caret::SelectAll:
        part->selectAll();
        break;
    case Caret::Start:
        part->setCursorPosition(0);
        break;
    case Caret::End:
        part->setCursorPosition(static_cast<int>(part->text().size()));
        break;
    }
}

} // namespace

IpAddressField::IpAddressField(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(0);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0) {
            row->addWidget(MakeDot(this));
        }
        parts_[i] = MakePart(this);
        parts_[i]->installEventFilter(this);
        // Only the first part is a tab stop, so Tab leaves the field from any part.
        parts_[i]->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        row->addWidget(parts_[i]);
        connect(parts_[i], &QLineEdit::textEdited, this,
                [this, i] { OnPartEdited(static_cast<int>(i)); });
    }
    setFocusProxy(parts_[0]);
    SetAddress({0, 0, 0, 0});
}

void IpAddressField::SetAddress(const std::array<std::uint8_t, 4>& address) {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setText(QString::number(address[i]));
    }
}

std::array<std::uint8_t, 4> IpAddressField::Address() const {
    std::array<std::uint8_t, 4> address{};
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        // The validator keeps a part to three digits; toInt() of an empty part is 0.
        address[i] = static_cast<std::uint8_t>(std::min(parts_[i]->text().toInt(), kPartMax));
    }
    return address;
}

void IpAddressField::SetAccessibleName(const QString& name) {
    setAccessibleName(name);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        parts_[i]->setAccessibleName(name + QLatin1Char(' ') + QString::number(i + 1));
    }
}

bool IpAddressField::eventFilter(QObject* watched, QEvent* event) {
    const int index = IndexOf(watched);
    if (index >= 0 && event->type() == QEvent::FocusOut) {
        // The new focus widget is already set; moving between parts is no leaving.
        const QWidget* now = QApplication::focusWidget();
        if (!(now && isAncestorOf(now))) {
            SetAddress(Address());
        }
    }
    if (index >= 0 && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (key.key() == Qt::Key_Backtab && index > 0) {
            // Going back from a later part leaves the field as Tab does: pass the key on from
            // the first part.
            parts_[0]->setFocus(Qt::BacktabFocusReason);
            QKeyEvent again(QEvent::KeyPress, key.key(), key.modifiers(), key.text());
            QCoreApplication::sendEvent(parts_[0], &again);
            return true;
        }
        if (OnPartKey(index, key.key(), key.text())) {
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

int IpAddressField::IndexOf(const QObject* part) const {
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (parts_[i] == part) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool IpAddressField::OnPartKey(int index, int key, const QString& text) {
    QLineEdit* part = Part(index);
    const bool caretOnly = !part->hasSelectedText();
    const int caret = part->cursorPosition();
    const bool last = index == static_cast<int>(parts_.size()) - 1;
    if (text == QLatin1String(".") || text == QLatin1String(" ")) {
        // Typing 192.168... also works where a full part has already moved on: the dot then
        // meets a part that is wholly selected and stays.
        if (caretOnly && !part->text().isEmpty() && !last) {
            Place(Part(index + 1), Caret::SelectAll);
        }
        return true;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Left) && caretOnly && caret == 0 && index > 0) {
        Place(Part(index - 1), Caret::End);
        return true;
    }
    if (key == Qt::Key_Right && caretOnly && caret == part->text().size() && !last) {
        Place(Part(index + 1), Caret::Start);
        return true;
    }
    return false;
}

void IpAddressField::OnPartEdited(int index) {
    QLineEdit* part = Part(index);
    if (part->text().toInt() > kPartMax) {
        part->setText(QString::number(kPartMax));
    }
    const bool full = part->text().size() == kPartDigits && part->cursorPosition() == kPartDigits;
    if (full && index + 1 < static_cast<int>(parts_.size())) {
        Place(Part(index + 1), Caret::SelectAll);
    }
}

} // namespace va48
