#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>
#include <map>

#include "PosixTestUtil.h"
#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/TempDir.h"

using namespace ardeko;
using namespace ardeko::posixtest;
using platform::FileTimeKind;
using platform::LocalDateTime;
using platform::MoveResult;

namespace {

std::map<std::string, platform::FileAttributes> List(platform::FileSystem& fs, const std::string& folder) {
    std::map<std::string, platform::FileAttributes> found;
    auto search = fs.openSearch(folder);
    platform::DirEntry e;
    while (search->next(e)) found[e.name] = e.attributes;
    return found;
}

LocalDateTime Local(time_t t) {
    tm parts{};
    localtime_r(&t, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

void SetTimes(const std::string& path, time_t atime, time_t mtime) {
    const timespec times[2] = {{atime, 0}, {mtime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A tmpfs of a few kilobytes mounted on a folder, for real "disk full" failures (root only).
class TinyDisk {
public:
    explicit TinyDisk(const std::string& folder) : folder_(folder) {
        mounted_ = IsRoot() && mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~TinyDisk() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    TinyDisk(const TinyDisk&) = delete;
    TinyDisk& operator=(const TinyDisk&) = delete;
    bool ok() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

class PosixFileSystemTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::FileSystem> fs = platform::posix::MakePosixFileSystem();
    testkit::TempDir dir;
};

TEST_F(PosixFileSystemTest, ListingReportsOnlyPlainFilesAndFoldersAsUsable) {
    WriteFile(dir / "Bericht.doc", "x");
    WriteFile(dir / ".versteckt.doc", "x");
    std::filesystem::create_directory(dir / "Unterordner");
    std::filesystem::create_directory(dir / ".hidden-folder");
    std::filesystem::create_directory_symlink(dir / "Unterordner", dir / "LinkOrdner");
    std::filesystem::create_symlink(dir / "Bericht.doc", dir / "LinkDatei.doc");
    std::filesystem::create_symlink(dir / "nowhere", dir / "Kaputt.doc");
    std::filesystem::create_directory_symlink(dir.path(), dir / "Unterordner/Schleife");
    ASSERT_EQ(mkfifo((dir / "Rohr.doc").c_str(), 0666), 0);

    for (const std::string& folder : {dir.str(), dir.str() + "/"}) {
        auto found = List(*fs, folder);
        ASSERT_EQ(found.size(), 8u) << folder;
        EXPECT_FALSE(found.count(".") || found.count(".."));

        const auto& plain = found["Bericht.doc"];
        EXPECT_FALSE(plain.directory || plain.hidden || plain.system);
        EXPECT_TRUE(found["Unterordner"].directory);
        EXPECT_FALSE(found["Unterordner"].hidden || found["Unterordner"].system);
        EXPECT_TRUE(found[".versteckt.doc"].hidden);
        EXPECT_TRUE(found[".hidden-folder"].hidden && found[".hidden-folder"].directory);
        for (const char* odd : {"LinkOrdner", "LinkDatei.doc", "Kaputt.doc", "Rohr.doc"}) {
            EXPECT_TRUE(found[odd].system) << odd;
            EXPECT_FALSE(found[odd].directory) << odd;  // a linked folder is never entered
        }
    }
    // The loop inside the subfolder is listed as a link too, so a walk cannot follow it.
    EXPECT_TRUE(List(*fs, dir / "Unterordner")["Schleife"].system);
}

TEST_F(PosixFileSystemTest, FolderThatCannotBeListedGivesNothing) {
    WriteFile(dir / "datei.txt", "x");
    EXPECT_TRUE(List(*fs, dir / "gibt-es-nicht").empty());
    EXPECT_TRUE(List(*fs, dir / "datei.txt").empty());  // a file is no folder

    if (!IsRoot()) {
        std::filesystem::create_directory(dir / "gesperrt");
        WriteFile(dir / "gesperrt/a.txt", "x");
        chmod((dir / "gesperrt").c_str(), 0);
        EXPECT_TRUE(List(*fs, dir / "gesperrt").empty());
        chmod((dir / "gesperrt").c_str(), 0755);
    }
}

TEST_F(PosixFileSystemTest, AttributesDoNotFollowLinks) {
    WriteFile(dir / "a.txt", "x");
    chmod((dir / "a.txt").c_str(), 0444);
    std::filesystem::create_directory_symlink(dir.path(), dir / "link");

    auto file = fs->attributes(dir / "a.txt");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->readOnly);
    EXPECT_FALSE(file->directory || file->system || file->hidden);

    auto link = fs->attributes(dir / "link");
    ASSERT_TRUE(link);
    EXPECT_TRUE(link->system);
    EXPECT_FALSE(link->directory);

    auto folder = fs->attributes(dir.str() + "/");
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->directory);
    EXPECT_FALSE(folder->readOnly);

    EXPECT_TRUE(fs->attributes(dir / ".x") == std::nullopt);
    WriteFile(dir / ".x", "");
    EXPECT_TRUE(fs->attributes(dir / ".x")->hidden);
}

TEST_F(PosixFileSystemTest, FileTimesComeBackInLocalTime) {
    const std::string path = dir / "alt.doc";
    WriteFile(path, "x");
    const time_t mtime = 1212480000 + 3 * 3600 + 17;  // 3 June 2008, early morning UTC
    const time_t atime = 1230768000 + 12 * 3600;      // 1 January 2009, noon UTC
    SetTimes(path, atime, mtime);

    EXPECT_EQ(fs->fileTime(path, FileTimeKind::LastModified), Local(mtime));
    EXPECT_EQ(fs->fileTime(path, FileTimeKind::LastAccessed), Local(atime));

    // Creation: the birth time where the file system keeps one, else the last-write time.
    struct statx sx {};
    ASSERT_EQ(statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx), 0);
    const bool hasBirth = (sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0;
    const auto created = fs->fileTime(path, FileTimeKind::Created);
    ASSERT_TRUE(created);
    if (hasBirth) {
        EXPECT_EQ(*created, Local(static_cast<time_t>(sx.stx_btime.tv_sec)));
        EXPECT_NE(*created, Local(mtime));
    } else {
        EXPECT_EQ(*created, Local(mtime));
    }

    EXPECT_FALSE(fs->fileTime(dir / "weg.doc", FileTimeKind::LastModified));
    EXPECT_FALSE(fs->fileTime(dir / "weg.doc", FileTimeKind::Created));
}

TEST_F(PosixFileSystemTest, CopyKeepsContentModeAndTimesAndReplacesTarget) {
    const std::string from = dir / "Bericht.doc";
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    WriteFile(from, content);
    chmod(from.c_str(), 0640);
    SetTimes(from, 1230768000, 1212480000);
    std::filesystem::create_directory(dir / "ziel");
    const std::string to = dir / "ziel/Bericht.doc";
    WriteFile(to, "old and longer than nothing");

    ASSERT_TRUE(fs->copyFile(from, to));
    EXPECT_EQ(ReadFile(to), content);
    EXPECT_EQ(ReadFile(from), content);
    struct stat st {};
    ASSERT_EQ(stat(to.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtime, 1212480000);
    EXPECT_EQ(Names(dir / "ziel"), std::vector<std::string>{"Bericht.doc"});  // no temporary left
}

TEST_F(PosixFileSystemTest, FailedCopyLeavesNoTargetAndNoTemporary) {
    WriteFile(dir / "a.doc", "content");
    std::filesystem::create_directory(dir / "ziel");

    auto missing = fs->copyFile(dir / "fehlt.doc", dir / "ziel/a.doc");
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(fs->copyFile(dir / "a.doc", dir / "keinordner/a.doc"));
    EXPECT_FALSE(fs->copyFile(dir.str(), dir / "ziel/x"));  // a folder is not copied
    EXPECT_TRUE(Names(dir / "ziel").empty());
}

TEST_F(PosixFileSystemTest, CopyOntoFullDiskKeepsOldTargetAndLeavesNoTemporary) {
    std::filesystem::create_directory(dir / "klein");
    TinyDisk disk(dir / "klein");
    if (!disk.ok()) GTEST_SKIP() << "needs root to mount a small tmpfs";
    WriteFile(dir / "gross.doc", std::string(200000, 'g'));
    WriteFile(dir / "klein/gross.doc", "alte Fassung");

    auto copied = fs->copyFile(dir / "gross.doc", dir / "klein/gross.doc");
    EXPECT_FALSE(copied);
    EXPECT_FALSE(copied.error.empty());
    EXPECT_EQ(ReadFile(dir / "klein/gross.doc"), "alte Fassung");
    EXPECT_EQ(Names(dir / "klein"), std::vector<std::string>{"gross.doc"});

    // The same through a move: the source stays, nothing half-written appears.
    auto moved = fs->moveFile(dir / "gross.doc", dir / "klein/neu.doc");
    EXPECT_EQ(moved.stage, MoveResult::Stage::CopyFailed);
    EXPECT_EQ(ReadFile(dir / "gross.doc").size(), 200000u);
    EXPECT_EQ(Names(dir / "klein"), std::vector<std::string>{"gross.doc"});
}

TEST_F(PosixFileSystemTest, CopyIntoImmutableFolderFails) {
    WriteFile(dir / "a.doc", "content");
    std::filesystem::create_directory(dir / "ziel");
    Immutable locked(dir / "ziel");
    if (!locked.ok()) GTEST_SKIP() << "needs root and chattr";
    EXPECT_FALSE(fs->copyFile(dir / "a.doc", dir / "ziel/a.doc"));
    EXPECT_TRUE(Names(dir / "ziel").empty());
}

TEST_F(PosixFileSystemTest, MoveWithinOneFileSystem) {
    WriteFile(dir / "a.doc", "inhalt");
    SetTimes(dir / "a.doc", 1230768000, 1212480000);
    std::filesystem::create_directory(dir / "~~~ 2008");
    WriteFile(dir / "~~~ 2008/a.doc", "alt");

    auto moved = fs->moveFile(dir / "a.doc", dir / "~~~ 2008/a.doc");
    EXPECT_EQ(moved.stage, MoveResult::Stage::Done);
    EXPECT_FALSE(Exists(dir / "a.doc"));
    EXPECT_EQ(ReadFile(dir / "~~~ 2008/a.doc"), "inhalt");
    EXPECT_EQ(fs->fileTime(dir / "~~~ 2008/a.doc", FileTimeKind::LastModified), Local(1212480000));

    auto missing = fs->moveFile(dir / "a.doc", dir / "b.doc");
    EXPECT_EQ(missing.stage, MoveResult::Stage::CopyFailed);
    EXPECT_FALSE(missing.error.empty());
}

TEST_F(PosixFileSystemTest, MoveAcrossFileSystemsCopiesAndDeletes) {
    std::filesystem::create_directory(dir / "anders");
    TinyDisk disk(dir / "anders");
    if (!disk.ok()) GTEST_SKIP() << "needs root to mount a tmpfs";
    WriteFile(dir / "a.doc", "inhalt");
    chmod((dir / "a.doc").c_str(), 0600);
    SetTimes(dir / "a.doc", 1230768000, 1212480000);

    auto moved = fs->moveFile(dir / "a.doc", dir / "anders/a.doc");
    EXPECT_EQ(moved.stage, MoveResult::Stage::Done) << moved.error;
    EXPECT_FALSE(Exists(dir / "a.doc"));
    EXPECT_EQ(ReadFile(dir / "anders/a.doc"), "inhalt");
    struct stat st {};
    ASSERT_EQ(stat((dir / "anders/a.doc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_mtime, 1212480000);
}

TEST_F(PosixFileSystemTest, UndeletableSourceGivesDeleteFailedAndBothCopies) {
    std::filesystem::create_directory(dir / "quelle");
    std::filesystem::create_directory(dir / "ziel");
    WriteFile(dir / "quelle/a.doc", "inhalt");
    Immutable locked(dir / "quelle");
    if (!locked.ok()) GTEST_SKIP() << "needs root and chattr";

    auto moved = fs->moveFile(dir / "quelle/a.doc", dir / "ziel/a.doc");
    EXPECT_EQ(moved.stage, MoveResult::Stage::DeleteFailed);
    EXPECT_FALSE(moved.error.empty());
    EXPECT_EQ(ReadFile(dir / "quelle/a.doc"), "inhalt");
    EXPECT_EQ(ReadFile(dir / "ziel/a.doc"), "inhalt");
}

TEST_F(PosixFileSystemTest, AppendLineEndsLinesWithCrLfAcrossRuns) {
    const std::string path = dir / "Protokoll Word-Archivierung.txt";
    ASSERT_TRUE(fs->appendLine(path, "erste"));
    ASSERT_TRUE(fs->appendLine(path, ""));
    {
        auto second = platform::posix::MakePosixFileSystem();  // another run, same file
        ASSERT_TRUE(second->appendLine(path, "zweiter Lauf"));
    }
    ASSERT_TRUE(fs->appendLine(path, "dritte"));
    EXPECT_EQ(ReadFile(path), "erste\r\n\r\nzweiter Lauf\r\ndritte\r\n");
}

TEST_F(PosixFileSystemTest, DeletedOrReplacedProtocolIsBegunAnew) {
    const std::string path = dir / "p.txt";
    ASSERT_TRUE(fs->appendLine(path, "vorher"));
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_TRUE(fs->appendLine(path, "nachher"));
    EXPECT_EQ(ReadFile(path), "nachher\r\n");

    // Replaced by another file of the same name: the new file gets the line.
    ASSERT_EQ(rename(path.c_str(), (dir / "alt.txt").c_str()), 0);
    WriteFile(path, "neu\r\n");
    ASSERT_TRUE(fs->appendLine(path, "dazu"));
    EXPECT_EQ(ReadFile(path), "neu\r\ndazu\r\n");
    EXPECT_EQ(ReadFile(dir / "alt.txt"), "nachher\r\n");
}

TEST_F(PosixFileSystemTest, AppendLineToImpossiblePathFails) {
    auto r = fs->appendLine(dir / "fehlt/p.txt", "x");
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
    EXPECT_FALSE(fs->appendLine(dir.str(), "x"));  // a folder
}

TEST_F(PosixFileSystemTest, AppendLineWritesInTheLocaleCodeSet) {
    const std::string path = dir / "p.txt";
    {
        ScopedEnv utf8("LC_ALL", "C.UTF-8");
        ASSERT_TRUE(platform::posix::MakePosixFileSystem()->appendLine(path, "Prüfe Größe"));
    }
    {
        ScopedEnv plain("LC_ALL", "C");  // ASCII only: what it lacks becomes '?'
        ASSERT_TRUE(platform::posix::MakePosixFileSystem()->appendLine(path, "Prüfe Größe"));
    }
    EXPECT_EQ(ReadFile(path), "Prüfe Größe\r\nPr?fe Gr??e\r\n");
}

TEST(TextEncoder, ConvertsToSingleByteCodeSets) {
    platform::posix::TextEncoder latin1("ISO-8859-1");
    EXPECT_EQ(latin1.encode("Prüfe Größe"), "Pr\xFC"
                                             "fe Gr\xF6\xDF"
                                             "e");
    EXPECT_EQ(latin1.encode("Preis 5 € – ok"), "Preis 5 ? ? ok");
    EXPECT_EQ(latin1.encode("kaputt \xC3 und \x80\x80 weiter"), "kaputt ? und ? weiter");

    platform::posix::TextEncoder ascii("ANSI_X3.4-1968");
    EXPECT_EQ(ascii.encode("Überschreiben?"), "?berschreiben?");

    platform::posix::TextEncoder utf8("UTF-8");
    EXPECT_EQ(utf8.encode("Größe"), "Größe");

    platform::posix::TextEncoder unknown("KEIN-ZEICHENSATZ");
    EXPECT_EQ(unknown.encode("Ärger"), "?rger");
}

TEST_F(PosixFileSystemTest, LinesFromSeveralWritersArriveWhole) {
    const std::string path = dir / "p.txt";
    const std::string line(3000, 'x');
    constexpr int kWriters = 4;
    constexpr int kLines = 200;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            auto own = platform::posix::MakePosixFileSystem();
            const std::string mine = std::to_string(w) + line;
            for (int i = 0; i < kLines; ++i)
                if (!own->appendLine(path, mine)) _exit(1);
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string all = ReadFile(path);
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < all.size(); ++count) {
        const auto end = all.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string got = all.substr(pos, end - pos);
        ASSERT_EQ(got.size(), line.size() + 1);
        ASSERT_EQ(got.substr(1), line);
        pos = end + 2;
    }
    EXPECT_EQ(count, static_cast<std::size_t>(kWriters * kLines));
}

}  // namespace
