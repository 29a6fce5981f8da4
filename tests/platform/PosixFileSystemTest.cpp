#include <fcntl.h>
#include <sys/mount.h>

#include <gtest/gtest.h>
#include <map>

#include "PosixTestUtil.h"
#include "platform/posix/PosixPorts.h"

using namespace ardeko::posixtest;
using namespace ardeko::platform;
using Stage = MoveResult::Stage;
namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr time_t kJune2008 = 1212480000, kJan2009 = 1230768000;

static LocalDateTime Local(time_t t) {
    tm p{};
    localtime_r(&t, &p);
    return {p.tm_year + 1900, p.tm_mon + 1, p.tm_mday, p.tm_hour, p.tm_min, p.tm_sec};
}

class PosixFileSystemTest : public ::testing::Test {
protected:
    // A file with this mode, last written in June 2008 and last read in January 2009.
    void Make(const std::string& name, const std::string& content, mode_t mode = 0640) {
        WriteFile(dir / name, content);
        chmod((dir / name).c_str(), mode);
        const timespec times[2] = {{kJan2009, 0}, {kJune2008, 0}};
        utimensat(AT_FDCWD, (dir / name).c_str(), times, 0);
    }
    // Whether a file still (or now) has the content, mode and last-write time Make gave it.
    void ExpectMade(const std::string& name, const std::string& content) {
        EXPECT_EQ(ReadFile(dir / name), content) << name;
        EXPECT_EQ(fs::status(dir / name).permissions(), fs::perms(0640)) << name;
        EXPECT_EQ(files->fileTime(dir / name, FileTimeKind::LastModified), Local(kJune2008)) << name;
    }
    ardeko::testkit::TempDir dir;
    std::unique_ptr<FileSystem> files = posix::MakePosixFileSystem();
};

// Plain files, folders and links to folders are covered by the archive walk over this file system.
TEST_F(PosixFileSystemTest, SpecialFilesAreListedAsSystemAndTimesComeBackLocal) {
    Make(".versteckt.doc", "x", 0444);
    fs::create_symlink(dir / "nirgends", dir / "Kaputt.doc");
    ASSERT_EQ(mkfifo((dir / "Rohr.doc").c_str(), 0666), 0);
    std::map<std::string, FileAttributes> found;
    DirEntry e;
    for (auto search = files->openSearch(dir.str()); search->next(e);) found[e.name] = e.attributes;
    ASSERT_EQ(found.size(), 3u);  // no "." or ".."
    EXPECT_TRUE(found[".versteckt.doc"].hidden && !found[".versteckt.doc"].system && files->attributes(dir / ".versteckt.doc")->readOnly);
    for (const char* odd : {"Kaputt.doc", "Rohr.doc"}) EXPECT_TRUE(found[odd].system && files->attributes(dir / odd)->system) << odd;
    EXPECT_FALSE(files->openSearch(dir / "Rohr.doc")->next(e) || files->attributes(dir / "fehlt"));
    EXPECT_EQ(files->fileTime(dir / ".versteckt.doc", FileTimeKind::LastAccessed), Local(kJan2009));
    // Creation: the birth time where the file system keeps one, else the last-write time.
    struct statx sx {};
    ASSERT_EQ(statx(AT_FDCWD, (dir / ".versteckt.doc").c_str(), 0, STATX_BTIME, &sx), 0);
    const bool birth = (sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0;
    EXPECT_EQ(files->fileTime(dir / ".versteckt.doc", FileTimeKind::Created), Local(birth ? sx.stx_btime.tv_sec : kJune2008));
}

TEST_F(PosixFileSystemTest, CopyReplacesTheTargetKeepingModeAndTimesOrLosesNothing) {
    Make("a.doc", "in\0halt"s);
    fs::create_directory(dir / "ziel");
    WriteFile(dir / "ziel/a.doc", "alt und länger");
    ASSERT_TRUE(files->copyFile(dir / "a.doc", dir / "ziel/a.doc"));
    ExpectMade("ziel/a.doc", "in\0halt"s);
    EXPECT_FALSE(files->copyFile(dir / "fehlt.doc", dir / "ziel/b.doc").error.empty());
    EXPECT_FALSE(files->copyFile(dir / "a.doc", dir / "fehlt/a.doc") || files->copyFile(dir / "ziel", dir / "ziel/c"));
    // A full disk of another file system keeps the old target and the source, and shows no half-written file.
    const std::string small = dir / "klein";  // 64 KiB (root only)
    fs::create_directory(small);
    if (geteuid() != 0 || mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "needs root";
    const struct Unmount { std::string at; ~Unmount() { umount2(at.c_str(), MNT_DETACH); } } unmount{small};
    ASSERT_TRUE(files->copyFile(dir / "a.doc", small + "/a.doc"));
    Make("gross.doc", std::string(200000, 'g'));
    EXPECT_FALSE(files->copyFile(dir / "gross.doc", small + "/a.doc"));
    EXPECT_EQ(files->moveFile(dir / "gross.doc", small + "/neu.doc").stage, Stage::CopyFailed);
    ExpectMade("klein/a.doc", "in\0halt"s);
    EXPECT_EQ(ReadFile(dir / "gross.doc").size(), 200000u);
    EXPECT_EQ(std::distance(fs::directory_iterator(small), {}), 1);
    // A source that cannot be deleted stays, beside its copy.
    Immutable locked(dir.str());
    if (!locked.ok) GTEST_SKIP() << "needs chattr";
    const auto stuck = files->moveFile(dir / "a.doc", dir / "ziel/a.doc");
    EXPECT_TRUE(stuck.stage == Stage::DeleteFailed && !stuck.error.empty());
    ExpectMade("a.doc", "in\0halt"s);
    ExpectMade("ziel/a.doc", "in\0halt"s);
}

TEST_F(PosixFileSystemTest, ProtocolFollowsTheFileByNameAndTheLocaleCodeSet) {
    const std::string path = dir / "Protokoll Word-Archivierung.txt";
    ASSERT_TRUE(files->appendLine(path, "erste"));
    fs::remove(path);  // a file deleted in between is made anew
    ASSERT_TRUE(files->appendLine(path, ""));
    ScopedEnv ascii("LC_ALL", "C");  // what ASCII lacks becomes '?'
    ASSERT_TRUE(posix::MakePosixFileSystem()->appendLine(path, "Größe"));
    EXPECT_EQ(ReadFile(path), "\r\nGr??e\r\n");
    EXPECT_FALSE(files->appendLine(dir / "fehlt/p.txt", "x").error.empty());
}
