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

// The names are distinct (the header checks that they ascend), so this leaves no number unnamed.
TEST(TextId, EveryNumberOfTheTableHasAName) {
    EXPECT_EQ(kAllTextIds.size(), JapaneseStrings().size());
}

} // namespace
} // namespace va48
