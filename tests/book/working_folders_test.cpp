#include "book/working_folders.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { hadOld_ ? setenv(name_, old_.c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

TEST(GetLocalAppDataPath, PrefersAnAbsoluteXdgDataHomeElseHome) {
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/home/");
        EXPECT_EQ(GetLocalAppDataPath(), "/data/home");
    }
    ScopedEnv home("HOME", "/home/reader");
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(GetLocalAppDataPath(), "/home/reader/.local/share");
    }
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(GetLocalAppDataPath(), "/home/reader/.local/share");
    {
        // Without $HOME the account's home folder is used: never a path relative to the current folder.
        ScopedEnv noHome("HOME", nullptr);
        EXPECT_EQ(GetLocalAppDataPath().front(), '/');
        EXPECT_TRUE(GetLocalAppDataPath().ends_with("/.local/share"));
    }
    EXPECT_EQ(ComposeWorkingFolders("/b").tempDir, "/b/QMK/tempDir");
    EXPECT_EQ(ComposeWorkingFolders("/b").tempJPG, "/b/QMK/tempJPG");
}

TEST(ResetFolder, EmptiesAnExistingFolderAndCreatesMissingParents) {
    TempDir dir;
    const WorkingFolders folders = ComposeWorkingFolders(dir.path().string());
    ResetFolder(folders.tempDir);
    EXPECT_TRUE(fs::is_directory(folders.tempDir));
    WriteFile(fs::path(folders.tempDir) / "old/chapter.html", "x");
    ResetFolder(folders.tempDir);
    EXPECT_TRUE(fs::is_empty(folders.tempDir));
    EXPECT_TRUE(DeleteFolder(folders.tempDir));
    EXPECT_FALSE(fs::exists(folders.tempDir));
    EXPECT_TRUE(fs::is_directory(dir / "QMK"));
}

TEST(ResetFolder, RemovesALinkWithoutTouchingItsTarget) {
    TempDir dir;
    TempDir target;
    WriteFile(target / "keep.txt", "kept");
    const fs::path link = dir / "tempDir";
    fs::create_directory_symlink(target.path(), link);
    ResetFolder(link.string());
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(link)));
    EXPECT_TRUE(fs::exists(target / "keep.txt"));
}

} // namespace
} // namespace qm
