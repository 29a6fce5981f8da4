#include <gtest/gtest.h>

#include <filesystem>

#include "support/Paths.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Strings = std::vector<std::string>;

namespace {

// Records directory creations (each one throwing, if told); the separator is the test's choice,
// so the Windows shapes of paths (drives, backslashes, shares) are checked here too.
struct RecordingFs : platform::FileSystem {
    RecordingFs(char s, bool f) : sep(s), fail(f) {}
    char sep;
    bool fail;
    Strings created;
    char separator() const override { return sep; }
    platform::IoResult createDirectory(const std::string& path) override {
        created.push_back(path);
        if (fail) throw std::runtime_error("device not ready");
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

TEST(Paths, AddBackslashAddsAndStripBackslashRemovesOneSeparator) {
    const std::tuple<char, const char*, const char*, const char*> cases[] = {  // path, added, stripped
        {'\\', "", "", ""}, {'\\', "   ", "   ", "   "}, {'\\', "C:", "C:\\", "C:"}, {'\\', "\\", "\\", ""},
        {'\\', "C:\\Daten", "C:\\Daten\\", "C:\\Daten"}, {'\\', "C:\\Daten\\\\", "C:\\Daten\\\\", "C:\\Daten\\"},
        {'/', "/home/u/", "/home/u/", "/home/u"}, {'/', "/", "/", "/"}, {'/', "a\\", "a\\/", "a\\"},  // root stays
    };
    for (const auto& [sep, path, added, stripped] : cases) {
        RecordingFs rec(sep, false);
        TestEnv env(&rec);
        EXPECT_EQ(AddBackslash(path) + "|" + StripBackslash(path), std::string(added) + "|" + stripped) << path;
    }
}

TEST(CreatePath, CreatesEveryLevelTopDownSkippingRootsAndDrivesAndIgnoringFailures) {
    const std::tuple<char, bool, const char*, Strings> cases[] = {
        {'\\', false, "C:\\A\\B\\C\\", {"C:\\A", "C:\\A\\B", "C:\\A\\B\\C"}}, {'\\', false, "A\\B", {"A", "A\\B"}},
        {'\\', false, "\\\\server\\share\\x", {"\\", "\\\\server", "\\\\server\\share", "\\\\server\\share\\x"}},
        {'\\', true, "X:\\A\\B", {"X:\\A", "X:\\A\\B"}},
        {'/', false, "/a/b/", {"/a", "/a/b"}}, {'/', false, "", {}},
    };
    for (const auto& [sep, fail, path, created] : cases) {
        RecordingFs rec(sep, fail);
        TestEnv env(&rec);
        EXPECT_TRUE(CreatePath(path));
        EXPECT_EQ(rec.created, created) << path;
    }
}

TEST(GetDataFolder, DiffersByHostAndLanguageAndExistsAfterwards) {
    const std::tuple<const char*, std::int16_t, const char*> cases[] = {
        {"Microsoft Word", 0, "AppData/Veltrano/Word Archivierungs-Assistent/"},
        {"Microsoft Excel", 1, "AppData/Veltrano/Excel Archiving Wizard/"},
    };
    for (const auto& [host, lang, folder] : cases) {
        TestEnv env;
        env.ConnectHost(host, "16.0", lang);
        EXPECT_EQ(GetDataFolder(), env.dir / folder);
        EXPECT_TRUE(std::filesystem::is_directory(env.dir / folder));
        EXPECT_EQ(env.ui.doEventsCalls, 1);
        EXPECT_EQ(GetSpecialFolder(12345), "");  // a folder the shell does not know
    }
}
