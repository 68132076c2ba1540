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

// Some Japanese texts are spelled as bytes so that an editor re-encoding this file cannot hide a
// change to the table.
const TextCase kTexts[] = {
    {101, "VA-48Viewer", "VA-48Viewer"},
    {302, "VA-48Viewer.html", "VA-48Viewer.html"},
    // "ＭＳ Ｐゴシック": full-width letters around an ASCII space.
    {303, "Arial",
     "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF"},
    {311, "VA-48Viewer", "VA-48PA1"},
    // "ｷｬﾝｾﾙ" in half-width katakana.
    {322, "Cancel", "\xEF\xBD\xB7\xEF\xBD\xAC\xEF\xBE\x9D\xEF\xBD\xBE\xEF\xBE\x99"},
    // "VA-48 LAN設定"
    {323, "LAN Setting of VA-48", "VA-48 LAN\xE8\xA8\xAD\xE5\xAE\x9A"},
    {352, "FREQ.WEIGHT.\n/UNIT", "FREQ.WEIGHT.\n/UNIT"},
    {353, "TIME.WEIGHT.\n/DETECTION", "TIME.WEIGHT.\n/DETECTION"},
    // "データ転送中です( %d / %d )..."
    {395, "Data transfer( %d / %d )...",
     "\xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE8\xBB\xA2\xE9\x80\x81\xE4\xB8\xAD\xE3\x81\xA7\xE3\x81"
     "\x99( %d / %d )..."},
    {410, "Tahoma", "Century"},
    {425, "Confirm the INPUT value.(No.%d)",
     "No.%d\xE3\x81\xAE"
     "INPUT\xE5\x80\xA4\xE3\x82\x92"
     "\xE7\xA2\xBA\xE8\xAA\x8D\xE3\x81\x97\xE3\x81\xA6\xE3\x81\x8F\xE3\x81\xA0\xE3\x81\x95\xE3\x81"
     "\x84"},
    {428, "Reset?", "Reset?"},
    {501, "Illegal data (DID)",
     "DID\xE3\x82\xB3\xE3\x83\x9E\xE3\x83\xB3\xE3\x83\x89\xE3\x81\xAE\xE5\xBF\x9C\xE7\xAD\x94\xE3"
     "\x83\x87\xE3\x83\xBC\xE3\x82\xBF\xE6\x95\xB0\xE3\x81\x8C\xE4\xB8\x8D\xE6\xAD\xA3\xE3\x81\xA7"
     "\xE3\x81\x99"},
    {515, "Error.", "装置が重複しています"},
    {532, "Contradiction in LPF setting (No.%d)", "機器No.%dのLPF設定に矛盾があります"},
    {552, "  No. : %d\n", "  機器No. : %d\n"},
    {555, "Not possible to do.", "編集中は実行できません"},
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
    const struct {
        std::string_view name;
        Language expected;
    } cases[] = {
        {"ja_JP.UTF-8", Language::Japanese},
        {"ja_JP.eucJP", Language::Japanese},
        {"ja-JP", Language::Japanese},
        {"ja", Language::Japanese},
        {"JA_jp", Language::Japanese},
        {"ja@modifier", Language::Japanese},
        {"Japanese_Japan.932", Language::Japanese},
        {"en_US.UTF-8", Language::English},
        {"de_DE", Language::English},
        {"jv_ID", Language::English},
        {"jam", Language::English},
        {"j", Language::English},
        {"", Language::English},
        {"C", Language::English},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(LanguageFromLocaleName(row.name), row.expected) << row.name;
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
