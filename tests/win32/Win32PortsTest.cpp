// The Windows ports on real folders and the real registry of the Wine prefix, and the archive
// walk running on them: attributes, links, long paths, open files, the three times of an
// archived copy and the protocol's code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "archive/ArchiveDialog.h"
#include "archive/FileWalk.h"
#include "archive/Protocol.h"
#include "platform/win32/FindData.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "ui/HeadlessUi.h"
#include "testkit/FaultyFileSystem.h"
#include "win32/FindData.h"
#include "win32/ScratchFolder.h"

namespace ardeko {
namespace {

using platform::FileTimeKind;
using platform::LocalDateTime;
using platform::win32::LongPath;
using win32::Utf8;
using win32::Wide;
using namespace std::string_literals;

FILETIME FileTimeOf(int y, int mo, int d, int h) {
    SYSTEMTIME local{static_cast<WORD>(y), static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h), 0, 0, 0}, utc{};
    TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
    FILETIME ft{};
    SystemTimeToFileTime(&utc, &ft);
    return ft;
}

// A file with its content and the three times (created 2007, last read 2009, last written 2008).
void Make(const std::string& path, const std::string& content = "x", DWORD attributes = 0) {
    const std::wstring p = LongPath(path);
    const auto slash = p.find_last_of(L'\\');
    CreateDirectoryW(p.substr(0, slash).c_str(), nullptr);
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
    const FILETIME created = FileTimeOf(2007, 5, 1, 9), read = FileTimeOf(2009, 2, 3, 11), written = FileTimeOf(2008, 6, 3, 10);
    SetFileTime(h, &created, &read, &written);
    CloseHandle(h);
    if (attributes != 0) SetFileAttributesW(p.c_str(), attributes);
}

bool Exists(const std::string& path) { return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
    HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string data(1 << 20, '\0');
    DWORD n = 0;
    ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
    CloseHandle(h);
    data.resize(n);
    return data;
}

class Win32Ports : public ::testing::Test {
protected:
    void SetUp() override {
        platform::win32::InstallWin32Ports();
        platform::ports().ui = &ui;
    }
    void TearDown() override { platform::ports() = {}; }
    ui::HeadlessUi ui;
    ScratchFolder dir;
};

// Hidden and system files are seen as such by the walk below.
TEST_F(Win32Ports, ListingGivesAttributesAndTheThreeLocalTimesFromTheFindData) {
    Make(dir / "a.doc");
    Make(dir / "r.doc", "x", FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW(Wide(dir / "Sub").c_str(), nullptr);
    auto& fs = platform::Fs();
    std::map<std::string, platform::FileAttributes> seen;
    auto search = fs.openSearch(dir.str());
    for (platform::DirEntry e; search->next(e);) {
        seen[e.name] = e.attributes;
        if (e.name == "a.doc") {
            // Wine on a Linux file system keeps no creation time of its own; it answers the last write.
            const auto created = search->fileTime(e.name, FileTimeKind::Created);
            EXPECT_TRUE(created == (LocalDateTime{2007, 5, 1, 9, 0, 0}) || created == (LocalDateTime{2008, 6, 3, 10, 0, 0}));
            EXPECT_EQ(search->fileTime(e.name, FileTimeKind::LastAccessed), (LocalDateTime{2009, 2, 3, 11, 0, 0}));
            EXPECT_EQ(search->fileTime(e.name, FileTimeKind::LastModified), (LocalDateTime{2008, 6, 3, 10, 0, 0}));
        }
    }
    ASSERT_EQ(seen.size(), 3u);  // no "." or ".."
    EXPECT_TRUE(seen["r.doc"].readOnly && seen["Sub"].directory);
    EXPECT_FALSE(seen["a.doc"].hidden || seen["a.doc"].system || seen["a.doc"].readOnly || seen["a.doc"].directory);
    EXPECT_TRUE(fs.attributes(dir / "Sub\\")->directory);
    EXPECT_FALSE(fs.attributes(dir / "fehlt.doc"));
    EXPECT_EQ(fs.fileTime(dir / "r.doc", FileTimeKind::LastModified), (LocalDateTime{2008, 6, 3, 10, 0, 0}));
    EXPECT_FALSE(fs.openSearch(dir / "fehlt")->next(*std::make_unique<platform::DirEntry>()));
}

TEST_F(Win32Ports, MoveKeepsTheTimesAndNeverLosesAFile) {
    auto& fs = platform::Fs();
    CreateDirectoryW(Wide(dir / "Ziel").c_str(), nullptr);
    const struct { const char* name; DWORD attributes; bool keepOpen; platform::MoveResult::Stage stage; } cases[] = {
        {"frei.doc", 0, false, platform::MoveResult::Stage::Done},
        // A read-only file is copied, then refuses to be deleted: both copies stay.
        {"schreibgeschützt.doc", FILE_ATTRIBUTE_READONLY, false, platform::MoveResult::Stage::DeleteFailed},
        // A document its program keeps open without sharing its deletion, as an editor does.
        {"offen.doc", 0, true, platform::MoveResult::Stage::DeleteFailed},
    };
    for (const auto& c : cases) {
        Make(dir / c.name, c.name, c.attributes);
        const auto created = fs.fileTime(dir / c.name, FileTimeKind::Created);
        HANDLE open = c.keepOpen ? CreateFileW(Wide(dir / c.name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        const auto moved = fs.moveFile(dir / c.name, dir / (std::string("Ziel\\") + c.name));
        if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
        EXPECT_EQ(moved.stage, c.stage) << c.name << ": " << moved.error;
        EXPECT_EQ(ReadAll(dir / (std::string("Ziel\\") + c.name)), c.name);
        EXPECT_EQ(Exists(dir / c.name), c.stage != platform::MoveResult::Stage::Done) << c.name;
        EXPECT_EQ(fs.fileTime(dir / (std::string("Ziel\\") + c.name), FileTimeKind::Created), created) << c.name;
        EXPECT_EQ(fs.fileTime(dir / (std::string("Ziel\\") + c.name), FileTimeKind::LastModified),
                  (LocalDateTime{2008, 6, 3, 10, 0, 0})) << c.name;
    }
    EXPECT_EQ(fs.copyFile(dir / "fehlt.doc", dir / "Ziel\\x.doc").ok, false);
    EXPECT_FALSE(fs.removeFile(dir / "fehlt.doc").error.empty());
}

// An archived file is replaced only when asked, and only by a whole new file: a source its
// program holds without sharing leaves the old one as it was and no other file behind. The
// moves go through the held folder into an archive folder two levels below it. (A copy that
// breaks off on a full disk: tests/win32cli.)
TEST_F(Win32Ports, MoveReplacesOnlyWhenAskedAndOnlyWithAWholeFile) {
    using Mode = platform::MoveMode;
    using Stage = platform::MoveResult::Stage;
    auto& fs = platform::Fs();
    const struct { const char* name; Mode mode; DWORD targetAttributes; bool holdOpen; Stage stage; } cases[] = {
        {"nein.doc", Mode::NoReplace, 0, false, Stage::CopyFailed},
        {"ja.doc", Mode::ReplaceExisting, FILE_ATTRIBUTE_READONLY, false, Stage::Done},
        {"gesperrt.doc", Mode::ReplaceExisting, 0, true, Stage::CopyFailed},  // open with share mode 0
    };
    const auto folder = fs.openFolder(dir.str());
    ASSERT_TRUE(folder && folder->createFolder("Ziel") && folder->createFolder("Ziel\\~~~ 2008"));
    for (const auto& c : cases) {
        const std::string source = dir / c.name, target = dir / (std::string("Ziel\\~~~ 2008\\") + c.name);
        Make(source, c.name);
        Make(target, "alt", c.targetAttributes);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.holdOpen) held = CreateFileW(Wide(source).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const auto moved = folder->moveFile(c.name, std::string("Ziel\\~~~ 2008\\") + c.name, c.mode);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(moved.stage, c.stage) << c.name << ": " << moved.error;
        EXPECT_EQ(ReadAll(target).size(), c.stage == Stage::Done ? std::string(c.name).size() : 3u) << c.name;
        EXPECT_EQ(Exists(source), c.stage != Stage::Done) << c.name;
        if (c.mode == Mode::NoReplace) {
            EXPECT_EQ(moved.error, platform::kTargetExistsText);
        }
    }
    WIN32_FIND_DATAW found{};
    int entries = 0;
    HANDLE search = FindFirstFileW(Wide(dir / "Ziel\\~~~ 2008\\*").c_str(), &found);
    do entries += found.cFileName[0] != L'.' || Utf8(found.cFileName).rfind(".ardeko~", 0) == 0;
    while (FindNextFileW(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 3);  // no temporary left
}

// The walk's file search is the system's: the names "dir /b /a-d-h-s PATTERN" shows in that
// folder, short names included.
TEST_F(Win32Ports, FileSearchFindsWhatTheSystemsDirFinds) {
    for (const char* name : {"Kunden.mdb_alt", "Kunden.mdb", "a.doc", "B.DOCX", "Bericht 2008.doc", "x.txt", "ohne",
                             "Mappe.xlsx", "Alt.XLS", "Vorlage.dotm", "Folien.pps", "Schau.ppsx.bak"})
        Make(dir / name);
    Make(dir / "versteckt.doc", "x", FILE_ATTRIBUTE_HIDDEN);
    CreateDirectoryW(Wide(dir / "Ordner.doc").c_str(), nullptr);
    const auto folder = platform::Fs().openFolder(dir.str());
    ASSERT_TRUE(folder);
    const std::vector<std::string> patterns = {"*.MDB", "*.DOC*", "*.doc", "?.doc", "*.*", "*", "*.t?t", "*.XLS*", "*.DOT*", "*.PPS*"};
    // One "dir" per pattern, all in one command processor: starting one per pattern was the
    // slow part, and now and then a start failed under a busy CI machine.
    ScratchFolder listings;
    std::string command = "cmd /c \"cd /d \"" + dir.str() + "\"";
    for (std::size_t i = 0; i < patterns.size(); ++i)
        command += " & dir /b /a-d-h-s " + patterns[i] + " > \"" + listings / std::to_string(i) + "\"";
    command += "\"";
    std::wstring line = Wide(command);
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        << GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        std::set<std::string> ours, system;
        platform::DirEntry e;
        for (auto search = folder->list(patterns[i]); search->next(e);)
            if (!e.attributes.directory && !e.attributes.hidden && !e.attributes.system) ours.insert(e.name);
        std::istringstream shown(ReadAll(listings / std::to_string(i)));
        for (std::string name; std::getline(shown, name);) {
            while (!name.empty() && name.back() == '\r') name.pop_back();
            if (!name.empty()) system.insert(name);
        }
        EXPECT_EQ(ours, system) << patterns[i];
        EXPECT_FALSE(ours.empty()) << patterns[i];
    }
}

// A held folder is reached by its handle, level by level: it cannot be renamed or removed
// while held, and a file where a folder is needed is refused with the walk's reason.
TEST_F(Win32Ports, HeldFolderIsReachedByHandleAndStaysInPlace) {
    Make(dir / "Ablage\\a.doc");
    CreateDirectoryW(Wide(dir / "Ablage\\Sub").c_str(), nullptr);
    // Folders another program keeps open with the right to delete them are still taken.
    const auto openForDelete = [](const std::string& folder) {
        return CreateFileW(Wide(folder).c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    };
    HANDLE others[] = {openForDelete(dir / "Ablage"), openForDelete(dir / "Ablage\\Sub")};
    EXPECT_TRUE(platform::Fs().openFolder(dir / "Ablage") && platform::Fs().openFolder(dir / "Ablage")->openFolder("Sub"));
    for (HANDLE h : others) CloseHandle(h);
    auto held = platform::Fs().openFolder(dir / "Ablage\\");
    ASSERT_TRUE(held);
    EXPECT_EQ(held->path(), dir / "Ablage");
    EXPECT_TRUE(held->attributes("Sub")->directory);
    EXPECT_FALSE(held->attributes("fehlt.doc") || held->attributes("Sub\\fehlt.doc") || held->attributes("..\\Ablage"));
    std::string why;
    EXPECT_FALSE(held->openFolder("a.doc", &why));
    EXPECT_EQ(why, platform::NotAFolderText(dir / "Ablage\\a.doc"));
    const auto moved = held->moveFile("a.doc", "a.doc\\a.doc", platform::MoveMode::NoReplace);
    EXPECT_EQ(moved.stage, platform::MoveResult::Stage::CopyFailed);
    EXPECT_EQ(moved.error, platform::NotAFolderText(dir / "Ablage\\a.doc"));
    EXPECT_EQ(held->moveFile("Sub", "Sub2", platform::MoveMode::NoReplace).error, platform::NotAFileText(dir / "Ablage\\Sub"));

    auto sub = held->openFolder("Sub");
    ASSERT_TRUE(sub);
    // A folder in use cannot be taken away: its name keeps naming the folder held.
    EXPECT_FALSE(MoveFileW(Wide(dir / "Ablage").c_str(), Wide(dir / "Weg").c_str()));
    EXPECT_FALSE(RemoveDirectoryW(Wide(dir / "Ablage\\Sub").c_str()));
    EXPECT_EQ(held->moveFile("a.doc", "Sub\\a.doc", platform::MoveMode::NoReplace).stage, platform::MoveResult::Stage::Done);
    EXPECT_TRUE(sub->attributes("a.doc") && sub->removeFile("a.doc") && !sub->attributes("a.doc"));
    sub.reset();
    held.reset();
    EXPECT_TRUE(MoveFileW(Wide(dir / "Ablage").c_str(), Wide(dir / "Weg").c_str()));
}

TEST_F(Win32Ports, ProtocolLinesAreAppendedInTheAnsiCodePageWithCrLf) {
    const std::string path = dir / "Protokoll Word-Archivierung.txt";
    ASSERT_TRUE(platform::Fs().appendLine(path, "erste"));
    ASSERT_TRUE(platform::Fs().appendLines(path, {"Größe", ""}));
    EXPECT_EQ(ReadAll(path), "erste\r\n" + win32::Ansi("Größe") + "\r\n\r\n");
    if (GetACP() == 1252) {
        EXPECT_EQ(win32::Ansi("Größe"), "Gr\xF6\xDF" "e");
        // A name the code page cannot hold shows as "?", never as the name of another file.
        ASSERT_TRUE(platform::Fs().appendLine(path, "Ω.txt Łódź.doc"));
        EXPECT_TRUE(ReadAll(path).ends_with("\r\n?.txt ?\xF3""d?.doc\r\n")) << ReadAll(path);
    }
    EXPECT_FALSE(platform::Fs().appendLine(dir / "fehlt\\p.txt", "x").ok);
}

TEST_F(Win32Ports, SettingsAndRegistryRoundTrips) {
    auto& settings = platform::Settings();
    const std::string section = "ArdekoTest\\Word";
    EXPECT_EQ(settings.GetSetting("Veltrano", section, "Startordner", "?"), "?");
    ASSERT_TRUE(settings.SaveSetting("Veltrano", section, "Startordner", "C:\\Übersicht"));
    EXPECT_EQ(settings.GetSetting("Veltrano", section, "startordner", "?"), "C:\\Übersicht");  // keys ignore case
    wchar_t stored[32] = {};
    DWORD storedSize = sizeof stored;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Veltrano\\ArdekoTest\\Word", L"Startordner",
                           RRF_RT_REG_SZ, nullptr, stored, &storedSize), ERROR_SUCCESS);
    EXPECT_EQ(Utf8(stored), "C:\\Übersicht");

    const DWORD number = 42;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\ArdekoTest", L"Text", REG_SZ, L"\u00C4rger", 12), ERROR_SUCCESS);
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\ArdekoTest", L"Zahl", REG_DWORD, &number, 4);
    auto& reg = platform::Reg();
    platform::RegHandle h = 0;
    ASSERT_EQ(reg.OpenKeyEx(platform::HKEY_CURRENT_USER_, "Software\\ArdekoTest", platform::KEY_ALL_ACCESS_, h), 0);
    std::uint32_t type = 0, size = 0;
    std::string data;
    EXPECT_EQ(reg.QueryValueEx(h, "Text", 6, type, data, size), 0);  // five characters and the NUL
    EXPECT_EQ(data, "Ärger\0"s);
    EXPECT_EQ(reg.QueryValueEx(h, "Text", 5, type, data, size), platform::ERROR_MORE_DATA_);
    EXPECT_EQ(reg.QueryValueEx(h, "Zahl", 4, type, data, size), 0);
    EXPECT_EQ(type * 1000 + static_cast<unsigned char>(data[0]), 4042u);
    EXPECT_EQ(reg.QueryValueEx(h, "Fehlt", 4, type, data, size), platform::ERROR_FILE_NOT_FOUND_);
    EXPECT_EQ(reg.CloseKey(h), 0);
    EXPECT_EQ(reg.OpenKeyEx(platform::HKEY_CURRENT_USER_, "Software\\Gibt es nicht", platform::KEY_ALL_ACCESS_, h), 2);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ArdekoTest");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\VB and VBA Program Settings\\Veltrano\\ArdekoTest");
}

TEST_F(Win32Ports, ShellAndRegionalSettings) {
    auto& sh = platform::Sh();
    const auto appData = sh.SpecialFolder(platform::CSIDL_APPDATA_);
    ASSERT_TRUE(appData);
    EXPECT_TRUE(platform::Fs().attributes(*appData)->directory) << *appData;
    EXPECT_EQ(sh.Environ("ARDEKO_NIE_GESETZT"), "");
    EXPECT_FALSE(sh.Environ("windir").empty());
    EXPECT_TRUE(platform::Fs().attributes(sh.ProgramFolder() + "\\test_win32.exe")) << sh.ProgramFolder();
    const auto missing = sh.ShellExecute({dir / "fehlt.txt", std::nullopt, "", 3});
    EXPECT_LT(missing.instApp, 32);
    auto& clock = platform::Clock();
    const std::string grouped = clock.FormatGrouped(1234567);
    EXPECT_TRUE(grouped == "1.234.567" || grouped == "1,234,567") << grouped;  // German or English regional settings
    EXPECT_EQ(clock.FormatGrouped(12), "12");
    const std::string date = clock.FormatGeneralDate({2007, 3, 12, 10, 11, 12});
    EXPECT_TRUE(date.find("2007") != std::string::npos && date.ends_with(" 10:11:12")) << date;
    EXPECT_EQ(clock.FormatGeneralDate({2007, 3, 12, 0, 0, 0}).find(':'), std::string::npos);  // midnight: the date alone
}

// The options of a real run by year folders; the walk reads them from here.
struct RunOptions : ArchiveDialog {
    ArchiveRunState state;
    ArchiveRunState& RunState() override { return state; }
    DateBasis CurrentDateBasis() override { return DateBasis::LastModified; }
    FolderScheme CurrentFolderScheme() override { return FolderScheme::Year; }
    bool TestRunSet() override { return false; }
    bool ConfirmEachSet() override { return false; }
    bool IncludeSubfoldersSet() override { return true; }
    std::string MonthName(int index) override { return GermanMonthNames().at(static_cast<std::size_t>(index)); }
    bool YearOptionSet() override { return true; }
    std::string StartFolderText() override { return {}; }
    int MonthListIndex() override { return 11; }
    std::string YearText() override { return "2008"; }
    int FileTypeCount() override { return 1; }
    std::string FileTypeText(int) override { return "Dokumente (*.DOC*)"; }
    bool FileTypeTicked(int) override { return true; }
    void SetStatus(const std::string&) override {}
    std::string RunButtonCaption() override { return "Stopp!"; }
    void SetRunButtonCaption(const std::string&) override {}
    void SetBusyPointer(bool) override {}
};

TEST_F(Win32Ports, WalkSkipsHiddenSystemAndLinkedFoldersAndRefusesTooLongPaths) {
    Module().CurrLang = 0;
    InitProductTexts();
    ScratchFolder outside;
    Make(outside / "fremd.doc");
    Make(dir / "Übersicht.doc");
    Make(dir / "h.doc", "x", FILE_ATTRIBUTE_HIDDEN);
    Make(dir / "s.doc", "x", FILE_ATTRIBUTE_SYSTEM);
    Make(dir / "Sub\\b.doc");
    Make(dir / "~~~ 2007\\alt.doc");  // archive folders are never searched
    // A folder chain deeper than the old 260-character limit.
    std::string deep = dir.str();
    while (deep.size() < 300) {
        deep += "\\Ebene mit einem langen Namen";
        CreateDirectoryW(LongPath(deep).c_str(), nullptr);
    }
    Make(deep + "\\tief.doc");
    const bool linked = CreateSymbolicLinkW(Wide(dir / "Verweis").c_str(), Wide(outside.str()).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;

    RunOptions run;
    ProcessFiles(run, dir.str(), "*.DOC*", 12, 2008);

    EXPECT_TRUE(Exists(dir / "~~~ 2008\\Übersicht.doc") && Exists(dir / "Sub\\~~~ 2008\\b.doc"));
    EXPECT_TRUE(Exists(dir / "h.doc") && Exists(dir / "s.doc") && Exists(dir / "~~~ 2007\\alt.doc") && Exists(deep + "\\tief.doc"));
    EXPECT_TRUE(Exists(outside / "fremd.doc") && !Exists(outside / "~~~ 2008"));
    EXPECT_EQ(run.state.CheckedCount, 3);  // Übersicht, b and tief
    EXPECT_EQ(run.state.ArchivedCount, 2);
    const std::string protocol = ReadAll(ArchiveProtocolPath());
    EXPECT_NE(protocol.find(win32::Ansi("Archiviert: " + (dir / "Übersicht.doc") + " (" + platform::Clock().FormatGeneralDate({2008, 6, 3, 10, 0, 0}) + ")\r\n")), std::string::npos) << protocol;
    EXPECT_NE(protocol.find("! Pfad zu lang: " + deep + "\\~~~ 2008\\tief.doc\r\n"), std::string::npos) << protocol;
    if (!linked) GTEST_SKIP() << "this Windows cannot make a symbolic link; the link case was not checked";
}

// Real files and folders, listed as the reparse points a OneDrive folder or a file server
// holds: files behind a tag that is no link are archived like any other, folders behind one
// are walked; links and junctions are neither entered nor moved.
TEST_F(Win32Ports, WalkArchivesCloudAndDeduplicatedFilesAndLeavesLinksAlone) {
    using namespace findData;
    Module().CurrLang = 0;
    InitProductTexts();
    const std::map<std::string, WIN32_FIND_DATAW> listedAs{
        {"Nur online.doc", FindData(kReparse | kRecallOnDataAccess, kCloud3)},
        {"Dedupliziert.doc", FindData(kReparse, kDedup)},
        {"Komprimiert.doc", FindData(kReparse, kWof)},
        {"Verweis.doc", FindData(kReparse, kSymlink)},
        {"OneDrive", FindData(kReparse | kDir | kRecallOnOpen, kCloud)},
        {"Verbindung", FindData(kReparse | kDir, kMountPoint)},
    };
    for (const char* f : {"Nur online.doc", "Dedupliziert.doc", "Komprimiert.doc", "Verweis.doc", "OneDrive\\Bericht.doc",
                          "Verbindung\\Bericht.doc"})
        Make(dir / f);
    testkit::FaultyFileSystem fs(platform::Fs());
    fs.onListed = [&](const std::string&, platform::DirEntry& e) {
        if (const auto it = listedAs.find(e.name); it != listedAs.end()) e.attributes = platform::win32::ClassifyFindData(it->second);
    };
    platform::ports().fs = &fs;

    RunOptions run;
    ProcessFiles(run, dir.str(), "*.DOC*", 12, 2008);

    EXPECT_EQ(run.state.CheckedCount, 4);
    EXPECT_EQ(run.state.ArchivedCount, 4);
    for (const char* gone : {"Nur online.doc", "Dedupliziert.doc", "Komprimiert.doc", "OneDrive\\Bericht.doc"})
        EXPECT_FALSE(Exists(dir / gone)) << gone << " is archived";
    EXPECT_TRUE(Exists(dir / "Verweis.doc") && Exists(dir / "Verbindung\\Bericht.doc"));
}

// A folder swapped while the run goes on, at the moments a link could steer it (Wine makes no
// links, so a file takes the folder's place), and a folder the run is in, which nobody can
// rename meanwhile: the file stays, nothing is entered or written through.
TEST_F(Win32Ports, WalkUsesNoFolderSwappedAfterItWasSeenAndHoldsTheOneItIsIn) {
    Module().CurrLang = 0;
    InitProductTexts();
    for (const char* f : {"a.doc", "Sub\\b.doc", "Halt\\c.doc"}) Make(dir / f);
    const auto toFile = [&](const std::string& folder) {
        MoveFileW(Wide(folder).c_str(), Wide(folder + ".alt").c_str()), Make(folder, "kein Ordner");
    };
    testkit::FaultyFileSystem fs(platform::Fs());
    fs.onCreatedFolder = [&](const std::string& f) { if (f == dir / "~~~ 2008") toFile(f); };
    BOOL renamed = TRUE;
    fs.onListed = [&](const std::string& f, const platform::DirEntry& e) {
        if (f == dir / "" && e.name == "Sub") toFile(dir / "Sub");
        if (e.name == "c.doc") renamed = MoveFileW(Wide(dir / "Halt").c_str(), Wide(dir / "Weg").c_str());
    };
    platform::ports().fs = &fs;

    RunOptions run;
    ProcessFiles(run, dir.str(), "*.DOC*", 12, 2008);

    EXPECT_EQ(run.state.CheckedCount, 2);  // a and c; Sub is not entered
    EXPECT_EQ(run.state.ArchivedCount, 1);
    EXPECT_EQ(run.state.ErrorCount, 1);
    EXPECT_FALSE(renamed);
    EXPECT_TRUE(Exists(dir / "a.doc") && Exists(dir / "Sub.alt\\b.doc") && Exists(dir / "Halt\\~~~ 2008\\c.doc"));
    const std::string protocol = ReadAll(ArchiveProtocolPath());
    EXPECT_NE(protocol.find(win32::Ansi("! '" + (dir / "~~~ 2008") + "' ist kein Ordner (Verknüpfung oder Datei)")), std::string::npos) << protocol;
}

}  // namespace
}  // namespace ardeko
