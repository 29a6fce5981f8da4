#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/ExecProg.h"
#include "support/Help.h"
#include "support/Identity.h"
#include "support/Paths.h"
#include "support/RegSubs.h"
#include "support/Translate.h"
#include "support/Version.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using namespace ardeko::platform;
using ardeko::testkit::TestEnv;

using Text = std::optional<std::string>;  // nothing: the host member raises an error

// The short name and major version the texts and settings are keyed by; an unreadable member
// gives "Office" and -1, as does no host at all.
TEST(HostIdentity, ShortNameAndMajorVersionOfTheApplication) {
    const std::tuple<Text, Text, const char*, std::int16_t> cases[] = {
        {"Microsoft Excel", "11.0.5604", "Excel", 11}, {"Microsoft PowerPoint", "14", "PowerPoint", 14},
        {"Microsoft Access", ".5", "Access", 0}, {"MICROSOFT WORD", "12a.0", "Word", 12}, {"Microsoft FrontPage", "32767.1", "FrontPage", 32767},
        {"Microsoft Visio", "32768.0", "Office", -1}, {std::nullopt, std::nullopt, "Office", -1},
        {"word and powerpoint", "1", "Word", 1}, {"PowerPoint Outlook", "1", "Outlook", 1},  // the earlier key decides
    };
    for (const auto& [name, version, shortName, major] : cases) {
        TestEnv env;
        auto app = env.ConnectHost(name.value_or(""), version.value_or(""));
        if (!name) app->failing = {"Name", "Version"};
        EXPECT_EQ(GetHostName() + " " + std::to_string(GetHostVersion()), shortName + (" " + std::to_string(major))) << name.value_or("<unreadable>");
    }
    TestEnv env;  // no host at all
    EXPECT_EQ(GetHostName() + std::to_string(GetHostVersion()), "Office-1");
}

using Strings = std::vector<std::string>;

// Records directory creations, throwing for every path that starts with "X"; the separator is the
// test's choice, so the Windows shapes of paths (drives, backslashes, shares) are checked here too.
struct RecordingFs : testkit::FaultyFileSystem {
    RecordingFs(FileSystem& inner, char s) : FaultyFileSystem(inner), sep(s) {}
    char sep;
    Strings created;
    char separator() const override { return sep; }
    IoResult createDirectory(const std::string& path) override {
        created.push_back(path);
        if (path.starts_with("X")) throw std::runtime_error("device not ready");
        return IoResult::success();
    }
};

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
        TestEnv env;
        RecordingFs rec(env.fs(), sep);
        ports().fs = &rec;
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
    EXPECT_EQ(GetSpecialFolder(12345), "");  // a folder the shell does not know
}

const std::string kKey = "Software\\Veltrano\\OffArdeko";
const RegValue kBefore = std::string("vorher");  // what a failed read must leave
constexpr auto HKLM = HKEY_LOCAL_MACHINE_;

TEST(ReadRegValue, ReadsByTheStoredTypeOrShowsWhyNotWhenAsked) {
    TestEnv env;
    Module().ProductTitle = "Veltrano Archivierungs-Assistent v3.00";
    env.registry.SetString(HKLM, kKey, "Ausdruck", "%WINDIR%\\x", REG_EXPAND_SZ_);  // never expanded
    env.registry.SetString(HKLM, kKey, "Lang", std::string(9999, 'l'));  // 10000 bytes with the NUL
    env.registry.SetString(HKLM, kKey, "Zulang", std::string(10000, 'z'));
    env.registry.SetString(HKLM, kKey, "Umlaut", "ä" + std::string(9998, 'u'));  // 10001 bytes, 10000 characters
    env.registry.SetString(HKLM, kKey, "Bytes", "\x01\x02", 3);
    env.registry.SetDword(HKLM, kKey, "Zahl", 42);
    const struct { std::string key; const char* name; std::uint32_t type; RegValue value; std::string box; } cases[] = {
        {kKey, "Ausdruck", REG_EXPAND_SZ_, std::string("%WINDIR%\\x"), ""}, {kKey, "Lang", REG_SZ_, std::string(9999, 'l'), ""},
        {kKey, "Umlaut", REG_SZ_, "ä" + std::string(9998, 'u'), ""},
        {kKey, "Zahl", REG_DWORD_, std::uint32_t{42}, ""}, {kKey, "Bytes", REG_SZ_, kBefore, ""},  // binary: no value and no box
        {"Software\\Fehlt", "Doku", REG_SZ_, kBefore, "Eintrag kann nicht geöffnet werden:\r\nKey/Path= Software\\Fehlt\r\nDLL-Rückmeldung=2"},
        {kKey, "Zulang", REG_SZ_, kBefore, "Eintrag/Wert kann nicht gelesen werden:\r\nKey= Zulang\r\nDLL-Rückmeldung=234"},
    };
    for (const auto& c : cases)
        for (bool show : {false, true}) {
            env.ui.systemBoxes.clear();
            RegValue result = kBefore;
            EXPECT_EQ(ReadRegValue(HKLM, c.key, c.name, c.type, result, show), c.value != kBefore) << c.name;
            EXPECT_EQ(result, c.value) << c.name;
            ASSERT_EQ(env.ui.systemBoxes.size(), show && !c.box.empty() ? 1u : 0u) << c.name;
            EXPECT_EQ(env.ui.systemBoxes.empty() ? "" : env.ui.systemBoxes[0].text, show ? c.box : "") << c.name;
        }
    EXPECT_EQ(env.ui.systemBoxes.at(0).title + "|" + std::to_string(env.ui.systemBoxes.at(0).flags), "Veltrano Archivierungs-Assistent v3.00|48");
    EXPECT_EQ(env.registry.openHandles, 0);  // every key closed again, after a failed read too
    // Full access on every open, which a user without write rights on the key does not get.
    for (const auto& opened : env.registry.opens) EXPECT_EQ(std::get<2>(opened), KEY_ALL_ACCESS_);
}

TEST(ReadRegValue, UnexpectedErrorIsShownEvenUnaskedAndTheKeyClosed) {
    TestEnv env;
    struct : testkit::FakeRegistry {
        long QueryValueEx(RegHandle, const std::string&, std::uint32_t, std::uint32_t&, std::string&, std::uint32_t&) override {
            throw std::runtime_error("Speicher voll");
        }
    } throwing;
    throwing.SetString(HKLM, kKey, "Doku", "x");
    ports().registry = &throwing;
    RegValue result = kBefore;
    EXPECT_FALSE(ReadRegValue(HKLM, kKey, "Doku", REG_SZ_, result, false));
    EXPECT_TRUE(result == kBefore && throwing.openHandles == 0);
    EXPECT_EQ(env.SystemBoxes(), "|48|Fehler bei Eintrag lesen: Speicher voll\n");
}

using Handles = std::vector<platform::ProcessHandle>;

// The last launch as "file|parameters|directory|show", "-" standing for no parameters at all (not "").
static std::string LastLaunch(const testkit::FakeShell& shell) {
    const auto& r = shell.executed.at(shell.executed.size() - 1);
    return fmt::format("{}|{}|{}|{}", r.file, r.parameters.value_or("-"), r.directory, r.showCommand);
}

TEST(clsExecProg, LaunchesAsToldFailsBelowInstance32AndReleasesEachHandleOnce) {
    struct : testkit::FakeShell {
        Handles closed;
        void CloseProcess(platform::ProcessHandle p) override { closed.push_back(p); }
    } shell;
    TestEnv env;
    platform::ports().shell = &shell;
    auto runner = std::make_unique<clsExecProg>();
    EXPECT_FALSE(runner->IsRunning());  // no process yet: no wait (the shell's would time out)
    runner->ProgName("editor");
    runner->WorkDir("/tmp");
    runner->WinMode(1);
    runner->ProgParas("  -n \"a b\"  ");
    shell.execResult = {31, 11};
    runner->ExecProg();
    EXPECT_EQ(LastLaunch(shell), "editor|  -n \"a b\"  |/tmp|1");
    EXPECT_TRUE(runner->EPError());
    shell.execResult = {32, 22};
    runner->ExecProg();  // sets the error anew, and lets the first handle go before launching
    EXPECT_EQ(shell.closed, Handles{11});
    EXPECT_TRUE(runner->IsRunning() && !runner->EPError());  // the wait timed out
    shell.waitResult = platform::WAIT_OBJECT_0_;
    EXPECT_FALSE(runner->IsRunning() || runner->EPError());
    shell.waitResult = platform::WAIT_FAILED_;
    EXPECT_TRUE(!runner->IsRunning() && runner->EPError());
    runner.reset();
    EXPECT_EQ(shell.closed, (Handles{11, 22}));
}

// The document itself is launched, without parameters, in "windir", maximized.
TEST(OpenDocument, OpensMaximizedAndReportsOnlyAFailedLaunch) {
    for (std::intptr_t instApp : {42, 2}) {
        TestEnv env;
        env.shell.execResult = {instApp, 0};
        OpenDocument("https://www.example.org");
        EXPECT_EQ(LastLaunch(env.shell), "https://www.example.org|-|/windows|3");
        EXPECT_EQ(std::to_string(env.ui.beeps) + " " + env.SystemBoxes(), instApp < 32 ? "1 !!! Problem !!!|64|Client konnte nicht gestartet werden...\n" : "0 ");
    }
}

const std::string kWord = "Program/Dokumentation Veltrano Archivierungs-Assistent für Word";
const std::string kGerman = "\r\nSie finden eine Kurz-Anleitung zu diesem Add-In im Start-Menü unter 'Programme-Veltrano'... | "
                            "Veltrano Archivierungs-Assistent v3.00 | 64 | beeps 1";

// Puts up the files (a trailing "/" makes a folder) and records the paths, then runs ShowHelp. Returns the
// document it opened, relative to the scratch folder, or the notice it showed.
static std::string Help(TestEnv& env, const std::vector<std::string>& files, const std::string& setting = "", const std::string& reg = "") {
    for (const std::string& f : files) {
        std::filesystem::create_directories(std::filesystem::path(env.dir / f).parent_path());
        if (f.back() != '/') std::ofstream(env.dir / f) << "Handbuch";
    }
    if (!setting.empty()) env.settings.Set("OffArdeko", "Doku", env.dir / setting);
    if (!reg.empty()) env.registry.SetString(platform::HKEY_LOCAL_MACHINE_, kKey, "Doku", env.dir / reg);
    ShowHelp();
    if (!env.shell.executed.empty()) return std::filesystem::relative(env.shell.executed[0].file, env.dir.path());
    const auto& box = env.ui.styledBoxes.at(0);
    return box.prompt + " | " + box.title + " | " + std::to_string(box.flags & 0x77) + " | beeps " + std::to_string(env.ui.beeps);
}

TEST(HelpTest, RecordedPathThenTheManualBesideTheProgramThenTheNotice) {
    const std::string excel = "Program/Manual Veltrano Archiving Wizard for Excel.html";
    const std::tuple<const char*, std::int16_t, std::vector<std::string>, std::string, std::string, std::string> cases[] = {
        // host, language, files, recorded in the settings, in the registry, what opens
        {"Word", 0, {"Handbuch/A.pdf", "r.pdf", kWord + ".pdf"}, "Handbuch/A.pdf", "r.pdf", "Handbuch/A.pdf"},
        {"Word", 0, {"Mit Blanks.chm", kWord + ".pdf"}, "", "Mit Blanks.chm", "Mit Blanks.chm"},
        {"Word", 0, {kWord + ".pdf", excel}, "", "", kWord + ".pdf"},
        {"Excel", 1, {kWord + ".pdf", excel}, "", "", excel},
        {"Word", 1, {kWord + ".pdf"}, "", "", "\r\nYou'll find a first steps documentation in 'Start-Programs-Veltrano'... | "
                                              "Veltrano Archiving Wizard v3.00 | 64 | beeps 1"},
        {"Word", 0, {kWord + ".pdf"}, "weg.pdf", "", kWord + ".pdf"},  // a recorded file that is gone (from either)
        {"Word", 0, {"Ordner.pdf/", kWord + ".d/"}, "Ordner.pdf", "", kGerman},  // folders do not count
        {"Word", 0, {".versteckt.pdf", kWord + ".txt"}, ".versteckt.pdf", "", kWord + ".txt"},  // nor hidden files
    };
    for (const auto& [app, lang, files, setting, reg, opened] : cases) {
        SCOPED_TRACE(std::string(app) + " " + std::to_string(lang) + " " + files[0]);
        TestEnv env;
        env.ConnectHost(std::string("Microsoft ") + app, "16.0", lang);
        EXPECT_EQ(Help(env, files, setting, reg), opened);
        EXPECT_EQ(env.registry.opens.empty(), !setting.empty()) << "the registry only when nothing is set";
    }
}

TEST(HelpTest, BrokenSourcesAreSkipped) {
    TestEnv env;
    env.ConnectHost("Microsoft Word", "16.0");
    env.settings.failRead = true;
    env.registry.SetDword(platform::HKEY_LOCAL_MACHINE_, kKey, "Doku", 7);  // not a path
    EXPECT_EQ(Help(env, {kWord + ".pdf"}), kWord + ".pdf");
    env.shell.executed.clear();
    env.shell.programFolder = env.dir / "fehlt";
    EXPECT_EQ(Help(env, {}), kGerman);
}

namespace {

struct frmSample : ui::Form {
    frmSample() : ui::Form("frmSample") {
        Caption = "designed"; Tag = "Archivierung|Archiving";
        btnHelp.Caption = "designed help"; btnHelp.Tag = "Hilfe| Klicken Sie hier...|Help|Click for documentation...";
        btnTwo.Caption = "kept"; btnTwo.Tag = "Zwei|Teile";  // not four parts: reported, and the next controls still get theirs
        lblMarked.ToolTipText = "designed tip"; lblMarked.Tag = "°PN für °AN & mehr||°PN for °AN & more|";
        lblPlain.Tag = "A & B||C & D|"; imgLogo.Tag = "Bild|Logo-Tipp|Picture|Logo tip";
        btnWide.Caption = "x"; btnWide.Width = 1000; btnWide.Tag = "~Breiter Knopf||~Wide|";
        lvFiles.ColumnHeaders = {"1", "2", "3"}; lvFiles.Tag = "Name|Größe|Datum|Name|Size|Date";
    }
    // What the user sees of it, "|" between the controls.
    std::string Texts() const {
        return fmt::format("{}|{}/{}|{}|{}/{}|{}|{}:{}|{}|{}", Caption, btnHelp.Caption, btnHelp.ToolTipText, btnTwo.Caption,
                           lblMarked.Caption, lblMarked.ToolTipText, lblPlain.Caption, btnWide.Caption, btnWide.Width,
                           fmt::join(lvFiles.ColumnHeaders, ","), imgLogo.ToolTipText);
    }
    ui::Button btnHelp{*this, "btnHelp"}, btnTwo{*this, "btnTwo"}, btnWide{*this, "btnWide"};
    ui::Label lblMarked{*this, "lblMarked"}, lblPlain{*this, "lblPlain"};
    ui::ListView lvFiles{*this, "lvFiles"};
    ui::Image imgLogo{*this, "imgLogo"};
};

}  // namespace

TEST(TranslateForm, TakesTheLanguagesPartOfEachFourPartTag) {
    // Tool tips get a leading blank; "°PN"/"°AN" become product and host, and then every "&" is
    // doubled; a "~" caption loses the "~" and is fitted to its text (90 a character + 300).
    const std::tuple<std::int16_t, const char*, const char*> cases[] = {
        {0, "Microsoft Excel", " Archivierung|Hilfe/  Klicken Sie hier...|kept|Archivierungs-Assistent für Excel "
                               "&& mehr/designed tip|A & B|Breiter Knopf:1470|Name,Größe,Datum| Logo-Tipp"},
        {1, "Microsoft Access", " Archiving|Help/ Click for documentation...|kept|Archiving Wizard for Access && "
                                "more/designed tip|C & D|Wide:660|Name,Size,Date| Logo tip"},
        // A language beyond the tags leaves the texts alone.
        {5, "Microsoft Word", "designed|designed help/|kept|/designed tip||x:1000|1,2,3|"},
    };
    for (const auto& [lang, host, texts] : cases) {
        TestEnv env;
        env.ConnectHost(host, "16.0", lang);
        frmSample f;
        TranslateForm(f);
        EXPECT_EQ(f.Texts(), texts);
        EXPECT_EQ(f.btnHelp.SoundClick + "|" + f.btnHelp.SoundHover, env.shell.programFolder + "/Click.wav|" + env.shell.programFolder + "/Hover.wav");
        EXPECT_EQ(f.MousePointer, ui::MousePointerDefault);
        EXPECT_EQ(std::to_string(env.ui.beeps) + " " + env.SystemBoxes(), "1 An Tamrel:|16|Please check translation settings: "
                  "(F: frmSample, C: btnTwo)\r\n\r\n(Msg logged, send LOG file to Tamrel...)\n");
    }
}
