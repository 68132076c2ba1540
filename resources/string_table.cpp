#include "resources/string_table.h"

#include <cstdlib>

namespace va48 {
namespace {

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

constexpr bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::ranges::equal(text.substr(0, prefix.size()), prefix,
                              [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

// "C.UTF-8" and the like are the C locale too: their messages are untranslated.
constexpr bool IsCLocale(std::string_view name) {
    return name == "C" || name == "POSIX" || name.starts_with("C.");
}

std::string_view Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

} // namespace

std::span<const StringEntry> StringBlock(Language language) {
    return language == Language::Japanese ? JapaneseStrings() : EnglishStrings();
}

std::string_view LoadString(Language language, std::uint16_t id) {
    const auto block = StringBlock(language);
    const auto it = std::ranges::lower_bound(block, id, {}, &StringEntry::id);
    return (it != block.end() && it->id == id) ? it->text : std::string_view();
}

Language LanguageFromLocaleName(std::string_view name) {
    if (StartsWithNoCase(name, "japanese")) {
        return Language::Japanese;
    }
    // Only a whole language code counts, so a longer code beginning with "ja" is not taken.
    if (StartsWithNoCase(name, "ja") &&
        (name.size() == 2 || std::string_view("_-.@").find(name[2]) != std::string_view::npos)) {
        return Language::Japanese;
    }
    return Language::English;
}

Language LanguageFromEnvironment(const LocaleEnvironment& environment) {
    std::string_view locale = environment.lcAll;
    if (locale.empty()) {
        locale = environment.lcMessages;
    }
    if (locale.empty()) {
        locale = environment.lang;
    }
    if (locale.empty() || IsCLocale(locale)) {
        return Language::English;
    }
    const std::string_view preferred =
        environment.language.substr(0, environment.language.find(':'));
    return LanguageFromLocaleName(preferred.empty() ? locale : preferred);
}

Language SystemLanguage() {
    return LanguageFromEnvironment({.lcAll = Env("LC_ALL"),
                                    .lcMessages = Env("LC_MESSAGES"),
                                    .lang = Env("LANG"),
                                    .language = Env("LANGUAGE")});
}

} // namespace va48
