// The rules of a run (the pattern of a list entry, the cut-off year, the summary), and the walk on
// real temporary folder trees: where files go, what is skipped, the questions, the protocol lines
// of each outcome; and failures of the file system on the way, through which nothing a user had
// is ever lost.
#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "WalkSupport.h"
#include "archive/RunDriver.h"
#include "msgbox/MsgBox.h"
#include "support/Guard.h"

namespace ardeko::testkit {
namespace {

using FileWalk = ArchiveTest;
using Op = FaultyFileSystem::Op;

TEST(Rules, PatternOfAnEntryAndYearOfTheYearText) {
    EXPECT_EQ(PatternFromEntry("Sonder (a) (*.X*)"), "a) (*.X*");  // after the first "(", without the last character
    const std::pair<const char*, int> years[] = {{" 2008", 2008}, {"2008abc", 2008}, {"2008.6", 2009}, {"2009.5", 2010}, {"abc", 0}, {"-5", -5}, {"99999", 0}};
    for (const auto& [text, year] : years) EXPECT_EQ(CutOffYearFromText(text), year) << '"' << text << '"';
}

TEST_F(FileWalk, SummaryTextsAndIcons) {  // with German digit grouping
    const std::string none = "  keine Dateien archiviert", errors = " Fehler aufgetreten - bitte prüfen Sie das Protokoll...";
    const struct { const char* mode; ArchiveRunState state; std::string iconAndText; } cases[] = {  // icon 48: warning
        {"Testlauf", {0, 0, 0, false}, "48 Es wurden keine zu archivierenden Dateien gefunden..."},
        {"Archivierung", {0, 0, 0, true}, "48 Es wurden keine zu archivierenden Dateien gefunden..."},
        {"Archivierung", {1234567, 1000, 0, false}, "64 Archivierung abgeschlossen - 1.234.567 Datei(en) geprüft, 1.000 Datei(en) archiviert..."},
        {"Archivierung", {10, 5, 2, false}, "16 Archivierung abgeschlossen - 10 Datei(en) geprüft, 5 Datei(en) archiviert.\r\n\r\nDabei sind 2" + errors},
        {"Testlauf", {3, 1, 0, true}, "48 Testlauf abgebrochen - 3 Datei(en) geprüft, 1 Datei(en) archiviert..."},
        {"Testlauf", {8, 0, 0, false}, "64 Testlauf abgeschlossen - 8 Datei(en) geprüft," + none + "..."},
        {"Archivierung", {3, 0, 1, true}, "16 Archivierung abgebrochen - 3 Datei(en) geprüft," + none + ".\r\n\r\nDabei sind 1" + errors},
    };
    for (const auto& c : cases) {
        const RunSummary s = ComposeRunSummary(c.mode, c.state);
        EXPECT_EQ(std::to_string(s.icon) + " " + s.text, c.iconAndText);
    }
}

TEST_F(FileWalk, OnlyDueFilesOfThePatternAreTakenByTheChosenDate) {
    MakeFile(At("alt.doc"), "a", Date(2008, 6, 30, 23, 59, 59));
    MakeFile(At("neu.doc"), "n", Date(2008, 7, 1, 0, 0, 0));
    MakeFile(At("alt.xls"), "x", Date(2001, 1, 1));
    MakeFile(At("vorjahr.doc"), "v", Date(2007, 12, 15));
    MakeFile(At("zugriff.doc"), "z", Date(2008, 7, 2), Date(2008, 1, 5));
    Walk("*.DOC*", 6, 2008);
    EXPECT_EQ(Result(), "4/2/0: alt.xls, neu.doc, zugriff.doc, ~~~ 2007/vorjahr.doc, ~~~ 2008/alt.doc");
    dlg.obAccessed.Select();
    Walk("*.DOC*", 6, 2008);
    EXPECT_EQ(Result(), "6/3/0: alt.xls, neu.doc, ~~~ 2007/vorjahr.doc, ~~~ 2008/alt.doc, ~~~ 2008/zugriff.doc");
    // Files made just now were born after any cut-off in the past; a file that a second pattern
    // matches is counted again.
    dlg.RunState() = {}, dlg.obCreated.Select();
    Walk("*.*", 6, 2008);
    Walk("*.DOC*", 6, 2008);
    EXPECT_EQ(Counts(), "3/0/0");
}

TEST_F(FileWalk, SubfoldersAreArchivedInPlaceAfterTheFilesAndArchiveAndHiddenEntriesAreLeftAlone) {
    Make({"a.doc", "Projekte/b.doc", "Projekte/Tief/c.doc", "~~~ 2007/alt.doc", ".versteckt.doc", ".V/d.doc"}, Date(2007, 3, 1));
    ArchiveProtocolPath();  // the data folder exists, as after any earlier run
    Walk();
    EXPECT_EQ(Result(), "3/3/0: .V/d.doc, .versteckt.doc, Projekte/Tief/~~~ 2007/c.doc, Projekte/~~~ 2007/b.doc, ~~~ 2007/a.doc, ~~~ 2007/alt.doc");
    // A status line per file and per subfolder taken.
    EXPECT_EQ(dlg.status, (Lines{"Prüfe Datei 1...", "Prüfe Verzeichnis 1...", "Prüfe Datei 2...", "Prüfe Verzeichnis 1...", "Prüfe Datei 3..."}));
    Make({"Projekte/neu.doc"}, Date(2007, 4, 1));
    dlg.cbSubDirs.Value = false, Walk();
    EXPECT_EQ(Counts(), "3/3/0");
}

TEST_F(FileWalk, TestRunTouchesNothingAndOptionsChangedOnTheWayApplyToTheFilesThatFollow) {
    MakeFile(At("a.doc"), "a", Date(2008, 2, 29, 0, 0, 0));
    Make({"Sub/b.doc", "Sub/Tiefer/c.doc"}, Date(2008, 6, 3, 9, 15, 7));
    Make({"Sub/neu.doc"}, Date(2009, 1, 1));
    dlg.cbTest.Value = dlg.cbConfirm.Value = true;  // a test run asks nothing
    dlg.onStatus = [&](const std::string& status) {  // the start folder's files are done
        if (status == "Prüfe Verzeichnis 1...") dlg.cbTest.Value = dlg.cbConfirm.Value = false, dlg.obYearMonth.Select();
    };
    Walk();
    EXPECT_EQ(Result(), "4/3/0: Sub/Tiefer/~~~ 2008/~~~ 06 Juni/c.doc, Sub/neu.doc, Sub/~~~ 2008/~~~ 06 Juni/b.doc, a.doc");
    EXPECT_EQ(Protocol(), "Archiviert: Daten/a.doc (29.02.2008)|in 'Daten/~~~ 2008'|Archiviert: Daten/Sub/b.doc (03.06.2008 09:15:07)|"
                          "in 'Daten/Sub/~~~ 2008/~~~ 06 Juni'|Archiviert: Daten/Sub/Tiefer/c.doc (03.06.2008 09:15:07)|in 'Daten/Sub/Tiefer/~~~ 2008/~~~ 06 Juni'");
}

TEST_F(FileWalk, TargetPathOf250CharactersIsTakenAnd251RefusedAlsoInATestRun) {
    std::string folder = "Ordner_";
    for (int i = 0; i < 60; ++i) folder += "ü";  // the limit counts characters, not bytes
    const std::size_t free = 250 - CharacterCount(At(folder + "/~~~ 2008/.doc"));
    const std::string ok = std::string(free, 'k') + ".doc", tooLong = std::string(free + 1, 'l') + ".doc";
    Make({folder + "/" + ok, folder + "/" + tooLong}, Date(2008, 1, 1));
    dlg.cbTest.Value = true, Walk();  // the limit is checked before the test run
    dlg.cbTest.Value = false, Walk();
    EXPECT_EQ(Result(), "4/2/0: " + folder + "/" + tooLong + ", " + folder + "/~~~ 2008/" + ok);
    EXPECT_EQ(LastBox().prompt + " " + std::to_string(LastBox().flags) + " " + std::to_string(env.ui.beeps),
              "\r\nPfad zu lang für Archivierung! " + std::to_string(48 + 1024) + " 2");
    const std::string protocol = Protocol(), refused = "! Pfad zu lang: Daten/" + folder + "/~~~ 2008/" + tooLong;
    EXPECT_NE(protocol.find(refused), protocol.rfind(refused));  // once in each run
}

TEST_F(FileWalk, ConfirmationNoKeepsTheFileCancelEndsTheWalkYesMovesIt) {
    dlg.cbConfirm.Value = true, Make({"a.doc"}, Date(2008, 1, 1));
    answers = {2}, Walk();
    EXPECT_EQ(asked.at(0).prompt, "Datei '" + At("a.doc") + "'\r\narchivieren in '" + At("~~~ 2008") + "'?");
    EXPECT_EQ(asked[0].checkBoxShown + env.ui.beeps, 0 + 1);
    EXPECT_EQ(asked[0].defaultButton, 1);  // Enter says "Ja"
    EXPECT_EQ(Result() + " [" + Protocol() + "]", "1/0/0: a.doc []");

    Make({"b.doc", "Sub/c.doc"}, Date(2008, 1, 1));
    answers = {3}, Walk();
    EXPECT_EQ(Result(), "2/0/0: Sub/c.doc, a.doc, b.doc");
    Walk();  // a walk that starts after a stop request returns at once
    EXPECT_EQ(Counts() + " " + dlg.lblStatus.Caption, "2/0/0 Archivierung wird abgebrochen...");

    dlg.RunState() = {}, answers = {1, 1, 1}, Walk();
    EXPECT_EQ(Result(), "3/3/0: Sub/~~~ 2008/c.doc, ~~~ 2008/a.doc, ~~~ 2008/b.doc");
}

TEST_F(FileWalk, ExistingTargetAnswersAndTheCheckBoxThatEndsTheQuestion) {
    Make({"a.doc", "Sub/a.doc", "~~~ 2008/a.doc", "Sub/~~~ 2008/a.doc"}, Date(2008, 1, 1));
    answers = {3}, Walk();  // "Abbrechen" ends the walk: no second question
    dlg.RunState() = {}, answers = {1, 2 + 256};  // "Ja", then "Nein" with "don't ask again" ticked
    Walk(), Walk();  // the second replaces without a question
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].prompt, "Zieldatei '" + At("~~~ 2008/a.doc") + "' ist bereits vorhanden. Überschreiben?");
    EXPECT_EQ(asked[0].checkBoxShown + env.ui.beeps, 1 + 0);
    EXPECT_EQ(asked[0].defaultButton, 2);  // Enter says "Nein"
    EXPECT_EQ(Result() + " " + ReadFile(At("~~~ 2008/a.doc")) + ReadFile(At("Sub/~~~ 2008/a.doc")), "3/2/0: Sub/~~~ 2008/a.doc, ~~~ 2008/a.doc a.docSub/a.doc");
    const std::string notice = "! Zieldatei 'Daten/~~~ 2008/a.doc' ist bereits vorhanden...|",
                      subNotice = "! Zieldatei 'Daten/Sub/~~~ 2008/a.doc' ist bereits vorhanden...|",
                      replaced = "! Vorhandene Zieldatei wird überschrieben...|";
    EXPECT_EQ(Protocol(), notice + notice + replaced + "Archiviert: Daten/a.doc (01.01.2008 10:00:00)|in 'Daten/~~~ 2008'|" + subNotice +
                              "! Sicherheitsabfrage vor Überschreiben ausgeschaltet...|! Vorhandene Zieldatei wird NICHT überschrieben...|" +
                              subNotice + replaced + "Archiviert: Daten/Sub/a.doc (01.01.2008 10:00:00)|in 'Daten/Sub/~~~ 2008'");
}

TEST_F(FileWalk, OddNamesAreArchivedAndProtocolledAndLinksAreNeitherFollowedNorMoved) {
    const Lines names = {"Straße/Übersicht März.doc", "Straße/  zwei  Blanks .doc", "Straße/отчёт.doc", "Straße/報告.doc"};
    Make(names, Date(2008, 3, 1));
    fs::create_directory_symlink(root, At("Straße/Schleife"));
    fs::create_symlink(At(names[0]), At("Verweis.doc"));
    Walk();
    EXPECT_EQ(Result(), "4/4/0: Straße/Schleife, Straße/~~~ 2008/  zwei  Blanks .doc, Straße/~~~ 2008/Übersicht März.doc, "
                        "Straße/~~~ 2008/отчёт.doc, Straße/~~~ 2008/報告.doc, Verweis.doc");
    for (const auto& n : names)
        EXPECT_NE(Protocol().find("Archiviert: Daten/" + n + " (01.03.2008 10:00:00)"), std::string::npos) << n;
}

// An archive folder that exists as anything but a real folder (a link, a file) keeps the file
// where it is, as one failed move; a file of the same name behind a link is neither asked about
// nor replaced.
TEST_F(FileWalk, ArchiveFolderThatIsNoRealFolderKeepsTheFileInTheTree) {
    const std::string outside = env.dir / "Anderswo";
    const std::string month = "~~~ 2008/~~~ 01 Januar";
    const struct { const char* name; bool months; std::function<void()> prepare; std::string blocked, target; } cases[] = {
        {"year link", false, [&] { fs::create_directory_symlink(outside, At("~~~ 2008")); }, "~~~ 2008", "~~~ 2008/a.doc"},
        {"month link", true, [&] { fs::create_directory(At("~~~ 2008")), fs::create_directory_symlink(outside, At(month)); },
         month, month + "/a.doc"},
        {"year file", true, [&] { MakeFile(At("~~~ 2008"), "x", Date(2009, 1, 1)); }, "~~~ 2008", month + "/a.doc"},
        {"dangling link", false, [&] { fs::create_directory_symlink(outside + "/fehlt", At("~~~ 2008")); }, "~~~ 2008", "~~~ 2008/a.doc"},
    };
    for (const auto& c : cases) {
        fs::remove_all(root), fs::remove_all(outside), fs::remove(ArchiveProtocolPath());
        fs::create_directories(outside);
        MakeFile(outside + "/a.doc", "fremd", Date(2001, 1, 1));
        Make({"a.doc"}, Date(2008, 1, 1));
        c.prepare();
        if (c.months) dlg.obYearMonth.Select();
        else dlg.obYear.Select();
        dlg.RunState() = {}, Walk();
        EXPECT_EQ(Counts() + " " + ReadFile(At("a.doc")), "1/0/1 a.doc") << c.name;
        EXPECT_EQ(Protocol(), "! Problem beim Verschieben von 'Daten/a.doc'|! nach 'Daten/" + c.target + "'|! 'Daten/" + c.blocked +
                                  "' ist kein Ordner (Verknüpfung oder Datei)") << c.name;
        EXPECT_EQ(Tree(outside) + " " + ReadFile(outside + "/a.doc"), "a.doc fremd") << c.name;
        EXPECT_TRUE(asked.empty()) << c.name;
    }
}

// The same when somebody swaps a folder for a link while the run is under way, at each moment
// between the walk seeing a folder and using it: nothing outside the tree is moved or made.
TEST_F(FileWalk, FolderSwappedForALinkDuringTheRunIsNeitherEnteredNorWrittenThrough) {
    const std::string outside = env.dir / "Anderswo", month = "~~~ 2008/~~~ 01 Januar";
    const auto swap = [&](const std::string& folder) { fs::rename(folder, folder + ".alt"), fs::create_directory_symlink(outside, folder); };
    const auto whenMade = [&](const char* level) { faulty.onCreatedFolder = [&, level](const std::string& f) { if (f == At(level)) swap(f); }; };
    const std::string refused = "! Problem beim Verschieben von 'Daten/a.doc'|! nach 'Daten/";
    const struct { const char* name; bool months; std::function<void()> arm; std::string counts, protocol; } cases[] = {
        {"year made", false, [&] { whenMade("~~~ 2008"); }, "1/0/1",
         refused + "~~~ 2008/a.doc'|! 'Daten/~~~ 2008' ist kein Ordner (Verknüpfung oder Datei)"},
        {"year made, months", true, [&] { whenMade("~~~ 2008"); }, "1/0/1",
         refused + month + "/a.doc'|! 'Daten/~~~ 2008' ist kein Ordner (Verknüpfung oder Datei)"},
        {"month made", true, [&] { whenMade(month.c_str()); }, "1/0/1",
         refused + month + "/a.doc'|! 'Daten/" + month + "' ist kein Ordner (Verknüpfung oder Datei)"},
        {"year checked", false, [&] {  // listed for leftover temporaries just before the move
             MakeFile(At("~~~ 2008/alt.txt"), "alt", Date(2008, 1, 1));
             faulty.onListed = [&](const std::string& f, const platform::DirEntry&) { if (f == At("~~~ 2008/")) swap(At("~~~ 2008")); };
         }, "1/0/1", refused + "~~~ 2008/a.doc'|! 'Daten/~~~ 2008' ist kein Ordner (Verknüpfung oder Datei)"},
        {"file listed", false, [&] {
             faulty.onListed = [&](const std::string& f, const platform::DirEntry& e) {
                 if (f != At("") || e.name != "a.doc") return;
                 fs::remove(At("a.doc")), fs::create_symlink(outside + "/a.doc", At("a.doc"));
                 const timespec due[2] = {{1199181600, 0}, {1199181600, 0}};  // 1 January 2008
                 utimensat(AT_FDCWD, At("a.doc").c_str(), due, AT_SYMLINK_NOFOLLOW);
             };
         }, "1/0/1", refused + "~~~ 2008/a.doc'|! 'Daten/a.doc' ist keine Datei (Verknüpfung oder Ordner)"},
        {"subfolder listed", false, [&] {
             fs::rename(At("a.doc"), At("Sub/a.doc"));
             faulty.onListed = [&](const std::string& f, const platform::DirEntry& e) { if (f == At("") && e.name == "Sub") swap(At("Sub")); };
         }, "0/0/0", ""},
    };
    for (const auto& c : cases) {
        fs::remove_all(root), fs::remove_all(outside), fs::remove(ArchiveProtocolPath());
        fs::create_directories(outside);
        MakeFile(outside + "/a.doc", "fremd", Date(2001, 1, 1));
        Make({"a.doc"}, Date(2008, 1, 1)), fs::create_directories(At("Sub"));
        faulty.onCreatedFolder = nullptr, faulty.onListed = nullptr;
        c.arm();
        if (c.months) dlg.obYearMonth.Select();
        else dlg.obYear.Select();
        dlg.RunState() = {}, Walk();
        EXPECT_EQ(Counts(), c.counts) << c.name;
        EXPECT_EQ(Protocol(), c.protocol) << c.name;
        EXPECT_EQ(Tree(outside) + " " + ReadFile(outside + "/a.doc"), "a.doc fremd") << c.name;
    }
    faulty.onCreatedFolder = nullptr, faulty.onListed = nullptr;
}

// Also when the user agreed to replace the archived file: it goes only when the new one is whole.
TEST_F(FileWalk, FailedCopyKeepsTheSourceAndTheOldArchivedFileAndFailedDeletionBothCopiesEachAsOneError) {
    Make({"a.doc", "Sub/b.doc"}, Date(2008, 1, 1));
    MakeFile(At("~~~ 2008/a.doc"), "alt", Date(2001, 1, 1));
    faulty.Fail(Op::Copy, At("a.doc"));
    faulty.Fail(Op::Remove, At("Sub/b.doc"));
    answers = {1};
    Walk();
    EXPECT_EQ(Result() + " " + ReadFile(At("a.doc")) + ReadFile(At("Sub/b.doc")) + ReadFile(At("~~~ 2008/a.doc")),
              "2/0/2: Sub/b.doc, Sub/~~~ 2008/b.doc, a.doc, ~~~ 2008/a.doc a.docSub/b.docalt");
    EXPECT_EQ(Protocol(), "! Zieldatei 'Daten/~~~ 2008/a.doc' ist bereits vorhanden...|! Vorhandene Zieldatei wird überschrieben...|"
                          "! Problem beim Verschieben von 'Daten/a.doc'|! nach 'Daten/~~~ 2008/a.doc'|! Zugriff verweigert (simuliert)|"
                          "! Problem beim Löschen von 'Daten/Sub/b.doc'|! Zugriff verweigert (simuliert)");
}

// Temporaries that a killed run left in an archive folder: a spare copy of a file that is still
// there goes once its writer has gone; one whose file is gone, or whose writer may still write,
// stays and is named in the protocol.
TEST_F(FileWalk, LeftoverTemporariesGoOnlyWhileTheirFileIsThereAndTheirWriterIsGone) {
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const auto temp = [&](const std::string& file, const std::string& machine) {
        return "~~~ 2008/" + platform::MakeTempCopyName({machine, static_cast<std::uint32_t>(gone), file}, 1);
    };
    Make({"a.doc", "b.doc", "Sub/c.doc", temp("a.doc", host), temp("weg.doc", host), temp("b.doc", "anderer-pc")}, Date(2008, 1, 1));
    Walk();
    const std::set<std::string> left{temp("b.doc", "anderer-pc"), temp("weg.doc", host), "Sub/~~~ 2008/c.doc", "~~~ 2008/a.doc", "~~~ 2008/b.doc"};
    EXPECT_EQ(Result(), fmt::format("3/3/0: {}", fmt::join(left, ", ")));
    const std::string protocol = Protocol();
    EXPECT_NE(protocol.find("! Zwischenkopie 'Daten/" + temp("weg.doc", host) + "' bleibt erhalten (Quelldatei fehlt)...|"), std::string::npos) << protocol;
    EXPECT_NE(protocol.find("! Zwischenkopie 'Daten/" + temp("b.doc", "anderer-pc") + "' bleibt erhalten (wird noch geschrieben)...|"), std::string::npos) << protocol;
    EXPECT_EQ(std::ranges::count(protocol, '!'), 2);
}

TEST_F(FileWalk, VanishedOrUnreadableFilesFoldersAndProtocolArePassedOver) {
    Make({"weg.doc", "da.doc", "Sub/x.doc", "Bleibt/y.doc", "zeitlos.doc", "Gesperrt/z.doc"}, Date(2008, 1, 1));
    faulty.Fail(Op::FileTime, "zeitlos.doc");
    faulty.Fail(Op::OpenSearch, "Gesperrt");
    int subSeen = 0;
    faulty.onListed = [&](const std::string& folder, const platform::DirEntry& e) {
        if (e.name == "weg.doc") fs::remove(folder + e.name);
        // Listed, then gone before it is walked (first walk only).
        if (e.name == "Sub" && subSeen++ == 0) fs::remove_all(folder + e.name);
        // The data folder goes during the run: the next line makes it again.
        if (e.name == "y.doc") fs::remove_all(fs::path(ArchiveProtocolPath()).parent_path());
    };
    Walk();
    EXPECT_EQ(Result(), "4/2/0: Bleibt/~~~ 2008/y.doc, Gesperrt/z.doc, zeitlos.doc, ~~~ 2008/da.doc");
    EXPECT_EQ(Protocol(), "Archiviert: Daten/Bleibt/y.doc (01.01.2008 10:00:00)|in 'Daten/Bleibt/~~~ 2008'");
    // A protocol that cannot be written does not stop the walk either.
    Make({"Sub/b.doc"}, Date(2008, 1, 1));
    faulty.Fail(Op::AppendLine, "");
    Walk();
    EXPECT_EQ(Result(), "6/3/0: Bleibt/~~~ 2008/y.doc, Gesperrt/z.doc, Sub/~~~ 2008/b.doc, zeitlos.doc, ~~~ 2008/da.doc");
    EXPECT_EQ(Protocol(), "Archiviert: Daten/Bleibt/y.doc (01.01.2008 10:00:00)|in 'Daten/Bleibt/~~~ 2008'");
}

// Random trees, options, answers and faults: every content that existed before exists after, at
// its place or in the year folder of its own folder; an archived copy that was there before is
// only replaced after a "Ja" to its own question; no temporary file is left.
TEST_F(FileWalk, RandomRunsNeverLoseAFile) {
    const Lines names = {"a.doc", "b.DOC", "c.docx", "d.txt", "Ä b.doc", "e"}, patterns = {"*.*", "*.doc", "*.DOC*", "*.txt"};
    const Op ops[] = {Op::Copy, Op::Remove, Op::FileTime, Op::AppendLine, Op::CreateDirectory, Op::OpenSearch};
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
        fs::remove_all(root);
        fs::create_directories(root);
        faulty.ClearFaults();
        answers.clear();
        asked.clear();
        dlg.RunState() = {};
        std::map<std::string, std::pair<std::string, std::string>> sources;  // path -> content, archive path
        std::map<std::string, std::string> archived;                          // path -> content
        for (const auto& folder : {root, At("A"), At("A/B"), At("A/B/C"), At("D")})
            for (const auto& name : names) {
                if (pick(4) == 0) continue;
                const auto when = Date(2006 + pick(5), 1 + pick(12), 1 + pick(28));
                const std::string path = folder + "/" + name, old = folder + "/~~~ " + std::to_string(when.year) + "/" + name;
                sources[path] = {path + std::to_string(rng()), old};
                MakeFile(path, sources[path].first, when);
                if (pick(3) == 0) MakeFile(old, archived[old] = "alt" + sources[path].first, Date(2000, 1, 1));
            }
        dlg.cbTest.Value = pick(5) == 0, dlg.cbConfirm.Value = pick(4) == 0, dlg.cbSubDirs.Value = pick(6) != 0;
        (pick(2) ? dlg.obEdited : dlg.obAccessed).Select();
        // Mostly "Ja", else "Nein", now and then "Abbrechen".
        for (int i = 0; i < 200; ++i) answers.push_back(pick(3) ? 1 : pick(6) ? 2 : 3);
        // Not the attribute read: the existence test decides about replacing, and a port that
        // reports an existing file as missing breaks its contract.
        for (int f = 1 + pick(3); f > 0; --f)
            faulty.Fail(ops[pick(6)], pick(2) ? "" : names[pick(names.size())], pick(6));
        for (int p = 1 + pick(2); p > 0 && !dlg.RunState().CancelRequested; --p)
            Walk(patterns[pick(4)], 1 + pick(12), 2008 + pick(3));

        for (const auto& [path, file] : sources)
            EXPECT_TRUE(ReadFile(path) == file.first || ReadFile(file.second) == file.first) << "lost " << path;
        for (const auto& [path, content] : archived) {
            const std::string question = "Zieldatei '" + path + "' ist bereits vorhanden. Überschreiben?";
            const auto agreed = [&](const Question& q) { return q.answer == 1 && q.prompt == question; };
            EXPECT_TRUE(ReadFile(path) == content || std::ranges::any_of(asked, agreed))
                << "replaced without agreement: " << path;
        }
        for (const auto& e : fs::recursive_directory_iterator(root))
            EXPECT_NE(e.path().filename().string()[0], '.') << "temporary file " << e.path();
    }
}

// A test run's lines may wait, a real run's may not: the second file is looked at after the
// first one's lines are in the file only in a real run.
TEST_F(FileWalk, ATestRunsLinesWaitForTheEndOfThePatternARealRunsDoNot) {
    for (const bool testRun : {true, false}) {
        fs::remove_all(root), Make({"a.doc", "b.doc"}, Date(2008, 1, 1));
        std::string atSecondFile;
        dlg.onStatus = [&](const std::string& status) { if (status.starts_with("Prüfe Datei 2")) atSecondFile = Protocol(); };
        dlg.cbTest.Value = testRun, dlg.RunState().CheckedCount = 0, Walk();
        EXPECT_EQ(atSecondFile.find("Archiviert: "), testRun ? std::string::npos : 0) << testRun;
        EXPECT_EQ(Protocol().find("Archiviert: Daten/b.doc"), Protocol().rfind("Archiviert: Daten/b.doc")) << testRun;
        fs::remove(ArchiveProtocolPath());
    }
}

// Collected lines reach the file at a message pump 100 ms after the last write, before a box,
// before a line written at once, before the protocol is shown or deleted; a protocol deleted
// meanwhile is begun anew by them.
TEST_F(FileWalk, CollectedLinesAreWrittenAtEveryFlushPoint) {
    const std::string path = ArchiveProtocolPath();
    env.clock.tickMs = 5000, CollectPROTO({"1"}), FlushPROTO();
    CollectPROTO({"2"}), env.clock.tickMs = 5099, PumpMessages();
    EXPECT_EQ(Protocol(), "1");
    env.clock.tickMs = 5100, PumpMessages();
    EXPECT_EQ(Protocol(), "1|2");

    std::string inBox;
    env.ui.onStyledBox = [&](const platform::StyledMsgBoxRequest&) { return inBox = Protocol(), 7; };  // "Nein"
    CollectPROTO({"3"}), MsgBoxStd("Box");
    EXPECT_EQ(inBox, "1|2|3");
    CollectPROTO({"4"}), WritePROTO("5");
    EXPECT_EQ(Protocol(), "1|2|3|4|5");
    CollectPROTO({"6"}), dlg.btnProto.PerformClick();
    EXPECT_EQ(Protocol(), "1|2|3|4|5|6");
    CollectPROTO({"7"}), dlg.btnDelProto.PerformClick();  // answered "Nein"
    EXPECT_EQ(inBox, "1|2|3|4|5|6|7");

    fs::remove(path), CollectPROTO({"8", "9"}), FlushPROTO();
    EXPECT_EQ(Protocol(), "8|9");
}

}  // namespace
}  // namespace ardeko::testkit
