#pragma once

#include "resources/string_table.h"
#include "resources/text_id.h"

#include <QFont>
#include <QString>

#include <cstdint>

namespace va48 {

// The language the windows speak; chosen once at start-up.
void SetUiLanguage(Language language);
Language UiLanguage();

// Text number `id` of the string table in the window language; empty when absent.
QString UiText(std::uint16_t id);

// Text `id` with its one "%d" (printf style) filled with `value`.
QString UiTextFormatted(std::uint16_t id, int value);

// The same by name.
QString UiText(TextId id);
QString UiTextFormatted(TextId id, int value);

// The dialogs' font: Tahoma in English, "ＭＳ Ｐゴシック" at a slightly larger size in Japanese.
// `points` is the English size.
QFont DialogFont(int points);

// Dialog units of the dialog templates to pixels (the dialog font's average character cell).
int DialogUnitsX(int units);
int DialogUnitsY(int units);

} // namespace va48
