#include "resources/string_table.h"

#include <gtest/gtest.h>

#include <string_view>

namespace va48 {
namespace {

TEST(StringTable, EveryEntryHasText) {
    for (const auto language : {Language::English, Language::Japanese}) {
        for (const auto& entry : StringBlock(language)) {
            EXPECT_FALSE(entry.text.empty()) << entry.id;
            EXPECT_EQ(LoadString(language, entry.id), entry.text) << entry.id;
        }
    }
}

struct TextCase {
    std::uint16_t id;
    std::string_view english;
    std::string_view japanese;
};

// Spelled as bytes, so that an editor re-encoding a table file shows here: full-width letters
// around an ASCII space, half-width katakana, a format with its argument inside the text.
const TextCase kTexts[] = {
    {303, "Arial",
     "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"},
    {322, "Cancel", "\xEF\xBD\xB7\xEF\xBD\xAC\xEF\xBE\x9D\xEF\xBD\xBE\xEF\xBE\x99"},
    {425, "Confirm the INPUT value.(No.%d)",
     "No.%d\xE3\x81\xAE"
     "INPUT\xE5\x80\xA4\xE3\x82\x92"
     "\xE7\xA2\xBA\xE8\xAA\x8D\xE3\x81\x97\xE3\x81\xA6\xE3\x81\x8F\xE3\x81\xA0\xE3\x81\x95\xE3\x81"
     "\x84"},
};

TEST(StringTable, LoadsExactTexts) {
    for (const auto& row : kTexts) {
        EXPECT_EQ(LoadString(Language::English, row.id), row.english) << row.id;
        EXPECT_EQ(LoadString(Language::Japanese, row.id), row.japanese) << row.id;
    }
}

TEST(StringTable, AbsentNumbersGiveEmptyText) {
    EXPECT_TRUE(LoadString(Language::English, 533).empty());
    EXPECT_EQ(LoadString(Language::Japanese, 533), "VERコマンドの応答データ数が不正です");
    for (const std::uint16_t id : {0, 100, 102, 300, 316, 534, 549, 556, 65535}) {
        EXPECT_TRUE(LoadString(Language::English, id).empty()) << id;
        EXPECT_TRUE(LoadString(Language::Japanese, id).empty()) << id;
    }
}

TEST(StringTable, LanguageFromLocaleName) {
    for (const std::string_view name : {"ja_JP.UTF-8", "ja_JP.eucJP", "ja-JP", "ja", "JA_jp",
                                        "ja@modifier", "Japanese_Japan.932"}) {
        EXPECT_EQ(LanguageFromLocaleName(name), Language::Japanese) << name;
    }
    for (const std::string_view name : {"en_US.UTF-8", "de_DE", "jv_ID", "jam", "j", "", "C"}) {
        EXPECT_EQ(LanguageFromLocaleName(name), Language::English) << name;
    }
}

TEST(StringTable, LanguageFromEnvironment) {
    const struct {
        LocaleEnvironment environment;
        Language expected;
    } cases[] = {
        {{}, Language::English},
        {{.lang = "ja_JP.UTF-8"}, Language::Japanese},
        {{.lcMessages = "ja_JP.UTF-8", .lang = "en_US.UTF-8"}, Language::Japanese},
        {{.lcMessages = "en_US.UTF-8", .lang = "ja_JP.UTF-8"}, Language::English},
        {{.lcAll = "en_GB", .lcMessages = "ja_JP", .lang = "ja_JP"}, Language::English},
        {{.lcAll = "ja_JP", .lcMessages = "en_GB", .lang = "en_GB"}, Language::Japanese},
        // LANGUAGE's first entry decides over the locale...
        {{.lang = "en_US.UTF-8", .language = "ja:en"}, Language::Japanese},
        {{.lang = "ja_JP.UTF-8", .language = "en_GB:ja"}, Language::English},
        {{.lang = "ja_JP.UTF-8", .language = ":en"}, Language::Japanese},
        // ...but not under the C locale, nor without any locale.
        {{.lang = "C", .language = "ja"}, Language::English},
        {{.lcAll = "POSIX", .language = "ja"}, Language::English},
        {{.lcAll = "C.UTF-8", .lang = "ja_JP.UTF-8"}, Language::English},
        {{.language = "ja"}, Language::English},
    };
    for (const auto& row : cases) {
        const auto& env = row.environment;
        EXPECT_EQ(LanguageFromEnvironment(env), row.expected)
            << "LC_ALL=" << env.lcAll << " LC_MESSAGES=" << env.lcMessages << " LANG=" << env.lang
            << " LANGUAGE=" << env.language;
    }
}

} // namespace
} // namespace va48
