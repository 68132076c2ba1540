#include "ui/typed_character.h"

#include <QKeyEvent>

namespace va48 {

std::optional<char16_t> CharacterCode(const QKeyEvent& key) {
    const bool control = key.modifiers().testFlag(Qt::ControlModifier);
    if (control && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z) {
        return static_cast<char16_t>(key.key() - Qt::Key_A + 1);
    }
    if (key.key() == Qt::Key_Backspace) {
        return u'\b';
    }
    const QString text = key.text();
    if (control || text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) {
        return std::nullopt;
    }
    return text.at(0).unicode();
}

} // namespace va48
