#include "resources/text_id.h"

#include "resources/string_table.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

TEST(TextId, EveryNameHasItsTextInBothLanguages) {
    for (const TextId id : kAllTextIds) {
        const auto number = static_cast<std::uint16_t>(id);
        EXPECT_FALSE(LoadString(Language::Japanese, number).empty()) << number;
        // The English block leaves that one failure to the general error text.
        EXPECT_EQ(LoadString(Language::English, number).empty(), id == TextId::IllegalDataVer)
            << number;
    }
}

// The names are distinct (the header checks that they ascend) and each has its text, so equal
// counts leave no number of either block without a name.
TEST(TextId, EveryNumberOfTheTableHasAName) {
    EXPECT_EQ(kAllTextIds.size(), JapaneseStrings().size());
    EXPECT_EQ(kAllTextIds.size() - 1, EnglishStrings().size());
}

} // namespace
} // namespace va48
