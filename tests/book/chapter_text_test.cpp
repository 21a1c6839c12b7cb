#include "book/chapter_text.h"

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

} // namespace
} // namespace qm
