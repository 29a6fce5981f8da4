// Undo of real runs made through the wizard, on real trees, and restore of hand-made archive
// folders. The outcome shows in the tree (names, contents, times), the protocol and the counts.
#include <sys/stat.h>

#include "archive/Journal.h"
#include "archive/WalkSupport.h"
#include "undo/Undo.h"
#include "msgbox/MsgBox.h"
#include "undo/frmUndo.h"

namespace ardeko {
namespace {

using namespace testkit;

// Names, contents and last-write times (to the nanosecond) of everything below `folder`.
std::string Snapshot(const std::string& folder) {
    std::set<std::string> entries;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        lstat(e.path().c_str(), &st);
        const std::string rel = e.path().lexically_relative(folder).string();
        entries.insert(e.is_directory() ? rel + "/"
                                        : fmt::format("{}={}@{}.{}", rel, ReadFile(e.path()), st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    }
    return fmt::format("{}", fmt::join(entries, "\n"));
}

// Stops once `after` files were looked at; keeps the status texts.
struct Progress : UndoProgress {
    int after = -1;
    Lines status;
    void Status(const std::string& text) override { status.push_back(text); }
    void Pump() override {}
    bool StopRequested() override { return after >= 0 && static_cast<int>(status.size()) >= after; }
};

class Undo : public ArchiveTest {
protected:
    // A real run through the wizard's button: every file type, cut-off December 2008.
    void RealRun(bool months = false) {
        dlg.clMonth.ListIndex = 11, dlg.clYear.SetText("2008");
        dlg.lstFileTypes.UserSetSelected(dlg.lstFileTypes.ListCount() - 1, true);
        (months ? dlg.obYearMonth : dlg.obYear).Select();
        dlg.btnDoIt.PerformClick();
    }
    std::string Runs() {
        std::string s;
        for (const auto& r : UndoableRuns()) s += fmt::format("{} {} {}|", r.number, RunStartText(r.started), r.files);
        return s;
    }
    UndoOutcome UndoNewest(bool test = false) { return UndoRun(UndoableRuns().at(0).number, test, progress); }
    std::string Counts(const UndoOutcome& o) { return fmt::format("{}/{}/{}{}", o.restored, o.left, o.errors, o.stopped ? " stopped" : ""); }
    // The protocol from the last line that starts with `mode`.
    std::string ProtocolOf(const std::string& mode) {
        const std::string all = Protocol();
        return all.substr(all.rfind(mode + " gestartet"));
    }
    Progress progress;
};

TEST_F(Undo, RunsAreUndoneNewestFirstToTheSameTreeAlsoAfterTheProtocolWentAndTheLanguageChanged) {
    fs::create_directories(At("~~~ 2001"));  // an archive folder from before: it stays
    Make({"a.doc", "Sub/b.xls", "Sub/Tief/c.txt", "100%.doc", "roh\xFF.doc", "zwei\nZeilen.doc"}, Date(2005, 3, 3));
    Make({"neu.doc"}, Date(2009, 1, 1));
    const std::string before = Snapshot(root);

    RealRun(true);
    Make({"später.doc"}, Date(2006, 1, 1));
    const std::string between = Snapshot(root);
    fs::remove(ArchiveProtocolPath());
    env.ConnectHost(app, 1);  // English: another protocol folder, the same journal
    RealRun();
    EXPECT_EQ(Runs(), "2 04.12.09 18:47 1|1 04.12.09 18:47 6|");

    const UndoOutcome test = UndoNewest(true);
    EXPECT_EQ(Counts(test), "1/0/0");
    EXPECT_EQ(ProtocolOf("Rückgängig-Testlauf"),
              "Rückgängig-Testlauf gestartet (Lauf 2 vom 04.12.09 18:47:15)|Startordner: Daten|Zurückgeholt: Daten/~~~ 2006/später.doc|"
              "nach 'Daten'|Rückgängig-Testlauf abgeschlossen...");
    EXPECT_EQ(Runs(), "2 04.12.09 18:47 1|1 04.12.09 18:47 6|");

    EXPECT_EQ(Counts(UndoNewest()), "1/0/0");
    EXPECT_EQ(Snapshot(root), between);
    EXPECT_EQ(Counts(UndoNewest()), "6/0/0");
    EXPECT_EQ(progress.status.back(), "Prüfe Datei 6...");
    fs::remove(At("später.doc"));
    EXPECT_EQ(Snapshot(root), before);  // the month and year folders the run made are gone
    EXPECT_EQ(Runs(), "");
    EXPECT_FALSE(UndoRun(1, false, progress).found);
}

// Each file that cannot go back stays, and the protocol says why; the run stays listed for them.
TEST_F(Undo, FilesThatCannotGoBackStayWithTheirReason) {
    Make({"~~~ 2005/ersetzt.doc"}, Date(2004, 1, 1));
    Make({"geändert.doc", "fort.doc", "belegt.doc", "ersetzt.doc", "klemmt.doc", "gut.doc"}, Date(2005, 1, 1));
    faulty.Fail(FaultyFileSystem::Op::Remove, "klemmt.doc");
    answers = {1};  // replace the archived ersetzt.doc
    RealRun();
    faulty.ClearFaults();
    MakeFile(At("~~~ 2005/geändert.doc"), "anders", Date(2005, 1, 1));
    fs::remove(At("~~~ 2005/fort.doc"));
    Make({"belegt.doc"}, Date(2009, 1, 1));

    const UndoOutcome o = UndoNewest();
    EXPECT_EQ(Counts(o), "2/4/0");
    const std::string p = ProtocolOf("Rückgängig");
    for (const std::string line : {"! Nicht zurückgeholt: Daten/~~~ 2005/geändert.doc (geändert)",
                                   "! Nicht zurückgeholt: Daten/~~~ 2005/fort.doc (nicht mehr vorhanden)",
                                   "! Nicht zurückgeholt: Daten/~~~ 2005/belegt.doc (Ziel belegt)",
                                   "! Nicht zurückgeholt: Daten/~~~ 2005/klemmt.doc (Quelle noch vorhanden)",
                                   "Zurückgeholt: Daten/~~~ 2005/ersetzt.doc|nach 'Daten'|! Frühere Fassung nicht "
                                   "wiederherstellbar: Daten/~~~ 2005/ersetzt.doc"})
        EXPECT_NE(p.find(line), std::string::npos) << line << "\n" << p;
    EXPECT_TRUE(p.ends_with("|Rückgängig abgeschlossen..."));
    EXPECT_EQ(Runs(), "1 04.12.09 18:47 3|");  // the three moved ones that stayed
    EXPECT_EQ(ReadFile(At("belegt.doc")), "belegt.doc");
    EXPECT_TRUE(fs::exists(At("~~~ 2005")));
}

TEST_F(Undo, SummaryTextsAndIcons) {
    const std::pair<UndoOutcome, std::string> cases[] = {
        {{UndoMode, 1234, 0, 0}, "64 Rückgängig abgeschlossen - 1.234 Datei(en) zurückgeholt..."},
        {{UndoTestMode, 2, 1, 0}, "48 Rückgängig-Testlauf abgeschlossen - 2 Datei(en) zurückgeholt, 1 nicht zurückgeholt - bitte prüfen Sie das Protokoll..."},
        {{RestoreMode, 0, 0, 0, true}, "48 Es wurden keine zurückzuholenden Dateien gefunden."},
        {{RestoreMode, 3, 0, 0, true}, "48 Auflösen abgebrochen - 3 Datei(en) zurückgeholt..."},
        {{UndoMode, 3, 0, 2}, "16 Rückgängig abgeschlossen - 3 Datei(en) zurückgeholt...\r\n\r\nDabei sind 2 Fehler aufgetreten - bitte prüfen Sie das Protokoll..."},
    };
    for (const auto& [outcome, expected] : cases) {
        const UndoSummary s = ComposeUndoSummary(outcome);
        EXPECT_EQ(std::to_string(s.icon) + " " + s.text, expected);
    }
}

// A run killed in the middle left intents without results: each is judged by which side exists.
// An undo stopped after its first file leaves the rest listed.
TEST_F(Undo, KilledRunIsSettledAndAStoppedUndoLeavesTheRestListed) {
    Make({"a.doc", "b.doc", "c.doc"}, Date(2005, 1, 1));
    const std::string before = Snapshot(root);
    auto journal = RunJournal::Begin({Date(2009, 12, 4), "Word", root});
    const int seq = journal->Intent(At("a.doc"), At("~~~ 2005/a.doc"), root + "/", At("~~~ 2005"), false);
    fs::create_directories(At("~~~ 2005"));
    fs::rename(At("a.doc"), At("~~~ 2005/a.doc"));
    journal->Result(seq, {});
    journal->Intent(At("b.doc"), At("~~~ 2005/b.doc"), root + "/", At("~~~ 2005"), false);  // killed after the move
    fs::rename(At("b.doc"), At("~~~ 2005/b.doc"));
    journal->Intent(At("c.doc"), At("~~~ 2005/c.doc"), root + "/", At("~~~ 2005"), false);  // killed before it
    journal.reset();
    EXPECT_EQ(Runs(), "1 04.12.09 10:00 2|");

    progress.after = 1;
    EXPECT_EQ(Counts(UndoNewest()), "1/0/0 stopped");
    EXPECT_TRUE(ProtocolOf("Rückgängig").ends_with("|! Rückgängig abgebrochen..."));
    EXPECT_EQ(Runs(), "1 04.12.09 10:00 1|");
    progress = {};
    EXPECT_EQ(Counts(UndoNewest()), "1/0/0");
    EXPECT_EQ(Snapshot(root), before);
}

TEST_F(Undo, JournalKeepsTheNewestRunsNumbersGoOnAndNamesOfAnyBytesSurvive) {
    for (int i = 0; i < JournalKeptRuns + 1; ++i) RunJournal::Begin({Date(2009, 12, 4), "Word", root});
    const auto runs = ReadJournal("Word");
    ASSERT_EQ(runs.size(), std::size_t(JournalKeptRuns));
    EXPECT_EQ(runs.front().number, 2);
    EXPECT_EQ(runs.back().number, JournalKeptRuns + 1);
    for (const std::string name : {"plain.doc", "100%.doc", "roh\xFF\xC3.doc", "Größe €.doc", "%41"})
        EXPECT_EQ(NameFromJournalText(JournalText(name)), name);
}

// Hand-made archive folders of both schemes: files go back beside the year folder, a taken name
// stays, emptied archive folders go, anything else stays. A test moves nothing.
TEST_F(Undo, RestoreDissolvesArchiveFoldersOfBothSchemes) {
    Make({"~~~ 2007/a.doc", "~~~ 2008/~~~ 06 Juni/b.doc", "~~~ 2008/~~~ 07 Juli/a.doc", "~~~ 2008/~~~ 13 Nix/c.doc",
          "Sub/~~~ 1999/d.doc", "Sub/Tief/~~~ 2000/~~~ 01 Januar/e.doc", "~~~ Notizen/f.doc"},
         Date(2005, 1, 1));
    const std::string before = Snapshot(root);
    const UndoOutcome test = RestoreArchiveFolders(root, true, true, progress);
    EXPECT_EQ(Counts(test), "4/1/0");
    EXPECT_EQ(Snapshot(root), before);

    EXPECT_EQ(Counts(RestoreArchiveFolders(root, false, false, progress)), "2/1/0");
    EXPECT_EQ(Tree(root), "Sub/Tief/~~~ 2000/~~~ 01 Januar/e.doc, Sub/~~~ 1999/d.doc, a.doc, b.doc, "
                          "~~~ 2008/~~~ 07 Juli/a.doc, ~~~ 2008/~~~ 13 Nix/c.doc, ~~~ Notizen/f.doc");
    EXPECT_FALSE(fs::exists(At("~~~ 2007")) || fs::exists(At("~~~ 2008/~~~ 06 Juni")));
    EXPECT_EQ(Counts(RestoreArchiveFolders(root, true, false, progress)), "2/1/0");
    EXPECT_EQ(Tree(root), "Sub/Tief/e.doc, Sub/d.doc, a.doc, b.doc, ~~~ 2008/~~~ 07 Juli/a.doc, ~~~ 2008/~~~ 13 Nix/c.doc, "
                          "~~~ Notizen/f.doc");
    const std::string p = ProtocolOf("Auflösen");
    EXPECT_EQ(p.substr(0, p.find("|!")), "Auflösen gestartet (Word)|Startordner: Daten");
    EXPECT_NE(p.find("! Nicht zurückgeholt: Daten/~~~ 2008/~~~ 07 Juli/a.doc (Ziel belegt)"), std::string::npos) << p;
}

// A folder swapped for a link to elsewhere after restore listed it is neither entered nor emptied.
TEST_F(Undo, RestoreFollowsNoFolderSwappedForALink) {
    const std::string outside = env.dir / "Anderswo";
    Make({"~~~ 2007/a.doc", "Sub/~~~ 2007/b.doc"}, Date(2005, 1, 1));
    MakeFile(outside + "/~~~ 2007/x.doc", "fremd", Date(2005, 1, 1));
    faulty.onListed = [&](const std::string& f, const platform::DirEntry& e) {
        if (f != At("")) return;
        fs::rename(At(e.name), At(e.name + ".alt")), fs::create_directory_symlink(outside, At(e.name));
    };
    EXPECT_EQ(Counts(RestoreArchiveFolders(root, true, false, progress)), "0/0/0");
    EXPECT_EQ(Tree(outside), "~~~ 2007/x.doc");
    EXPECT_EQ(Tree(root), "Sub, Sub.alt/~~~ 2007/b.doc, ~~~ 2007, ~~~ 2007.alt/a.doc");
}

// An undo reaches the folders of its run from the start folder: a folder moved away and
// replaced by a link to where it went gets nothing back, and keeps its archive folder.
TEST_F(Undo, UndoFollowsNoFolderSwappedForALink) {
    const std::string outside = env.dir / "Anderswo";
    Make({"Sub/b.doc"}, Date(2005, 1, 1));
    RealRun();
    fs::rename(At("Sub"), outside), fs::create_directory_symlink(outside, At("Sub"));
    EXPECT_EQ(Counts(UndoNewest()), "0/0/1");
    EXPECT_EQ(Tree(outside), "~~~ 2005/b.doc");
}

// The dialog as the wizard opens it: the list of runs, a stopped test, a real undo, the beep
// cases, restore after its question.
TEST_F(Undo, DialogListsUndoesStopsRestoresAndBeeps) {
    Make({"a.doc", "b.doc"}, Date(2005, 1, 1));
    RealRun();
    dlg.btnDoIt.Caption = "Stopp!";  // during a run the button only beeps
    const int beeps = env.ui.beeps;
    dlg.btnUndo.PerformClick();
    EXPECT_EQ(env.ui.beeps, beeps + 1);
    EXPECT_TRUE(std::find(env.ui.shownForms.begin(), env.ui.shownForms.end(), "frmUndo") == env.ui.shownForms.end());
    dlg.btnDoIt.Caption = "Archivieren!";

    using Rows = std::vector<std::vector<std::string>>;
    std::string summaries;
    env.ui.onStyledBox = [&](const platform::StyledMsgBoxRequest& box) -> int {
        summaries += box.prompt.substr(2) + "|";
        return box.prompt.find("auflösen?") != std::string::npos && summaries.find("nein") == std::string::npos
                   ? (summaries += "nein|", vbNo) : vbYes;
    };
    env.ui.onModalByName["frmUndo"] = [&](ui::Form& form) {
        auto& d = dynamic_cast<frmUndo&>(form);
        EXPECT_EQ(d.XPForm.Caption, " Veltrano Archivierungs-Assistent v3.00 - Rückgängig");
        EXPECT_EQ(d.lvRuns.Rows, (Rows{{"04.12.09 18:47", root, "2 Datei(en)"}}));
        EXPECT_TRUE(d.lvRuns.ListIndex == 0 && d.cbTest.Value);
        env.ui.Post([&] { d.btnUndoRun.PerformClick(); });  // "Stopp!" at the first pump
        d.btnUndoRun.PerformClick();
        EXPECT_EQ(d.lblStatus.Caption + d.btnUndoRun.Caption, "Abgebrochen...Rückgängig machen");
        d.cbTest.UserSetValue(false);
        d.btnUndoRun.PerformClick();
        EXPECT_EQ(Tree(root), "a.doc, b.doc");
        EXPECT_EQ(d.lvRuns.Rows, (Rows{{"Keine Archivierung zum Rückgängigmachen vorhanden.", "", ""}}));
        const int before = env.ui.beeps;
        d.btnUndoRun.PerformClick();
        EXPECT_EQ(env.ui.beeps, before + 1);
        Make({"~~~ 2001/c.doc"}, Date(2001, 1, 1));
        d.btnRestore.PerformClick();  // answered "Nein"
        d.btnRestore.PerformClick();
        d.StartFolder = " ";
        d.btnRestore.PerformClick();
        d.btnClose.PerformClick();
    };
    dlg.btnUndo.PerformClick();
    EXPECT_EQ(Tree(root), "a.doc, b.doc, c.doc");
    EXPECT_EQ(summaries, "Rückgängig-Testlauf abgebrochen - 1 Datei(en) zurückgeholt...|"
                         "Rückgängig abgeschlossen - 2 Datei(en) zurückgeholt...|"
                         "Alle Archivordner unter '" + root + "' auflösen?|nein|"
                         "Alle Archivordner unter '" + root + "' auflösen?|"
                         "Auflösen abgeschlossen - 1 Datei(en) zurückgeholt...|Bitte Startordner wählen...|");
}

}  // namespace
}  // namespace ardeko
