// The walk on real temporary folder trees: where files go, what is skipped, the questions,
// the protocol lines of each outcome.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/FileWalk.h"
#include "testkit/TestEnv.h"
#include "WalkSupport.h"

namespace ardeko {
namespace {

namespace fs = std::filesystem;
using testkit::Date;
using testkit::Exists;
using testkit::MakeFile;
using testkit::ProtocolTexts;
using testkit::ReadFile;

class Walk : public ::testing::Test {
protected:
    void SetUp() override {
        env.ConnectHost("Microsoft Word");
        root = env.dir / "Daten";
        fs::create_directories(root);
    }

    void Run(const std::string& pattern = "*.*", int month = 6, int year = 2008) {
        ProcessFiles(dlg, root, pattern, static_cast<std::int16_t>(month), static_cast<std::int16_t>(year));
    }
    std::string At(const std::string& relative) const { return root + "/" + relative; }

    testkit::TestEnv env;
    testkit::FakeDialog dlg;
    testkit::DialogAnswers answers{env.ui};
    std::string root;
};

TEST_F(Walk, DueFileMovesIntoTheFolderOfItsSchemeWithEveryLevelCreated) {
    struct Case {
        FolderScheme scheme;
        const char* target;
    };
    for (const Case& c : {Case{FolderScheme::YearMonth, "~~~ 2008/~~~ 06 Juni/Bericht.doc"},
                          Case{FolderScheme::Year, "~~~ 2008/Bericht.doc"}}) {
        fs::remove_all(root);
        fs::remove(ArchiveProtocolPath());
        dlg.state = {};
        dlg.scheme = c.scheme;
        MakeFile(At("Bericht.doc"), "Inhalt", Date(2008, 6, 3, 9, 15, 0));

        Run("*.DOC*");

        EXPECT_FALSE(Exists(At("Bericht.doc")));
        EXPECT_EQ(ReadFile(At(c.target)), "Inhalt") << c.target;
        EXPECT_EQ(dlg.state.CheckedCount, 1);
        EXPECT_EQ(dlg.state.ArchivedCount, 1);
        EXPECT_EQ(dlg.state.ErrorCount, 0);
        const std::string folder = fs::path(At(c.target)).parent_path().string();
        EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                       "Archiviert: " + At("Bericht.doc") + " (03.06.2008 09:15:00)",
                                       "in '" + folder + "'",
                                   }));
    }
}

TEST_F(Walk, OnlyDueFilesOfThePatternAreTakenAndTheDateBasisCounts) {
    MakeFile(At("alt.doc"), "a", Date(2008, 6, 30, 23, 59, 59));
    MakeFile(At("neu.doc"), "n", Date(2008, 7, 1, 0, 0, 0));
    MakeFile(At("alt.xls"), "x", Date(2001, 1, 1));
    MakeFile(At("zugriff.doc"), "z", Date(2008, 7, 2));
    testkit::SetTimes(At("zugriff.doc"), Date(2008, 7, 2), Date(2008, 1, 5));

    Run("*.DOC*");
    EXPECT_EQ(dlg.state.CheckedCount, 3);
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_TRUE(Exists(At("~~~ 2008/alt.doc")));
    EXPECT_TRUE(Exists(At("neu.doc")));
    EXPECT_TRUE(Exists(At("alt.xls")));
    EXPECT_TRUE(Exists(At("zugriff.doc")));

    dlg.state = {};
    dlg.dateBasis = DateBasis::LastAccessed;
    Run("*.DOC*");
    EXPECT_EQ(dlg.state.CheckedCount, 2);
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_TRUE(Exists(At("~~~ 2008/zugriff.doc")));

    // A file made just now was born after any cut-off in the past.
    dlg.state = {};
    dlg.dateBasis = DateBasis::Created;
    Run("*.*");
    EXPECT_EQ(dlg.state.CheckedCount, 2);
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
}

TEST_F(Walk, SubfoldersAreArchivedInPlaceAndArchiveAndHiddenEntriesAreLeftAlone) {
    MakeFile(At("a.doc"), "a", Date(2007, 3, 1));
    MakeFile(At("Projekte/b.doc"), "b", Date(2007, 4, 1));
    MakeFile(At("Projekte/Tief/c.doc"), "c", Date(2006, 5, 1));
    MakeFile(At("~~~ 2007/schon.doc"), "s", Date(2007, 1, 1));
    MakeFile(At(".versteckt.doc"), "v", Date(2007, 1, 1));
    MakeFile(At(".Versteckt/d.doc"), "d", Date(2007, 1, 1));

    Run("*.doc");

    EXPECT_EQ(dlg.state.CheckedCount, 3);
    EXPECT_EQ(dlg.state.ArchivedCount, 3);
    EXPECT_EQ(ReadFile(At("~~~ 2007/a.doc")), "a");
    EXPECT_EQ(ReadFile(At("Projekte/~~~ 2007/b.doc")), "b");
    EXPECT_EQ(ReadFile(At("Projekte/Tief/~~~ 2006/c.doc")), "c");
    EXPECT_EQ(ReadFile(At("~~~ 2007/schon.doc")), "s");
    EXPECT_FALSE(Exists(At("~~~ 2007/~~~ 2007")));
    EXPECT_TRUE(Exists(At(".versteckt.doc")));
    EXPECT_TRUE(Exists(At(".Versteckt/d.doc")));
    // The folder's files come before its subfolders, and each subfolder entry is reported.
    const auto& h = dlg.statusHistory;
    ASSERT_GE(h.size(), 4u);
    EXPECT_EQ(h[0], "Prüfe Datei 1...");
    EXPECT_EQ(h[1], "Prüfe Verzeichnis 1...");
    EXPECT_EQ(h[2], "Prüfe Datei 2...");

    fs::remove_all(root);
    MakeFile(At("Projekte/b.doc"), "b", Date(2007, 4, 1));
    dlg.state = {};
    dlg.includeSubfolders = false;
    Run("*.doc");
    EXPECT_EQ(dlg.state.CheckedCount, 0);
    EXPECT_TRUE(Exists(At("Projekte/b.doc")));
}

TEST_F(Walk, MessagesArePumpedOncePerFileAndPerSubfolderEntry) {
    MakeFile(At("a.doc"), "a", Date(2008, 3, 1));
    MakeFile(At("b.doc"), "b", Date(2009, 3, 1));
    MakeFile(At("~~~ 2007/c.doc"), "c", Date(2007, 3, 1));
    fs::create_directories(At("Sub"));
    ArchiveProtocolPath();  // the data folder exists, as after any earlier run
    const long before = env.ui.doEventsCalls;
    Run("*.doc");
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_EQ(env.ui.doEventsCalls - before, 3);
}

TEST_F(Walk, OptionsChangedDuringTheWalkApplyToTheFilesThatFollow) {
    MakeFile(At("a.doc"), "a", Date(2008, 3, 1));
    MakeFile(At("Sub/b.doc"), "b", Date(2008, 3, 1));
    MakeFile(At("Sub/Tiefer/c.doc"), "c", Date(2008, 3, 1));
    dlg.testRun = true;
    dlg.onStatus = [&](const std::string& text) {
        if (text == "Prüfe Verzeichnis 1...") {
            dlg.testRun = false;
            dlg.scheme = FolderScheme::YearMonth;
        }
    };
    Run("*.doc");
    EXPECT_TRUE(Exists(At("a.doc")));
    EXPECT_TRUE(Exists(At("Sub/~~~ 2008/~~~ 03 März/b.doc")));
    EXPECT_TRUE(Exists(At("Sub/Tiefer/~~~ 2008/~~~ 03 März/c.doc")));
    EXPECT_EQ(dlg.state.ArchivedCount, 3);
}

TEST_F(Walk, TargetPathOf250CharactersIsTakenAnd251Refused) {
    // A deep folder of umlauts: the limit counts characters, not bytes.
    const std::string deep = std::string("Ordner_") + [] {
        std::string s;
        for (int i = 0; i < 60; ++i) s += "ü";
        return s;
    }();
    const std::string folder = At(deep);
    const std::size_t prefix = CharacterCount(folder + "/~~~ 2008/");
    ASSERT_LT(prefix + 10, 250u);
    const std::string ok = std::string(250 - prefix - 4, 'k') + ".doc";
    const std::string tooLong = std::string(251 - prefix - 4, 'l') + ".doc";
    MakeFile(folder + "/" + ok, "ok", Date(2008, 1, 1));
    MakeFile(folder + "/" + tooLong, "lang", Date(2008, 1, 1));

    for (bool testRun : {true, false}) {
        dlg.state = {};
        dlg.testRun = testRun;
        env.ui.styledBoxes.clear();
        env.ui.beeps = 0;
        fs::remove(ArchiveProtocolPath());
        Run("*.doc");

        EXPECT_EQ(dlg.state.CheckedCount, 2);
        EXPECT_EQ(dlg.state.ArchivedCount, 1);
        EXPECT_EQ(dlg.state.ErrorCount, 0);
        EXPECT_EQ(Exists(folder + "/~~~ 2008/" + ok), !testRun);
        EXPECT_TRUE(Exists(folder + "/" + tooLong));
        ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
        EXPECT_EQ(env.ui.styledBoxes[0].prompt, "\r\nPfad zu lang für Archivierung!");
        EXPECT_EQ(env.ui.styledBoxes[0].flags, 48 + 1024);
        EXPECT_EQ(env.ui.beeps, 1);
        const auto texts = ProtocolTexts();
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "! Pfad zu lang: " + folder + "/~~~ 2008/" + tooLong), 1);
    }
}

TEST_F(Walk, TestRunReportsDueFilesAndTouchesNothing) {
    MakeFile(At("a.doc"), "a", Date(2008, 2, 29, 0, 0, 0));
    MakeFile(At("Sub/b.doc"), "b", Date(2009, 1, 1));
    dlg.testRun = true;
    dlg.confirmEach = true;
    dlg.scheme = FolderScheme::YearMonth;

    Run("*.doc");

    EXPECT_EQ(dlg.state.CheckedCount, 2);
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_TRUE(Exists(At("a.doc")));
    EXPECT_FALSE(Exists(At("~~~ 2008")));
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                   "Archiviert: " + At("a.doc") + " (29.02.2008)",
                                   "in '" + At("~~~ 2008/~~~ 02 Februar") + "'",
                               }));
}

TEST_F(Walk, ConfirmationNoKeepsTheFileAndCancelEndsTheWalk) {
    dlg.confirmEach = true;
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    answers.queue = {{2}};
    Run("*.doc");
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].prompt,
              "Datei '" + At("a.doc") + "'\r\narchivieren in '" + At("~~~ 2008") + "'?");
    EXPECT_FALSE(answers.shown[0].checkBoxShown);
    EXPECT_EQ(env.ui.beeps, 1);
    EXPECT_TRUE(Exists(At("a.doc")));
    EXPECT_FALSE(Exists(At("~~~ 2008")));
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
    EXPECT_FALSE(dlg.state.CancelRequested);
    EXPECT_FALSE(Exists(ArchiveProtocolPath()) && !ProtocolTexts().empty());

    MakeFile(At("b.doc"), "b", Date(2008, 1, 1));
    MakeFile(At("Sub/c.doc"), "c", Date(2008, 1, 1));
    dlg.state = {};
    answers.shown.clear();
    answers.queue = {{3}};
    Run("*.doc");
    EXPECT_EQ(answers.shown.size(), 1u);
    EXPECT_TRUE(dlg.state.CancelRequested);
    EXPECT_EQ(dlg.state.CheckedCount, 1);
    EXPECT_EQ(dlg.statusHistory.back(), "Archivierung wird abgebrochen...");
    EXPECT_TRUE(Exists(At("a.doc")) && Exists(At("b.doc")) && Exists(At("Sub/c.doc")));

    dlg.state = {};
    answers.queue = {{1}, {1}, {1}};
    Run("*.doc");
    EXPECT_EQ(dlg.state.ArchivedCount, 3);
    EXPECT_TRUE(Exists(At("Sub/~~~ 2008/c.doc")));
}

TEST_F(Walk, ExistingTargetAskedWithCheckBoxAndNotAskedAgainOnceTicked) {
    MakeFile(At("~~~ 2008/a.doc"), "alt a", Date(2008, 1, 1));
    MakeFile(At("a.doc"), "neu a", Date(2008, 1, 1));
    MakeFile(At("Sub/~~~ 2008/b.doc"), "alt b", Date(2008, 1, 1));
    MakeFile(At("Sub/b.doc"), "neu b", Date(2008, 1, 1));
    answers.queue = {{1, true}};

    Run("*.doc");

    ASSERT_EQ(answers.shown.size(), 1u);
    const std::string targetA = At("~~~ 2008/a.doc");
    EXPECT_EQ(answers.shown[0].prompt, "Zieldatei '" + targetA + "' ist bereits vorhanden. Überschreiben?");
    EXPECT_TRUE(answers.shown[0].checkBoxShown);
    EXPECT_EQ(env.ui.beeps, 0);
    EXPECT_FALSE(dlg.state.AskBeforeOverwrite);
    EXPECT_EQ(ReadFile(targetA), "neu a");
    EXPECT_EQ(ReadFile(At("Sub/~~~ 2008/b.doc")), "neu b");
    EXPECT_EQ(dlg.state.ArchivedCount, 2);
    const std::string targetB = At("Sub/~~~ 2008/b.doc");
    EXPECT_EQ(ProtocolTexts(), (std::vector<std::string>{
                                   "! Zieldatei '" + targetA + "' ist bereits vorhanden...",
                                   "! Sicherheitsabfrage vor Überschreiben ausgeschaltet...",
                                   "! Vorhandene Zieldatei wird überschrieben...",
                                   "Archiviert: " + At("a.doc") + " (01.01.2008 10:00:00)",
                                   "in '" + At("~~~ 2008") + "'",
                                   "! Zieldatei '" + targetB + "' ist bereits vorhanden...",
                                   "! Vorhandene Zieldatei wird überschrieben...",
                                   "Archiviert: " + At("Sub/b.doc") + " (01.01.2008 10:00:00)",
                                   "in '" + At("Sub/~~~ 2008") + "'",
                               }));
}

TEST_F(Walk, ExistingTargetAnswers) {
    struct Case {
        int button;
        bool tick;
        bool replaced;
        bool cancelled;
        std::vector<std::string> tail;  // protocol lines after the notice
    };
    const std::vector<Case> cases = {
        {1, false, true, false, {"! Vorhandene Zieldatei wird überschrieben..."}},
        {2, false, false, false, {"! Vorhandene Zieldatei wird NICHT überschrieben..."}},
        {2, true, false, false,
         {"! Sicherheitsabfrage vor Überschreiben ausgeschaltet...", "! Vorhandene Zieldatei wird NICHT überschrieben..."}},
        {3, false, false, true, {}},
    };
    for (const auto& c : cases) {
        fs::remove_all(root);
        fs::remove(ArchiveProtocolPath());
        dlg.state = {};
        MakeFile(At("~~~ 2008/a.doc"), "alt", Date(2008, 1, 1));
        MakeFile(At("a.doc"), "neu", Date(2008, 1, 1));
        answers.queue = {{c.button, c.tick}};

        Run("*.doc");

        SCOPED_TRACE(c.button);
        EXPECT_EQ(ReadFile(At("~~~ 2008/a.doc")), c.replaced ? "neu" : "alt");
        EXPECT_EQ(Exists(At("a.doc")), !c.replaced);
        EXPECT_EQ(dlg.state.CancelRequested, c.cancelled);
        EXPECT_EQ(dlg.state.AskBeforeOverwrite, !c.tick);
        auto texts = ProtocolTexts();
        ASSERT_GE(texts.size(), 1u + c.tail.size());
        EXPECT_EQ(texts[0], "! Zieldatei '" + At("~~~ 2008/a.doc") + "' ist bereits vorhanden...");
        EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.begin() + 1 + static_cast<long>(c.tail.size())),
                  c.tail);
    }
}

TEST_F(Walk, AFileMatchedByTwoPatternsIsCountedTwice) {
    MakeFile(At("neu.doc"), "n", Date(2010, 1, 1));
    Run("*.DOC*");
    Run("*.*");
    EXPECT_EQ(dlg.state.CheckedCount, 2);
    EXPECT_EQ(dlg.state.ArchivedCount, 0);
}

TEST_F(Walk, NamesWithUmlautsBlanksAndOtherScriptsAreArchivedAndProtocolled) {
    const std::vector<std::string> names = {"Übersicht März 2008.doc", "  zwei  Blanks .doc", "отчёт.doc", "報告書.doc"};
    for (const auto& n : names) MakeFile(At("Straße/" + n), n, Date(2008, 3, 1));
    Run("*.doc");
    EXPECT_EQ(dlg.state.ArchivedCount, 4);
    const auto texts = ProtocolTexts();
    for (const auto& n : names) {
        EXPECT_EQ(ReadFile(At("Straße/~~~ 2008/" + n)), n);
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Archiviert: " + At("Straße/" + n) + " (01.03.2008 10:00:00)"),
                  texts.end())
            << n;
    }
}

TEST_F(Walk, LinksAreNeitherFollowedNorMoved) {
    MakeFile(At("Sub/a.doc"), "a", Date(2008, 1, 1));
    fs::create_directory_symlink(root, At("Sub/Schleife"));
    fs::create_symlink(At("Sub/a.doc"), At("Verweis.doc"));

    Run("*.doc");

    EXPECT_EQ(dlg.state.CheckedCount, 1);
    EXPECT_EQ(dlg.state.ArchivedCount, 1);
    EXPECT_TRUE(fs::is_symlink(At("Verweis.doc")));
    EXPECT_TRUE(fs::is_symlink(At("Sub/Schleife")));
}

TEST_F(Walk, StartFolderThatDoesNotExistFindsNothing) {
    ProcessFiles(dlg, At("fehlt"), "*.*", 12, 2030);
    EXPECT_EQ(dlg.state.CheckedCount, 0);
    EXPECT_FALSE(Exists(At("fehlt")));
}

TEST_F(Walk, CancelRequestedBeforehandReturnsAtOnce) {
    MakeFile(At("a.doc"), "a", Date(2008, 1, 1));
    dlg.state.CancelRequested = true;
    Run("*.doc");
    EXPECT_EQ(dlg.state.CheckedCount, 0);
    EXPECT_EQ(dlg.statusHistory, std::vector<std::string>{"Archivierung wird abgebrochen..."});
}

}  // namespace
}  // namespace ardeko
