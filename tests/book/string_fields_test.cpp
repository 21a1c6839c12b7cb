#include "book/string_fields.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace qm {
namespace {

using List = std::vector<std::string>;

TEST(SplitToList, TrimsEachPieceAndKeepsTheLastOne) {
    struct Case {
        std::string separator;
        std::string text;
        List pieces;
    };
    const std::vector<Case> cases{
        {";", " x ; y ;", {"x", "y", ""}},          {";", "", {""}},
        {";", "no separator", {"no separator"}},    {";", "\t a b \r\n;;\x01z\x7f", {"a b", "", "z\x7f"}},
        {";", std::string("a\0;b", 4), {"a", "b"}}, {",", "a;b,c", {"a;b", "c"}},
        {"", " whole;text ", {"whole;text"}},
    };
    for (const Case& c : cases) {
        List list{"kept"};
        SplitToList(c.separator, c.text, list);
        List expected{"kept"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(list, expected) << "text: " << c.text;
    }
}

TEST(GetField, ReadsTrimmedPiecesByPositionAndRejectsOthers) {
    const std::string entry = "1;np1; chapter1.html ;Chapter&One;extra";
    EXPECT_EQ(GetField(entry, 0), "1");
    EXPECT_EQ(GetField(entry, 2), "chapter1.html");
    EXPECT_EQ(GetField(entry, 3), "Chapter&One");
    EXPECT_EQ(GetField("", 0), "");
    for (const int n : {5, -1}) {
        try {
            GetField(entry, n);
            FAIL() << "piece " << n << " was accepted";
        } catch (const std::out_of_range& e) {
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(n) + ")");
        }
    }
}

struct LookupCase {
    const char* label;
    std::string value;
    List list;
    int index;
};

class IndexOfFieldTest : public testing::TestWithParam<LookupCase> {};

TEST_P(IndexOfFieldTest, FindsTheLastEntryHoldingTheToken) {
    EXPECT_EQ(IndexOfField(GetParam().value, GetParam().list), GetParam().index);
    FieldIndex index(GetParam().list);
    EXPECT_EQ(index.Find(GetParam().value), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexOfFieldTest,
    testing::Values(LookupCase{"LastEntryWins", "b", {"a;b", "c;b"}, 1},
                    LookupCase{"ValueWithSpaceNeverFound", "a b", {"a b;c"}, -1},
                    LookupCase{"SpaceSplitsTokens", "b", {"a b;c"}, 0}, LookupCase{"EmptyList", "a", {}, -1},
                    LookupCase{"CaseSensitive", "Chapter1", {"1;np1;chapter1.html;x"}, -1},
                    LookupCase{"WholeTokensOnly", "chapter", {"1;np1;chapter1.html;x"}, -1},
                    LookupCase{"FragmentIsPartOfTheToken", "c1.html", {"1;n1;c1.html#p2;T"}, -1},
                    LookupCase{"ControlCharactersSplit",
                               "b",
                               {"a\tb\x1f"
                                "c"},
                               0},
                    LookupCase{"DelOrNonAsciiDoNotSplit",
                               "b",
                               {"a\x7f"
                                "b;a\xc3\xa9"
                                "b"},
                               -1},
                    LookupCase{"QuotedTokenKeepsSpaces", "a b", {"\"a b\";c"}, 0},
                    LookupCase{"DoubledQuoteStandsForOne", "say \"hi\"", {"x;\"say \"\"hi\"\"\""}, 0},
                    LookupCase{"QuoteInsideATokenIsPlain", "a\"b", {"a\"b;c"}, 0},
                    LookupCase{"TextAfterClosingQuoteStartsAToken", "b", {"\"a\"b"}, 0},
                    LookupCase{"UnterminatedQuoteRunsToTheEnd", "a;b c", {"x;\"a;b c"}, 0},
                    LookupCase{"EmptyTokenWhereSemicolonsMeet", "", {"a;b", "a; ;b", "c"}, 1},
                    LookupCase{"EmptyTokenAfterAFinalSemicolon", "", {"a;"}, 0},
                    LookupCase{"NoEmptyTokenWhenBlanksFollowTheLastSemicolon", "", {"a; "}, -1},
                    LookupCase{"EmptyQuotedToken", "", {"a \"\""}, 0},
                    LookupCase{"NulEndsTheEntry", "b", {std::string("a\0;b", 4)}, -1}),
    [](const testing::TestParamInfo<LookupCase>& c) { return c.param.label; });

// FieldIndex answers from what it has tokenised so far; it must agree with a full scan of the list at every
// moment, however the list grows between lookups.
TEST(FieldIndex, AgreesWithIndexOfFieldWhileTheListGrows) {
    const std::string alphabet = "ab;\" \t";
    const List values{"", "a", "b", "ab", "a b", "\"", "ba", "aa", "b;a"};
    std::mt19937 random(20240517);
    for (int round = 0; round < 200; ++round) {
        List list;
        FieldIndex index(list);
        for (int step = 0; step < 12; ++step) {
            std::string entry;
            const int length = static_cast<int>(random() % 8);
            for (int i = 0; i < length; ++i) {
                entry += alphabet[random() % alphabet.size()];
            }
            list.push_back(entry);
            for (const std::string& value : values) {
                ASSERT_EQ(index.Find(value), IndexOfField(value, list))
                    << "value '" << value << "' after appending '" << entry << "'";
            }
        }
    }
}

} // namespace
} // namespace qm
