#include "book/book_paths.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(ResolveHref, JoinsAndNormalisesRelativeHrefs) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"xhtml/", "page1.xhtml", "xhtml/page1.xhtml"},   {"xhtml/", "../images/p.jpg", "images/p.jpg"},
        {"", "./Text/ch1.xhtml#s2", "Text/ch1.xhtml#s2"}, {"a/b/", "../../../x.html", "../x.html"},
        {"nav/", "ch%201.xhtml", "nav/ch%201.xhtml"},
    };
    for (const auto& [base, href, expected] : cases) {
        EXPECT_EQ(ResolveHref(base, href), expected) << base << " + " << href;
    }
}

TEST(BookPaths, PercentDecodingAndContainment) {
    EXPECT_EQ(PercentDecode("a%20b%2Fc%zz%4"), "a b/c%zz%4");
    EXPECT_TRUE(StaysInside("OPS/package.opf"));
    EXPECT_TRUE(StaysInside("OPS/../content.opf"));
    EXPECT_FALSE(StaysInside("../content.opf"));
    EXPECT_FALSE(StaysInside("OPS/../../content.opf"));
    EXPECT_FALSE(StaysInside("/etc/passwd"));
    EXPECT_FALSE(StaysInside(""));
    // "?" and "#" are ordinary characters of a file path, not the start of a query that hides a climb.
    EXPECT_FALSE(StaysInside("x?../../../secret.xml"));
    EXPECT_FALSE(StaysInside("x#../../../secret.xml"));
    EXPECT_TRUE(StaysInside("x?../../secret.xml"));
}

} // namespace
} // namespace qm
