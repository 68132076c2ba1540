#include "ui/ui_text.h"

#include <atomic>
#include <string>

namespace va48 {

namespace {

std::atomic<Language>& CurrentLanguage() {
    static std::atomic<Language> language{Language::English};
    return language;
}

} // namespace

void SetUiLanguage(Language language) {
    CurrentLanguage() = language;
}

Language UiLanguage() {
    return CurrentLanguage();
}

QString UiText(std::uint16_t id) {
    const std::string_view text = LoadString(UiLanguage(), id);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString UiTextFormatted(std::uint16_t id, int value) {
    const std::string_view format = LoadString(UiLanguage(), id);
    std::string text;
    // Only "%d" is ever filled in; anything else in the text is copied as it stands.
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.substr(i, 2) == "%d") {
            text += std::to_string(value);
            ++i;
        } else {
            text += format[i];
        }
    }
    return QString::fromStdString(text);
}

QString UiText(TextId id) {
    return UiText(static_cast<std::uint16_t>(id));
}

QString UiTextFormatted(TextId id, int value) {
    return UiTextFormatted(static_cast<std::uint16_t>(id), value);
}

QFont DialogFont(int points) {
    if (UiLanguage() == Language::Japanese) {
        QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"), points + 1);
        font.setStyleHint(QFont::SansSerif);
        return font;
    }
    QFont font(QStringLiteral("Tahoma"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// A dialog unit is a quarter of the font's average character width and an eighth of its height;
// for the templates' 8-point face at 96 dpi that is 6 x 13 pixels per 4 x 8 units.
int DialogUnitsX(int units) {
    return units * 6 / 4;
}

int DialogUnitsY(int units) {
    return units * 13 / 8;
}

} // namespace va48
