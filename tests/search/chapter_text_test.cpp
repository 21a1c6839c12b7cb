#include "search/chapter_text.h"
#include "search/folded_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

struct ExtractCase {
    const char* name;
    const char* markup;
    const char* text;
};

class ExtractCases : public testing::TestWithParam<ExtractCase> {};

TEST_P(ExtractCases, ReadsWhatTheReaderSees) {
    EXPECT_EQ(ExtractChapterText(GetParam().markup), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtractCases,
    testing::Values(
        ExtractCase{"InlineTagsJoinBlocksSeparate",
                    "<body><p>The Hat<em>ter</em> said</p><p>no<br/>more</p><h2>End</h2></body>",
                    "The Hatter said no more End"},
        ExtractCase{"HeadScriptStyleCommentsLeftOut",
                    "<html><head><title>T</title><style>p{}</style></head><body><script>var s='<p>x';</script>"
                    "<!-- a <b>note</b> -->a<STYLE type='text/css'>b{}</STYLE>b</body></html>",
                    "ab"},
        ExtractCase{"References", "<p>caf&eacute; &amp; &#x4E00;&#19968; A&nbsp;B &unknown; &#0;</p>",
                    "caf\xc3\xa9 & \xe4\xb8\x80\xe4\xb8\x80 A B &unknown; \xef\xbf\xbd"},
        ExtractCase{"WhiteSpaceCollapsed", "<p>  one\n\t two\xc2\xa0 three </p>", "one two three"},
        ExtractCase{"CdataIsText", "<p><![CDATA[x < y]]></p>", "x < y"},
        ExtractCase{"QuotedGreaterThanInAttribute", "<p title='a > b'>text</p>", "text"},
        ExtractCase{"PrefixedAndUpperCaseTags", "<xhtml:P>one</xhtml:P><DIV>two</DIV>", "one two"},
        ExtractCase{"AnUnclosedTagEndsTheText", "<p>ab<span class='x", "ab"},
        ExtractCase{"SelfClosedTitleKeepsTheBody", "<html><head><title/></head><body>xyz</body></html>", "xyz"}),
    [](const testing::TestParamInfo<ExtractCase>& extractCase) { return extractCase.param.name; });

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
