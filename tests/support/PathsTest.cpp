#include <gtest/gtest.h>

#include <filesystem>

#include "support/Paths.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Strings = std::vector<std::string>;

namespace {

// Records directory creations, throwing for every path that starts with "X"; the separator is the
// test's choice, so the Windows shapes of paths (drives, backslashes, shares) are checked here too.
struct RecordingFs : platform::FileSystem {
    explicit RecordingFs(char s) : sep(s) {}
    char sep;
    Strings created;
    char separator() const override { return sep; }
    platform::IoResult createDirectory(const std::string& path) override {
        created.push_back(path);
        if (path.starts_with("X")) throw std::runtime_error("device not ready");
        return platform::IoResult::success();
    }
    std::unique_ptr<platform::DirSearch> openSearch(const std::string&) override { return nullptr; }
    std::optional<platform::FileAttributes> attributes(const std::string&) override { return {}; }
    std::optional<platform::LocalDateTime> fileTime(const std::string&, platform::FileTimeKind) override { return {}; }
    platform::IoResult copyFile(const std::string&, const std::string&) override { return {}; }
    platform::IoResult removeFile(const std::string&) override { return {}; }
    platform::IoResult appendLine(const std::string&, const std::string&) override { return {}; }
};

}  // namespace

// CreatePath makes every level top down, skipping the root and drives, and goes on past failures.
TEST(Paths, OneSeparatorAddedOrStrippedAndEveryLevelCreated) {
    const std::tuple<char, const char*, const char*, const char*, Strings> cases[] = {  // path, added, stripped, created
        {'\\', "", "", "", {}}, {'\\', "   ", "   ", "   ", {"   "}}, {'\\', "C:", "C:\\", "C:", {"C:"}}, {'\\', "\\", "\\", "", {}},
        {'\\', "C:\\A\\B\\", "C:\\A\\B\\", "C:\\A\\B", {"C:\\A", "C:\\A\\B"}}, {'\\', "A\\B", "A\\B\\", "A\\B", {"A", "A\\B"}},
        {'\\', "C:\\Daten\\\\", "C:\\Daten\\\\", "C:\\Daten\\", {"C:\\Daten", "C:\\Daten\\"}},
        {'\\', "\\\\server\\share", "\\\\server\\share\\", "\\\\server\\share", {"\\", "\\\\server", "\\\\server\\share"}},
        {'\\', "X:\\A\\B", "X:\\A\\B\\", "X:\\A\\B", {"X:\\A", "X:\\A\\B"}},
        {'/', "/home/u/", "/home/u/", "/home/u", {"/home", "/home/u"}}, {'/', "/", "/", "/", {"/"}},  // the root stays
        {'/', "a\\", "a\\/", "a\\", {"a\\"}},
    };
    for (const auto& [sep, path, added, stripped, created] : cases) {
        RecordingFs rec(sep);
        TestEnv env(&rec);
        EXPECT_EQ(AddBackslash(path) + "|" + StripBackslash(path), std::string(added) + "|" + stripped) << path;
        EXPECT_TRUE(CreatePath(path));
        EXPECT_EQ(rec.created, created) << path;
    }
}

TEST(GetDataFolder, DiffersByHostAndLanguageAndExistsAfterwards) {
    TestEnv env;  // the German folder is where the command line's protocol goes
    env.ConnectHost("Microsoft Excel", "16.0", 1);
    EXPECT_EQ(GetDataFolder(), env.dir / "AppData/Veltrano/Excel Archiving Wizard/");
    EXPECT_TRUE(std::filesystem::is_directory(env.dir / "AppData/Veltrano/Excel Archiving Wizard"));
    EXPECT_EQ(env.ui.doEventsCalls, 1);
    EXPECT_EQ(GetSpecialFolder(12345), "");  // a folder the shell does not know
}
