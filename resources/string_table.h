#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

namespace va48 {

// The string table exists in two blocks; English is the language-neutral one.
enum class Language { English, Japanese };

// One text of a block. Texts are UTF-8 with static storage; "%d" and "%s" in them are printf
// placeholders that the caller fills in.
struct StringEntry {
    std::uint16_t id;
    std::string_view text;
};

// True when every number is greater than the one before it, which LoadString's binary search
// needs.
constexpr bool IsStrictlyAscendingById(std::span<const StringEntry> entries) {
    return std::ranges::adjacent_find(entries, [](const StringEntry& a, const StringEntry& b) {
               return a.id >= b.id;
           }) == entries.end();
}

// The whole block of each language, sorted by number. The views refer to static data and stay
// valid for the life of the program.
std::span<const StringEntry> EnglishStrings();
std::span<const StringEntry> JapaneseStrings();
std::span<const StringEntry> StringBlock(Language language);

// The text with number `id` in the block of `language`; an empty view when that block has no
// such number (for example 533 in English). The view refers to static data.
std::string_view LoadString(Language language, std::uint16_t id);

// Japanese when the locale name names the Japanese language: "ja" on its own or followed by a
// territory, code set or modifier ("ja_JP.UTF-8", "ja-JP", "ja@x"), or a name beginning with
// "Japanese" (the Windows form "Japanese_Japan.932"); letters compared without case.
// English for every other name, including an empty one.
Language LanguageFromLocaleName(std::string_view name);

// The locale-related environment variables; an unset variable is an empty view.
struct LocaleEnvironment {
    std::string_view lcAll{};      // LC_ALL
    std::string_view lcMessages{}; // LC_MESSAGES
    std::string_view lang{};       // LANG
    std::string_view language{};   // LANGUAGE, a colon-separated priority list
};

// The user-interface language the environment asks for. The message locale is the first
// non-empty one of LC_ALL, LC_MESSAGES and LANG. When it is missing or the C/POSIX locale the
// answer is English whatever LANGUAGE says (as gettext does); otherwise the first entry of
// LANGUAGE, when present, takes precedence over the locale name.
Language LanguageFromEnvironment(const LocaleEnvironment& environment);

// LanguageFromEnvironment applied to the process environment. Reads the environment only; call
// it once at start-up, not while another thread may change the environment.
Language SystemLanguage();

} // namespace va48
