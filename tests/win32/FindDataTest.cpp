// Entries that Wine cannot make (cloud placeholders, deduplicated and compressed files,
// junctions, symbolic links) judged from synthetic find data, and the walk over entries that a
// listing reports as such.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "archive/ArchiveDialog.h"
#include "archive/FileWalk.h"
#include "platform/win32/FindData.h"
#include "platform/win32/Win32Ports.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "testkit/FaultyFileSystem.h"
#include "ui/HeadlessUi.h"
#include "win32/ScratchFolder.h"

namespace ardeko {
namespace {

using platform::win32::ClassifyFindData;

constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT, kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kRecallOnOpen = 0x00040000, kRecallOnDataAccess = 0x00400000, kPinned = 0x00080000;
constexpr DWORD kCloud = 0x9000001A, kCloud3 = 0x9000301A, kDedup = 0x80000013, kWof = 0x80000017,
                kSymlink = 0xA000000C, kMountPoint = 0xA0000003, kAppExecLink = 0x8000001B;

WIN32_FIND_DATAW FindData(DWORD attributes, DWORD tag) {
    WIN32_FIND_DATAW d{};
    d.dwFileAttributes = attributes;
    d.dwReserved0 = tag;
    return d;
}

TEST(ClassifyFindData, NameSurrogatesAreSystemEntriesOtherReparsePointsOrdinaryAndUnfetchedContentCloudOnly) {
    const struct { const char* what; DWORD attributes, tag; bool directory, system, cloudOnly; } cases[] = {
        {"plain file", FILE_ATTRIBUTE_ARCHIVE, 0, false, false, false},
        {"system file", FILE_ATTRIBUTE_SYSTEM, 0, false, true, false},
        {"symbolic link to a file", kReparse, kSymlink, false, true, false},
        {"symbolic link to a folder", kReparse | kDir, kSymlink, true, true, false},
        {"junction", kReparse | kDir, kMountPoint, true, true, false},
        {"cloud file kept on this PC", kReparse | kPinned, kCloud3, false, false, false},
        {"cloud file only online", kReparse | kRecallOnDataAccess, kCloud3, false, false, true},
        {"cloud file recalled when opened", kReparse | kRecallOnOpen, kCloud, false, false, true},
        {"cloud folder not yet listed", kReparse | kDir | kRecallOnOpen, kCloud, true, false, false},
        {"offline file of a file server", FILE_ATTRIBUTE_OFFLINE, 0, false, false, true},
        {"deduplicated file", kReparse, kDedup, false, false, false},
        {"compressed system file", kReparse | FILE_ATTRIBUTE_READONLY, kWof, false, false, false},
        {"app execution alias", kReparse, kAppExecLink, false, false, false},
        // The tag field means nothing without the reparse attribute.
        {"stale tag on a plain folder", kDir, kMountPoint, true, false, false},
    };
    for (const auto& c : cases) {
        const auto a = ClassifyFindData(FindData(c.attributes, c.tag));
        EXPECT_EQ(a.directory, c.directory) << c.what;
        EXPECT_EQ(a.system, c.system) << c.what;
        EXPECT_EQ(a.cloudOnly, c.cloudOnly) << c.what;
    }
    EXPECT_TRUE(ClassifyFindData(FindData(kReparse | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, kDedup)).hidden);
    EXPECT_TRUE(ClassifyFindData(FindData(kReparse | FILE_ATTRIBUTE_READONLY, kWof)).readOnly);
}

TEST(RegistryRoot, IsTheHandleTheHeadersDefine) {
    EXPECT_EQ(platform::win32::RegistryRoot(0x80000001u), static_cast<void*>(HKEY_CURRENT_USER));
    EXPECT_EQ(platform::win32::RegistryRoot(0x80000002u), static_cast<void*>(HKEY_LOCAL_MACHINE));
}

struct RealRun : ArchiveDialog {
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
    std::string YearText() override { return "2030"; }
    int FileTypeCount() override { return 1; }
    std::string FileTypeText(int) override { return "Dokumente (*.DOC*)"; }
    bool FileTypeTicked(int) override { return true; }
    void SetStatus(const std::string&) override {}
    std::string RunButtonCaption() override { return "Stopp!"; }
    void SetRunButtonCaption(const std::string&) override {}
    void SetBusyPointer(bool) override {}
};

void Touch(const std::string& path) {
    HANDLE h = CreateFileW(win32::Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    CloseHandle(h);
}

bool Exists(const std::string& path) { return GetFileAttributesW(win32::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Real files and folders, listed as the reparse points a OneDrive folder or a file server
// holds: files behind a tag that is no link are archived like any other, folders behind one
// are walked; links and junctions are neither entered nor moved.
TEST(ClassifyFindData, TheWalkArchivesCloudAndDeduplicatedFilesAndLeavesLinksAlone) {
    platform::win32::InstallWin32Ports();
    ui::HeadlessUi headless;
    platform::ports().ui = &headless;
    Module().CurrLang = 0;
    InitProductTexts();
    ScratchFolder dir;
    const std::map<std::string, WIN32_FIND_DATAW> listedAs{
        {"Nur online.doc", FindData(kReparse | kRecallOnDataAccess, kCloud3)},
        {"Dedupliziert.doc", FindData(kReparse, kDedup)},
        {"Komprimiert.doc", FindData(kReparse, kWof)},
        {"Verweis.doc", FindData(kReparse, kSymlink)},
        {"OneDrive", FindData(kReparse | kDir | kRecallOnOpen, kCloud)},
        {"Verbindung", FindData(kReparse | kDir, kMountPoint)},
    };
    for (const char* f : {"Nur online.doc", "Dedupliziert.doc", "Komprimiert.doc", "Verweis.doc"}) Touch(dir / f);
    for (const char* d : {"OneDrive", "Verbindung"}) {
        CreateDirectoryW(win32::Wide(dir / d).c_str(), nullptr);
        Touch(dir / (std::string(d) + "\\Bericht.doc"));
    }
    testkit::FaultyFileSystem fs(*platform::ports().fs);
    fs.onListed = [&](const std::string&, platform::DirEntry& e) {
        if (const auto it = listedAs.find(e.name); it != listedAs.end()) e.attributes = ClassifyFindData(it->second);
    };
    platform::ports().fs = &fs;

    RealRun run;
    ProcessFiles(run, dir.str(), "*.DOC*", 12, 2030);
    platform::ports() = {};

    EXPECT_EQ(run.state.CheckedCount, 4);
    EXPECT_EQ(run.state.ArchivedCount, 4);
    EXPECT_EQ(run.state.ErrorCount, 0);
    for (const char* gone : {"Nur online.doc", "Dedupliziert.doc", "Komprimiert.doc", "OneDrive\\Bericht.doc"})
        EXPECT_FALSE(Exists(dir / gone)) << gone << " is archived";
    EXPECT_TRUE(Exists(dir / "Verweis.doc") && Exists(dir / "Verbindung\\Bericht.doc"));
}

}  // namespace
}  // namespace ardeko
