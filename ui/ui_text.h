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

// Text `id` of the string table in the window language; empty when absent.
QString UiText(TextId id);

// Text `id` with its one "%d" (printf style) filled with `value`.
QString UiTextFormatted(TextId id, int value);

// The message for a session result code (a ResultCode number as a message carries it). A code
// without a text of its own in this language, or no code at all, gets the "other error" text.
QString ResultText(std::uintptr_t result);

// The dialogs' font: Tahoma in English, "ＭＳ Ｐゴシック" at a slightly larger size in Japanese.
// `points` is the English size.
QFont DialogFont(int points);

// Dialog units of the dialog templates to pixels (the dialog font's average character cell).
int DialogUnitsX(int units);
int DialogUnitsY(int units);

} // namespace va48
