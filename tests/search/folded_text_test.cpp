#include "search/folded_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

std::u32string Folded(const char* text) {
    return FoldForSearch(text).folded;
}

TEST(FoldForSearch, DropsCaseAndDiacriticsKeepsOtherScripts) {
    EXPECT_EQ(Folded("\xc3\x89t\xc3\xa9 Caf\xc3\xa9"), Folded("ete cafe"));
    // Greek capitals and the final sigma.
    EXPECT_EQ(Folded("\xce\x9f\xce\x94\xce\x9f\xce\xa3"), Folded("\xce\xbf\xce\xb4\xce\xbf\xcf\x82"));
    // Arabic vowel marks are diacritics too; the letters stay.
    EXPECT_EQ(Folded("\xd9\x83\xd9\x90\xd8\xaa\xd9\x8e\xd8\xa7\xd8\xa8\xd9\x8c"),
              Folded("\xd9\x83\xd8\xaa\xd8\xa7\xd8\xa8"));
    EXPECT_EQ(Folded("\xe5\x90\xbe\xe8\xbc\xa9"), U"\u543e\u8f29");
    EXPECT_NE(Folded("a"), Folded("b"));
}

TEST(FoldForSearch, OriginsPointAtTheCharactersBytes) {
    // "é" is two bytes and folds to one character; its mark is dropped.
    const FoldedText folded = FoldForSearch("x\xc3\xa9y");
    EXPECT_EQ(folded.folded, U"xey");
    EXPECT_EQ(folded.origin, (std::vector<std::uint32_t>{0, 1, 3, 4}));
    // Broken UTF-8 is one replacement character, not a stop.
    EXPECT_EQ(FoldForSearch("a\xff"
                            "b")
                  .folded,
              U"a\uFFFDb");
}

} // namespace
} // namespace qm
