#include "ui/ui_text.h"

#include "protocol/result_code.h"

#include <algorithm>
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

QString UiText(TextId id) {
    const std::string_view text = LoadString(UiLanguage(), static_cast<std::uint16_t>(id));
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString UiTextFormatted(TextId id, int value) {
    const std::string_view format = LoadString(UiLanguage(), static_cast<std::uint16_t>(id));
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

QString ResultText(std::uintptr_t result) {
    const auto code = static_cast<ResultCode>(
        std::min<std::uintptr_t>(result, static_cast<std::uintptr_t>(kResultCodeCount)));
    QString text = UiText(static_cast<TextId>(ResultMessage(code)));
    return text.isEmpty() ? UiText(TextId::OtherError) : text;
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
