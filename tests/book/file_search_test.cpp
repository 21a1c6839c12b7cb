#include "book/file_search.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <filesystem>
#include <memory>

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

// The search takes entries in the order the file system lists them and searches a folder completely as soon
// as it reaches it, so the first top-level entry decides: a folder's deep match wins over a file listed after
// it. Ten such folders and one matching file make a search that looks at files first fail most of the time.
TEST(FindFileByPattern, SearchesASubfolderCompletelyBeforeTheEntriesAfterIt) {
    TempDir dir;
    for (int i = 0; i < 10; ++i) {
        WriteFile(dir / ("folder" + std::to_string(i) + "/deeper/x.ncx"), "");
    }
    WriteFile(dir / "top.ncx", "");
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(dir.path().c_str()), closedir);
    std::string first;
    while (const dirent* entry = readdir(listing.get())) {
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") {
            first = entry->d_name;
            break;
        }
    }
    const std::string expected =
        first == "top.ncx" ? (dir / "top.ncx").string() : (dir / first / "deeper/x.ncx").string();
    bool found = false;
    EXPECT_EQ(FindFileByPattern(dir.path().string() + "  ", ".ncx", found), expected);
    EXPECT_TRUE(found);
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
