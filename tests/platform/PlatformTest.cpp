// The ports of this system: the Linux ones against the real machine (files, environment variables set
// for one test, the root-only ways to make the file system fail for real), and the wildcard match.
#include <locale.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"
#include "platform/Utf8Text.h"
#include "testkit/TempDir.h"

using namespace ardeko::platform;
using posix::MakePosixSettings;
using Stage = MoveResult::Stage;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

using ardeko::testkit::ReadFile;
using ardeko::testkit::WriteFile;

// Sets (or, with nothing, unsets) an environment variable for the lifetime of the object.
struct ScopedEnv {
    ScopedEnv(std::string n, const std::optional<std::string>& value) : name(std::move(n)), saved(Get()) { Set(value); }
    std::optional<std::string> Get() const { return std::getenv(name.c_str()) ? std::optional<std::string>(std::getenv(name.c_str())) : std::nullopt; }
    ~ScopedEnv() { Set(saved); }
    void Set(const std::optional<std::string>& v) { v ? setenv(name.c_str(), v->c_str(), 1) : unsetenv(name.c_str()); }
    std::string name;
    std::optional<std::string> saved;
};

// Makes a path immutable (root only) and lifts that again, so that the temporary folder can go.
struct Immutable {
    explicit Immutable(std::string p) : path(std::move(p)), ok(geteuid() == 0 && Chattr('+')) {}
    ~Immutable() { if (ok) Chattr('-'); }
    bool Chattr(char sign) const { return std::system(("chattr " + std::string(1, sign) + "i '" + path + "'").c_str()) == 0; }
    std::string path;
    bool ok;
};

// HOME and the XDG folders point into a temporary folder for one test (not to the defaults
// below HOME, so that a test can tell them apart).
struct TempHome {
    ardeko::testkit::TempDir dir;
    std::string home = dir.str(), config = dir / "konfig", data = dir / "daten";
    ScopedEnv homeEnv{"HOME", home}, configEnv{"XDG_CONFIG_HOME", config}, dataEnv{"XDG_DATA_HOME", data};
};

}  // namespace

TEST(PosixClock, FormatsOfTheEnvironmentsLocaleElseC) {
    const struct { const char *locale, *grouped, *min, *date; } cases[] = {
        {"xx_YY.UTF-8", "123456", "-9223372036854775808", "06/03/08"},  // a missing locale counts as "C"
        {"de_DE.UTF-8", "123.456", "-9.223.372.036.854.775.808", "03.06.2008"},
    };
    for (const auto& c : cases) {
        if (locale_t l = newlocale(LC_ALL_MASK, c.locale, locale_t{}); l != locale_t{}) freelocale(l);
        else if (c.locale[0] == 'd') GTEST_SKIP() << "de_DE.UTF-8 is not installed (./run installs it)";
        ScopedEnv all("LC_ALL", c.locale);
        auto clock = posix::MakePosixClock();
        EXPECT_EQ(clock->FormatGrouped(123456) + " " + clock->FormatGrouped(INT64_MIN), c.grouped + std::string(" ") + c.min);
        // At midnight the date alone.
        EXPECT_EQ(clock->FormatGeneralDate({2008, 6, 3, 0, 0, 0}) + "|" + clock->FormatGeneralDate({2008, 6, 3, 0, 0, 1}),
                  c.date + std::string("|") + c.date + " 00:00:01");
    }
}

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
        ardeko::testkit::MakeFile(dir / name, content, Local(kJune2008), Local(kJan2009));
        chmod((dir / name).c_str(), mode);
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
    const auto stuck = files->moveFile(dir / "a.doc", dir / "ziel/a.doc", MoveMode::ReplaceExisting);
    EXPECT_TRUE(stuck.stage == Stage::DeleteFailed && !stuck.error.empty());
    ExpectMade("a.doc", "in\0halt"s);
    ExpectMade("ziel/a.doc", "in\0halt"s);
}

// A move into a folder below the file's own is placed relative to folders opened without
// following links: a link named like the archive folder, there before the move or put there
// after the walk looked, can never carry the file out of the tree.
TEST_F(PosixFileSystemTest, MoveIntoItsOwnFolderNeverFollowsALink) {
    ardeko::testkit::TempDir outside;
    const struct { const char* name; std::function<void()> prepare; std::string target; bool moves; } cases[] = {
        {"real folders", [&] { fs::create_directories(dir / "~~~ 2008/~~~ 06 Juni"); }, "~~~ 2008/~~~ 06 Juni/a.doc", true},
        {"year link", [&] { fs::create_directory_symlink(outside.str(), dir / "~~~ 2008"); }, "~~~ 2008/a.doc", false},
        {"month link", [&] { fs::create_directory(dir / "~~~ 2008"), fs::create_directory_symlink(outside.str(), dir / "~~~ 2008/~~~ 06 Juni"); },
         "~~~ 2008/~~~ 06 Juni/a.doc", false},
        {"file", [&] { WriteFile(dir / "~~~ 2008", "kein Ordner"); }, "~~~ 2008/a.doc", false},
        {"dangling link", [&] { fs::create_directory_symlink(outside / "fehlt", dir / "~~~ 2008"); }, "~~~ 2008/a.doc", false},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir / "~~~ 2008");
        Make("a.doc", "inhalt");
        c.prepare();
        const auto moved = files->moveFile(dir / "a.doc", dir / c.target);
        EXPECT_EQ(moved.stage, c.moves ? Stage::Done : Stage::CopyFailed) << c.name;
        if (c.moves) {
            ExpectMade(c.target, "inhalt");
            EXPECT_FALSE(fs::exists(dir / "a.doc")) << c.name;
        } else {
            ExpectMade("a.doc", "inhalt");
            EXPECT_NE(moved.error.find("ist kein Ordner"), std::string::npos) << c.name << ": " << moved.error;
        }
        EXPECT_TRUE(fs::is_empty(outside.str())) << c.name;
    }
    // Another file system mounted as the archive folder: copied there, then deleted here.
    fs::remove_all(dir / "~~~ 2008");
    fs::create_directory(dir / "~~~ 2008");
    Make("a.doc", "inhalt");
    if (geteuid() != 0 || mount("tmpfs", (dir / "~~~ 2008").c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "needs root";
    const struct Unmount { std::string at; ~Unmount() { umount2(at.c_str(), MNT_DETACH); } } unmount{dir / "~~~ 2008"};
    EXPECT_EQ(files->moveFile(dir / "a.doc", dir / "~~~ 2008/a.doc").stage, Stage::Done);
    ExpectMade("~~~ 2008/a.doc", "inhalt");
    EXPECT_FALSE(fs::exists(dir / "a.doc"));
}

// Both roads, the rename and (into another file system) the copy: NoReplace never takes the
// place of a file, ReplaceExisting does, and a copy that fails or is killed leaves the old file
// and no file under the final name.
TEST_F(PosixFileSystemTest, MoveReplacesOnlyWhenAskedAndOnlyWithAWholeFile) {
    for (const bool copyRoad : {false, true}) {
        SCOPED_TRACE(copyRoad ? "copy" : "rename");
        fs::remove_all(dir / "ziel");
        fs::create_directory(dir / "ziel");
        if (copyRoad && (geteuid() != 0 || mount("tmpfs", (dir / "ziel").c_str(), "tmpfs", 0, "size=256k") != 0)) GTEST_SKIP() << "needs root";
        const struct Unmount { std::string at; bool on; ~Unmount() { if (on) umount2(at.c_str(), MNT_DETACH); } } unmount{dir / "ziel", copyRoad};
        Make("a.doc", "neu");
        WriteFile(dir / "ziel/a.doc", "alt");
        const auto refused = files->moveFile(dir / "a.doc", dir / "ziel/a.doc");
        EXPECT_EQ(refused.stage, Stage::CopyFailed);
        EXPECT_EQ(refused.error, kTargetExistsText);
        EXPECT_EQ(ReadFile(dir / "a.doc") + ReadFile(dir / "ziel/a.doc"), "neualt");
        EXPECT_EQ(files->moveFile(dir / "a.doc", dir / "ziel/a.doc", MoveMode::ReplaceExisting).stage, Stage::Done);
        ExpectMade("ziel/a.doc", "neu");
        if (!copyRoad) continue;
        // Too big for what is left: the old file stays, and nothing else is left behind.
        Make("gross.doc", std::string(300000, 'g'));
        EXPECT_EQ(files->moveFile(dir / "gross.doc", dir / "ziel/a.doc", MoveMode::ReplaceExisting).stage, Stage::CopyFailed);
        ExpectMade("ziel/a.doc", "neu");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "ziel"), {}), 1);
        // Killed in the middle of a copy: only the temporary, which names its file and its
        // writer, who is gone.
        const std::string far = dir / "weit", big(32 << 20, 'g');
        fs::create_directory(far);
        ASSERT_EQ(mount("tmpfs", far.c_str(), "tmpfs", 0, "size=64m"), 0);
        const Unmount unmountFar{far, true};
        Make("gross.doc", big);
        const pid_t child = fork();
        if (child == 0) {
            ::raise(SIGSTOP);
            posix::MakePosixFileSystem()->moveFile(dir / "gross.doc", far + "/gross.doc");
            _exit(0);
        }
        waitpid(child, nullptr, WUNTRACED);
        kill(child, SIGCONT);
        std::string temp;
        for (int i = 0; i < 1000000 && temp.empty(); ++i)
            for (const auto& e : fs::directory_iterator(far)) temp = e.path().filename();
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_FALSE(temp.empty());
        const auto owner = ParseTempCopyName(temp);
        if (owner) {  // caught while copying (else too late: then the file is whole)
            EXPECT_EQ(owner->finalName + " " + std::to_string(owner->process), "gross.doc " + std::to_string(child));
            EXPECT_FALSE(fs::exists(far + "/gross.doc"));
            EXPECT_TRUE(files->temporaryAbandoned(far + "/" + temp, *owner));
            EXPECT_FALSE(files->temporaryAbandoned(far + "/" + temp, {owner->machine + "x", owner->process, ""}));
            EXPECT_EQ(ReadFile(dir / "gross.doc"), big);
        } else {
            EXPECT_EQ(ReadFile(far + "/gross.doc"), big);
        }
    }
}

TEST(TempCopyName, NamesItsFileAndWriterAndIsReadBack) {
    const auto name = MakeTempCopyName({"pc~7/a", 4711, "Bericht ~ 1.doc"}, 0xbeef);
    EXPECT_EQ(name, ".ardeko~pc7a~4711~0000beef~Bericht ~ 1.doc");
    const auto back = ParseTempCopyName(name);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->machine + "|" + std::to_string(back->process) + "|" + back->finalName, "pc7a|4711|Bericht ~ 1.doc");
    EXPECT_EQ(ParseTempCopyName(MakeTempCopyName({"pc", 1, std::string(240, 'x')}, 1))->finalName, "");  // too long to carry
    for (const char* other : {"Bericht.doc", ".ardeko~pc~x~0000beef~a", ".ardeko~pc~1~beef~a", ".ardeko-copy-1-0"})
        EXPECT_FALSE(ParseTempCopyName(other)) << other;
}

TEST_F(PosixFileSystemTest, ProtocolFollowsTheFileByNameInUtf8WhateverTheLocale) {
    const std::string path = dir / "Protokoll Word-Archivierung.txt";
    ASSERT_TRUE(files->appendLine(path, "erste"));
    fs::remove(path);  // a file deleted in between is made anew
    ASSERT_TRUE(files->appendLines(path, {"", "zweite"}));
    ScopedEnv ascii("LC_ALL", "C");  // file names are UTF-8 on Linux, so the protocol is too
    ASSERT_TRUE(posix::MakePosixFileSystem()->appendLine(path, "Größe"));
    EXPECT_EQ(ReadFile(path), "\nzweite\nGröße\n");
    EXPECT_FALSE(files->appendLine(dir / "fehlt/p.txt", "x").error.empty());
}

// Every protocol line stays one line of valid UTF-8, and two different names never read alike.
TEST(VisibleText, EscapesWhatALineCannotHoldAndNothingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {"Größe € 𝄞.doc", "Größe € 𝄞.doc"},
        {"zwei\nZeilen.doc", "zwei\\x0AZeilen.doc"},
        {"a\rb\tc\x7F", "a\\x0Db\\x09c\\x7F"},
        {"C:\\x0A.doc", "C:\\\\x0A.doc"},  // a real backslash cannot pass for an escape
        {"\xC3(\xFF\xE2\x82", "\\xC3(\\xFF\\xE2\\x82"},  // cut and stray bytes
        {"\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80", "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},  // overlong, surrogate, too large
        {"\xC2\x85", "\\xC2\\x85"},  // NEL, a C1 control
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(ardeko::platform::VisibleText(name), shown);
        EXPECT_TRUE(ardeko::platform::IsValidUtf8(ardeko::platform::VisibleText(name)));
    }
}

constexpr auto HKCU = HKEY_CURRENT_USER_, HKLM = HKEY_LOCAL_MACHINE_, KEY_READ_ = 0x20019u;
const std::string kKey = "Software\\Veltrano\\OffArdeko";

class PosixRegistryTest : public ::testing::Test {
protected:
    // "type:data" of a value (text with its NUL), else "key" or "value" and the error code.
    std::string Query(std::uint32_t hive, const std::string& key, const std::string& name,
                      std::uint32_t access = KEY_READ_, std::uint32_t capacity = 10000) {
        RegHandle h = 0;
        if (const long rc = reg->OpenKeyEx(hive, key, access, h); rc != ERROR_SUCCESS_) return "key " + std::to_string(rc);
        std::uint32_t type = 0, size = 0;
        std::string data;
        const long rc = reg->QueryValueEx(h, name, capacity, type, data, size);
        EXPECT_TRUE(reg->CloseKey(h) == ERROR_SUCCESS_ && reg->CloseKey(h) == ERROR_INVALID_HANDLE_);
        if (rc != ERROR_SUCCESS_) return "value " + std::to_string(rc) + (size ? " size " + std::to_string(size) : "");
        return std::to_string(type) + ":" + data + (size == data.size() ? "" : " size " + std::to_string(size));
    }
    TempHome home;
    std::string user = home.config + "/Veltrano/HKEY_CURRENT_USER.reg", machine = home.dir / "HKEY_LOCAL_MACHINE.reg";
    ScopedEnv machineEnv{"ARDEKO_MACHINE_REGISTRY", home.home}, noDocs{"XDG_CONFIG_DIRS", home.dir / "none"};
    bool userFolder = std::filesystem::create_directories(home.config + "/Veltrano");  // where the user hive goes
    std::unique_ptr<Registry> reg = posix::MakePosixRegistry();
};

TEST_F(PosixRegistryTest, ReadsRegedit4Values) {
    WriteFile(user, "REGEDIT4\r\n\r\n; a comment\r\n[HKEY_CURRENT_USER\\" + kKey + "]\r\n"
                    "\"Doku\"=\"C:\\\\Programme\\\\Handbuch \\\"neu\\\".pdf\"\r\n@=\"Standard\"\r\n\"Zahl\"=dword:0000002a\r\n"
                    "\"Pfad\"=hex(2):25,57,49,4e,44,49,52,25,5c,\\\r\n  e4,00\r\n\"Gr\xF6\xDF" "e\"=\"\xC4rger\"\r\n"
                    "\"Weg\"=\"x\"\r\n\"Weg\"=-\r\n[HKEY_LOCAL_MACHINE\\Software\\Fremd]\r\n\"x\"=\"y\"\r\n"
                    "[HKCU\\A\\B]\r\n\"v\"=\"1\"\r\n[HKCU\\A\\C]\r\n\"v\"=\"2\"\r\n[-HKEY_CURRENT_USER\\A\\B]\r\n");
    const struct { std::string key, name, result; } cases[] = {
        {kKey, "Doku", "1:C:\\Programme\\Handbuch \"neu\".pdf\0"s}, {kKey, "", "1:Standard\0"s}, {kKey, "Zahl", "4:\x2a\0\0\0"s},
        {"software\\VELTRANO\\offardeko\\", "DOKU", "1:C:\\Programme\\Handbuch \"neu\".pdf\0"s}, {kKey, "Weg", "value 2"},
        {kKey, "Pfad", "2:%WINDIR%\\ä\0"s}, {kKey, "Größe", "1:Ärger\0"s},  // Windows-1252 in the file
        {"Software\\Veltrano", "x", "value 2"}, {"Software\\Velt", "x", "key 2"},  // keys on the way to a listed key exist
        {"A\\B", "v", "key 2"}, {"A\\C", "v", "1:2\0"s}, {"Software\\Fremd", "x", "key 2"},  // nor does another root's section
    };
    for (const auto& c : cases) EXPECT_EQ(Query(HKCU, c.key, c.name), c.result) << c.key << " " << c.name;
    EXPECT_EQ(Query(HKCU, kKey, "", KEY_READ_, 9) + "|" + Query(HKCU, kKey, "", KEY_READ_, 8), "1:Standard\0|value 234 size 9"s);
    // The buffer counts characters: "Ärger" and its NUL are six, in seven bytes.
    EXPECT_EQ(Query(HKCU, kKey, "Größe", KEY_READ_, 6) + "|" + Query(HKCU, kKey, "Größe", KEY_READ_, 5), "1:Ärger\0|value 234 size 7"s);
    EXPECT_EQ(Query(HKLM, "Software\\Fremd", "x"), "key 2");
}

TEST_F(PosixRegistryTest, MachineHiveInUtf16OrUtf8MissingBrokenOrUnwritable) {
    EXPECT_EQ(Query(HKLM, kKey, "Doku"), "key 2");
    WriteFile(machine, "[HKEY_LOCAL_MACHINE\\" + kKey + "]\n\"Doku\"=\"/d\"\n");  // no header line
    EXPECT_EQ(Query(HKLM, kKey, "Doku") + "|" + Query(0x80000003u, kKey, "Doku"), "key 2|key 6");
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kKey + "]\r\n"
                             "\"Doku\"=\"C:\\\\Dokumentation für Word.pdf\"\r\n\"Pfad\"=hex(2):25,00,50,00,5c,00,e4,00,00,00\r\n";
    WriteFile(machine, "\xFF\xFE" + posix::TextEncoder("UTF-16LE").encode(text));
    EXPECT_EQ(Query(HKLM, kKey, "Doku", KEY_ALL_ACCESS_), "1:C:\\Dokumentation für Word.pdf\0"s);
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);
    WriteFile(home.dir / "anders.reg", text);  // UTF-8, in a file named directly
    ScopedEnv direct("ARDEKO_MACHINE_REGISTRY", home.dir / "anders.reg");
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);
    Immutable locked(home.dir / "anders.reg");
    if (!locked.ok) GTEST_SKIP() << "needs root and chattr";
    EXPECT_EQ(Query(HKLM, kKey, "Doku", KEY_ALL_ACCESS_) + "|" + Query(HKLM, "Software\\Nichts", "Doku", KEY_ALL_ACCESS_), "key 5|key 2");
    EXPECT_EQ(Query(HKLM, kKey, "Pfad"), "2:%P\\ä\0"s);  // reading alone is allowed
}

TEST_F(PosixRegistryTest, PersonalIsTheDocumentsFolder) {
    const std::string folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    EXPECT_EQ(Query(HKCU, folders, "Personal", KEY_ALL_ACCESS_), "1:" + home.home + "/Documents" + '\0');
    // The desktop's folder configuration, then a value in the hive file win.
    WriteFile(home.config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(Query(HKCU, folders, "Personal"), "1:" + home.home + "/Dokumente" + '\0');
    WriteFile(user, "REGEDIT4\n[HKEY_CURRENT_USER\\" + folders + "]\n\"Personal\"=\"/srv/Ablage\"\n");
    EXPECT_EQ(Query(HKCU, folders, "personal"), "1:/srv/Ablage\0"s);
}

class PosixSettingsTest : public ::testing::Test {
protected:
    bool Save(const std::string& section, const std::string& key, const std::string& v) { return store->SaveSetting("Veltrano", section, key, v); }
    std::string Get(const std::string& section, const std::string& key) { return store->GetSetting("Veltrano", section, key, "?"); }
    TempHome home;
    std::unique_ptr<ardeko::platform::SettingsStore> store = MakePosixSettings();
};

TEST_F(PosixSettingsTest, ValuesRoundTripWhateverTheyHoldAndUnstorableOrLockedOnesFail) {
    EXPECT_EQ(Get("OffArdeko", "CurrLang"), "?");
    const char* const names[][3] = {{"", "A", "B"}, {"../X", "A", "B"}, {"X", "A]", "B"}, {"X", "A\nB", "B"}, {"X", "A", "B=C"}, {"X", "A", ""}};
    for (const auto& n : names) EXPECT_FALSE(store->SaveSetting(n[0], n[1], n[2], "x")) << n[0] << "|" << n[1] << "|" << n[2];
    EXPECT_FALSE(std::filesystem::exists(home.config));  // neither reading nor a refused save creates anything
    const std::string values[] = {" C:\\Daten\\ ", "", "Zeile 1\r\nZeile 2\nZeile 3\\n kein Umbruch", "Größe = Übermaß; [x] #y"};
    for (std::size_t i = 0; i < std::size(values); ++i) ASSERT_TRUE(Save("OffArdeko\\Word", "Wert" + std::to_string(i), values[i]));
    auto fresh = MakePosixSettings();  // another program reading the file
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(fresh->GetSetting("Veltrano", "offardeko\\WORD", "WERT" + std::to_string(i), "?"), values[i]) << i;
    ASSERT_TRUE(Save("OFFARDEKO\\word", "wert0", "D:\\"));  // names regardless of case; the first spelling stays
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko\\Word", "Wert0", "?"), "D:\\");
    EXPECT_EQ(fresh->GetSetting("Veltrano", "OffArdeko", "Wert0", "?") + fresh->GetSetting("Andere", "OffArdeko\\Word", "Wert0", "?"), "??");
    EXPECT_EQ(ReadFile(home.config + "/Veltrano/settings.ini").find("word]"), std::string::npos);
    Immutable locked(home.config + "/Veltrano");
    if (!locked.ok) GTEST_SKIP() << "needs root and chattr";
    EXPECT_FALSE(Save("OffArdeko\\Word", "Wert0", "neu"));
    EXPECT_EQ(Get("OffArdeko\\Word", "Wert0"), "D:\\");
}

TEST_F(PosixSettingsTest, HandWrittenFileBelowTheDefaultFolderIsReadAndKept) {
    ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    std::filesystem::create_directories(home.home + "/.config/Veltrano");
    WriteFile(home.home + "/.config/Veltrano/settings.ini", "; von Hand\r\n[OffArdeko]\r\nCurrLang=1\r\nunsinn\r\n\r\n[Andere]\r\nCurrLang=7\r\n");
    ASSERT_TRUE(Save("OffArdeko", "Doku", "/doc"));
    EXPECT_EQ(Get("OffArdeko", "CurrLang") + Get("Andere", "CurrLang") + Get("OffArdeko", "Doku"), "17/doc");
}

TEST_F(PosixSettingsTest, StoresSavingAtOnceLoseNothing) {
    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([w] { for (int k = 0; k < 15; ++k) MakePosixSettings()->SaveSetting("Veltrano", "Lauf", std::to_string(w * 100 + k), "x"); });
    for (auto& writer : writers) writer.join();
    for (int k = 0; k < 400; ++k) EXPECT_EQ(Get("Lauf", std::to_string(k)), k % 100 < 15 ? "x" : "?") << k;
}

class PosixShellTest : public ::testing::Test {
protected:
    std::string Script(const std::string& name, const std::string& body) {
        WriteFile(dir / name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(dir / name, std::filesystem::perms::owner_all);
        return dir / name;
    }
    // "started", or "failed" and the shell's error code.
    std::string Start(const ShellExecRequest& request) {
        const auto r = shell->ShellExecute(request);
        shell->CloseProcess(r.process);
        return r.instApp >= 32 && r.process != 0 ? "started" : "failed " + std::to_string(r.instApp) + (r.process ? " with a process" : "");
    }
    // What the opener received, once it has written it ("" when nothing arrives); after a start, its outcome first.
    std::string Received(const std::string& started = "") {
        for (int waited = 0; !std::filesystem::exists(out) && waited < 3000; waited += 10) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string got = ReadFile(out);
        std::filesystem::remove(out);
        return started + got;
    }
    TempHome home;
    ardeko::testkit::TempDir dir;
    std::string out = dir / "received";
    // The test opener writes ">" and then each argument in brackets.
    ScopedEnv outEnv{"OUT", out}, opener{"ARDEKO_OPENER", Script("opener.sh", "{ printf '>'; for a; do printf '[%s]' \"$a\"; done; } >\"$OUT.tmp\"; mv \"$OUT.tmp\" \"$OUT\"")};
    std::unique_ptr<Shell> shell = posix::MakePosixShell();
};

TEST_F(PosixShellTest, DocumentAddressOrFolderReachesTheOpenerAsOneArgument) {
    const std::string name = "Mein \"Bericht\" $HOME 'x'.txt", url = "https://example.org/?q=a b&x=\"y\"";
    WriteFile(dir / name, "x");
    for (const std::string& target : {dir / name, url}) EXPECT_EQ(Received(Start({target})), "started>[" + target + "]");
    EXPECT_TRUE(shell->OpenFolderInFileManager(dir.str()));
    EXPECT_EQ(Received(), ">[" + dir.str() + "]");
    EXPECT_EQ(Start({name, std::nullopt, dir.str()}), "started");  // looked up in the working directory
    EXPECT_EQ(Start({name, std::nullopt, home.home}) + Start({dir / "fehlt.txt"}) + Start({""}), "failed 2failed 2failed 2");
    EXPECT_FALSE(shell->OpenFolderInFileManager(""));
    ScopedEnv failing("ARDEKO_OPENER", Script("kaputt.sh", "exit 1"));
    EXPECT_EQ(Start({dir / name}), "failed 31");
    ScopedEnv missing("ARDEKO_OPENER", dir / "kein-opener");
    EXPECT_EQ(Start({dir / name}), "failed 2");
    EXPECT_FALSE(shell->OpenFolderInFileManager(dir.str()));
}

TEST_F(PosixShellTest, ProgramGetsItsParametersSplitLikeACommandLine) {
    // A working directory that does not exist here (the runner's Windows default) is no obstacle.
    EXPECT_EQ(Received(Start({dir / "opener.sh", "\"a b\" c  \"\"", "C:\\Windows"})), "started>[a b][c][]");
    EXPECT_EQ(Received(Start({dir / "opener.sh", ""})), "started>");  // empty parameters: no argument at all
    EXPECT_EQ(Start({dir / "gibt-es-nicht", "x"}) + ", " + Start({"ardeko-kein-solches-programm", "x"}), "failed 2, failed 2");
    const std::pair<const char*, std::vector<std::string>> lines[] = {
        {"   ", {}}, {"a b\tc", {"a", "b", "c"}}, {"\"a b\"c", {"a bc"}}, {"a\\\\b", {"a\\\\b"}},
        {"a\\\\\"b c\"", {"a\\b c"}}, {"a\\\"b", {"a\"b"}}, {"\"x \"\"y\"\"\"", {"x \"y\""}}, {"\"offen", {"offen"}}};
    for (const auto& [line, args] : lines) EXPECT_EQ(posix::SplitCommandLine(line), args) << line;
}

TEST_F(PosixShellTest, WaitingForAStartedProgramAndSpecialFolders) {
    ScopedEnv slow("ARDEKO_OPENER", Script("langsam.sh", "exec sleep 30"));
    const auto r = shell->ShellExecute({dir / "langsam.sh"});
    ASSERT_GT(r.process, 0);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_TIMEOUT_);
    kill(static_cast<pid_t>(r.process), SIGTERM);
    EXPECT_EQ(shell->WaitForProcess(r.process, 5000), WAIT_OBJECT_0_);
    shell->CloseProcess(r.process);
    EXPECT_EQ(shell->WaitForProcess(r.process, 10), WAIT_FAILED_);
    EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_).value_or("") + "|" + shell->SpecialFolder(36).value_or("none"), home.data + "|none");
    ScopedEnv relative("XDG_DATA_HOME", "relativ/daten");  // not absolute: ignored
    EXPECT_EQ(shell->SpecialFolder(CSIDL_APPDATA_), home.home + "/.local/share");
    ScopedEnv programDir("ARDEKO_PROGRAM_DIR", "/opt/ardeko/");
    EXPECT_EQ(shell->ProgramFolder(), "/opt/ardeko");
}

TEST(Wildcard, MatchesLikeWindowsFileSearch) {
    const struct { const char *pattern, *name; bool match; } cases[] = {
        {"*.DOC*", "Bericht.docx", true}, {"*.DOC*", "Bericht.dot", false}, {"*.DOC*", "doc", false},
        {"*.*", "README", true}, {"*.ACCDB", "daten.accdb", true}, {"*.ACCDB", "daten.accdb.bak", false},
        {"?.txt", "ä.txt", true}, {"?.txt", "ab.txt", false}, {"ÄRGER*", "ärger.doc", true},
        {"Dokumentation für Word.*", "Dokumentation für Word", true}, {"a*b*c", "aXbYc", true}, {"a*b*c", "aXbY", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}
