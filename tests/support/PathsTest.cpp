#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/Module.h"
#include "support/Paths.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
namespace fs = std::filesystem;

namespace {

// Records directory creations; the separator is chosen by the test, so the Windows shapes of
// paths (drive roots, backslashes) can be checked here as well.
class RecordingFs : public platform::FileSystem {
public:
    explicit RecordingFs(char sep) : sep_(sep) {}
    std::vector<std::string> created;
    bool fail = false;

    char separator() const override { return sep_; }
    std::unique_ptr<platform::DirSearch> openSearch(const std::string&) override { return nullptr; }
    std::optional<platform::FileAttributes> attributes(const std::string&) override { return std::nullopt; }
    std::optional<platform::LocalDateTime> fileTime(const std::string&, platform::FileTimeKind) override {
        return std::nullopt;
    }
    platform::IoResult createDirectory(const std::string& path) override {
        created.push_back(path);
        if (fail) throw std::runtime_error("device not ready");
        return platform::IoResult::success();
    }
    platform::IoResult copyFile(const std::string&, const std::string&) override { return {}; }
    platform::IoResult removeFile(const std::string&) override { return {}; }
    platform::IoResult appendLine(const std::string&, const std::string&) override { return {}; }

private:
    char sep_;
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(AddBackslash, AppendsOneSeparatorToNonBlankPaths) {
    RecordingFs windows('\\');
    TestEnv env(&windows);
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"   ", "   "}, {"C:\\Daten", "C:\\Daten\\"}, {"C:\\Daten\\", "C:\\Daten\\"},
        {" x ", " x \\"}, {"C:", "C:\\"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(AddBackslash(in), out) << '"' << in << '"';
}

TEST(AddBackslash, UsesThePlatformSeparator) {
    TestEnv env;
    EXPECT_EQ(AddBackslash("/home/u"), "/home/u/");
    EXPECT_EQ(AddBackslash("/home/u/"), "/home/u/");
    EXPECT_EQ(AddBackslash("/"), "/");
}

TEST(StripBackslash, RemovesExactlyOneTrailingSeparator) {
    {
        RecordingFs windows('\\');
        TestEnv env(&windows);
        const std::pair<const char*, const char*> cases[] = {
            {"C:\\Daten\\", "C:\\Daten"}, {"C:\\Daten\\\\", "C:\\Daten\\"}, {"C:\\", "C:"},
            {"C:\\Daten", "C:\\Daten"},   {"", ""},                          {"\\", ""},
        };
        for (const auto& [in, out] : cases) EXPECT_EQ(StripBackslash(in), out) << in;
    }
    TestEnv env;
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/", "/home/u"}, {"/home/u//", "/home/u/"}, {"/home/u", "/home/u"},
        {"/", "/"},  // the root stays a folder
        {"", ""},    {"a\\", "a\\"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(StripBackslash(in), out) << in;
}

TEST(CreatePath, CreatesEveryLevelTopDownAndSkipsRootsAndDrives) {
    struct Case {
        char sep;
        const char* path;
        Strings created;
    };
    const Case cases[] = {
        {'\\', "C:\\A\\B\\C\\", {"C:\\A", "C:\\A\\B", "C:\\A\\B\\C"}},
        {'\\', "C:\\A", {"C:\\A"}},
        {'\\', "A\\B", {"A", "A\\B"}},
        {'\\', "\\\\server\\share\\x", {"\\", "\\\\server", "\\\\server\\share", "\\\\server\\share\\x"}},
        {'/', "/a/b/c/", {"/a", "/a/b", "/a/b/c"}},
        {'/', "rel/x", {"rel", "rel/x"}},
        {'/', "", {}},
    };
    for (const Case& c : cases) {
        RecordingFs rec(c.sep);
        TestEnv env(&rec);
        EXPECT_TRUE(CreatePath(c.path));
        EXPECT_EQ(rec.created, c.created) << c.path;
    }
}

TEST(CreatePath, IgnoresEveryFailingLevel) {
    RecordingFs rec('\\');
    rec.fail = true;
    TestEnv env(&rec);
    EXPECT_TRUE(CreatePath("X:\\A\\B"));
    EXPECT_EQ(rec.created, (Strings{"X:\\A", "X:\\A\\B"}));
}

TEST(CreatePath, CreatesNestedFoldersOnDiskAndAgainIsHarmless) {
    TestEnv env;
    const std::string target = env.dir / "A/B/C/";
    EXPECT_TRUE(CreatePath(target));
    EXPECT_TRUE(fs::is_directory(env.dir / "A/B/C"));
    EXPECT_TRUE(CreatePath(target));
    EXPECT_TRUE(fs::is_directory(env.dir / "A/B/C"));
}

TEST(CreatePath, BelowARegularFileCreatesNothingAndStillSucceeds) {
    TestEnv env;
    std::ofstream(env.dir / "file.txt") << "x";
    EXPECT_TRUE(CreatePath(env.dir / "file.txt/sub/deeper"));
    EXPECT_TRUE(fs::is_regular_file(env.dir / "file.txt"));
    EXPECT_FALSE(fs::exists(env.dir / "file.txt/sub"));
}

TEST(CreatePath, CreatesWhatItCanBesideAnImmutableFolder) {
    TestEnv env;
    const std::string locked = env.dir / "locked";
    fs::create_directory(locked);
    const std::string lock = "chattr +i '" + locked + "' 2>/dev/null";
    if (geteuid() != 0 || std::system(lock.c_str()) != 0) GTEST_SKIP() << "needs root and chattr";
    struct Unlock {
        std::string cmd;
        ~Unlock() { [[maybe_unused]] int rc = std::system(cmd.c_str()); }
    } unlock{"chattr -i '" + locked + "'"};

    EXPECT_TRUE(CreatePath(locked + "/inner/deeper"));
    EXPECT_FALSE(fs::exists(locked + "/inner"));
    EXPECT_TRUE(CreatePath(env.dir / "free/x"));  // other paths are not affected
    EXPECT_TRUE(fs::is_directory(env.dir / "free/x"));
}

TEST(GetSpecialFolder, AsksTheShellAndGivesEmptyForAnUnknownFolder) {
    TestEnv env;
    EXPECT_EQ(GetSpecialFolder(platform::CSIDL_APPDATA_), env.dir / "AppData");
    EXPECT_EQ(GetSpecialFolder(12345), "");
}

TEST(GetDataFolder, DiffersByHostAndLanguageAndExistsAfterwards) {
    struct Case {
        const char* host;
        std::int16_t lang;
        const char* folder;
    };
    const Case cases[] = {
        {"Microsoft Word", 0, "Word Archivierungs-Assistent"},
        {"Microsoft Word", 1, "Word Archiving Wizard"},
        {"Microsoft Excel", 1, "Excel Archiving Wizard"},
        {"Microsoft Access", 0, "Access Archivierungs-Assistent"},
    };
    for (const Case& c : cases) {
        TestEnv env;
        env.ConnectHost(c.host, "16.0", c.lang);
        const long pumped = env.ui.doEventsCalls;
        const std::string expected = env.dir / ("AppData/Veltrano/" + std::string(c.folder) + "/");
        EXPECT_EQ(GetDataFolder(), expected);
        EXPECT_TRUE(fs::is_directory(expected));
        EXPECT_EQ(env.ui.doEventsCalls, pumped + 1);
    }
}

TEST(GetDataFolder, IsRelativeWithoutTheApplicationDataFolder) {
    TestEnv env;
    env.ConnectHost("Microsoft Word");
    env.shell.specialFolders.clear();
    const fs::path before = fs::current_path();
    fs::current_path(env.dir.path());
    const std::string folder = GetDataFolder();
    const bool created = fs::is_directory(env.dir / "Veltrano/Word Archivierungs-Assistent");
    fs::current_path(before);
    EXPECT_EQ(folder, "Veltrano/Word Archivierungs-Assistent/");
    EXPECT_TRUE(created);
}
