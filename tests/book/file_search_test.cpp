#include "book/file_search.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qm {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(FindFileByPattern, MatchesLowerCasedNamesByContainment) {
    TempDir dir;
    WriteFile(dir / "OEBPS/TOC.NCX.bak", "");
    bool found = false;
    EXPECT_EQ(FindFileByPattern(dir.path().string(), ".ncx", found), (dir / "OEBPS/TOC.NCX.bak").string());
    EXPECT_TRUE(found);
    EXPECT_EQ(FindFileByPattern(dir.path().string(), ".opf", found), "");
    EXPECT_FALSE(found);
}

TEST(FindFileByPattern, SearchesASubfolderCompletelyBeforeTheEntriesAfterIt) {
    TempDir dir;
    WriteFile(dir / "a/b/deep.ncx", "");
    WriteFile(dir / "top.ncx", "");
    bool found = false;
    const std::string result = FindFileByPattern(dir.path().string() + "  ", ".ncx", found);
    ASSERT_TRUE(found);
    // Whichever entry the file system lists first wins; either way the result is a whole match, and the
    // folder argument's trailing spaces were trimmed.
    EXPECT_TRUE(result == (dir / "a/b/deep.ncx").string() || result == (dir / "top.ncx").string()) << result;
}

TEST(FindFileByPattern, IgnoresLinksAndMissingFolders) {
    TempDir dir;
    TempDir outside;
    WriteFile(outside / "escape.ncx", "");
    std::filesystem::create_directory_symlink(outside.path(), dir / "link");
    std::filesystem::create_symlink(outside / "escape.ncx", dir / "file-link.ncx");
    bool found = true;
    EXPECT_EQ(FindFileByPattern(dir.path().string(), ".ncx", found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(FindFileByPattern((dir / "missing").string(), ".ncx", found), "");
    EXPECT_FALSE(found);
}

TEST(FileNameWithoutExt, CutsAtTheFirstOccurrenceOfTheExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/books/Alice.epub", "Alice"}, {"/books/a.epub.b.epub", "a"}, {"/books/README", ""},
        {"/books.d/README", ""},        {"Tale.epub", "Tale"},         {"/books/.hidden", ""},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(FileNameWithoutExt(path), expected) << path;
    }
}

} // namespace
} // namespace qm
