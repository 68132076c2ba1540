#pragma once

#include <optional>

class QKeyEvent;

namespace va48 {

// The character code of a key press: Ctrl+A..Z give 1..26, Backspace 8, printable text its first
// character; nullopt for keys that type no character.
std::optional<char16_t> CharacterCode(const QKeyEvent& key);

} // namespace va48
