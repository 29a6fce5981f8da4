// The small rules of a run: what is due, the pattern of a list entry, the cut-off year, file
// names, archive folder names, the summary text and the checks before a run.
#include <gtest/gtest.h>

#include "archive/ArchiveJob.h"
#include "archive/FileWalk.h"
#include "archive/Protocol.h"
#include "archive/RunDriver.h"
#include "testkit/TestEnv.h"

namespace ardeko {
namespace {

using platform::LocalDateTime;

TEST(IsDueForArchive, CutOffMonthIsInclusiveAndOnlyYearAndMonthCount) {
    struct Case {
        LocalDateTime when;
        int month, year;
        bool due;
    };
    const Case cases[] = {
        {{2008, 6, 30, 23, 59, 59}, 6, 2008, true},
        {{2008, 7, 1, 0, 0, 0}, 6, 2008, false},
        {{2007, 12, 15, 12, 0, 0}, 6, 2008, true},
        {{2008, 1, 1, 0, 0, 0}, 6, 2008, true},
        {{2008, 12, 31, 23, 59, 59}, 12, 2008, true},
        {{2009, 1, 1, 0, 0, 0}, 12, 2008, false},
        {{1899, 12, 30, 0, 0, 0}, 1, 1900, true},  // the zero date
        {{2008, 1, 1, 0, 0, 0}, 12, 0, false},      // a year text without a number
        {{2009, 2, 1, 0, 0, 0}, 1, 2009, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsDueForArchive(c.when, static_cast<std::int16_t>(c.month), static_cast<std::int16_t>(c.year)), c.due)
            << c.when.day << "." << c.when.month << "." << c.when.year << " cut-off " << c.month << "/" << c.year;
}

TEST(PatternFromEntry, TakesWhatFollowsTheFirstParenthesisWithoutItsLastCharacter) {
    const std::pair<const char*, const char*> cases[] = {
        {"Dokumente (*.DOC*)", "*.DOC*"},
        {"Pack && Go (*.PPS*)", "*.PPS*"},
        {"Alle Dateien (*.*)", "*.*"},
        {"Datenbanken (*.ACCDB)", "*.ACCDB"},
        {"Sonder (a) (*.X*)", "a) (*.X*"},
        {"()", ""},
        {"", ""},
    };
    for (const auto& [entry, pattern] : cases) EXPECT_EQ(PatternFromEntry(entry), pattern) << entry;
}

TEST(CutOff, MonthIsIndexPlusOneAndYearIsTheRoundedLeadingNumber) {
    EXPECT_EQ(CutOffMonthFromIndex(0), 1);
    EXPECT_EQ(CutOffMonthFromIndex(11), 12);
    const std::pair<const char*, int> years[] = {
        {"2008", 2008}, {" 2008", 2008}, {"2008abc", 2008}, {"2008.4", 2008}, {"2008.6", 2009},
        {"2008.5", 2008}, {"2009.5", 2010}, {"abc", 0},     {"", 0},          {"-5", -5},
        {"99999", 0},   {".", 0},
    };
    for (const auto& [text, year] : years) EXPECT_EQ(CutOffYearFromText(text), year) << '"' << text << '"';
}

class WithFileSystem : public ::testing::Test {
protected:
    testkit::TestEnv env;
};

TEST_F(WithFileSystem, FileNameFromPathTakesTheTextAfterTheLastSeparator) {
    EXPECT_EQ(FileNameFromPath("/a/b/Bericht.doc"), "Bericht.doc");
    EXPECT_EQ(FileNameFromPath("Bericht.doc"), "Bericht.doc");
    EXPECT_EQ(FileNameFromPath("/Bericht.doc"), "");
    EXPECT_EQ(FileNameFromPath("/a/b/"), "");
}

TEST_F(WithFileSystem, ArchiveFolderNamesPerScheme) {
    const LocalDateTime june{2008, 6, 3, 10, 0, 0};
    EXPECT_EQ(ArchiveTargetFolder("/d", june, FolderScheme::Year, "Juni"), "/d/~~~ 2008");
    EXPECT_EQ(ArchiveTargetFolder("/d/", june, FolderScheme::YearMonth, "Juni"), "/d/~~~ 2008/~~~ 06 Juni");
    EXPECT_EQ(ArchiveTargetFolder("/d", {987, 11, 1}, FolderScheme::YearMonth, "November"),
              "/d/~~~ 987/~~~ 11 November");
}

TEST_F(WithFileSystem, SummaryTextsAndIcons) {
    struct Case {
        const char* mode;
        ArchiveRunState state;
        const char* text;
        int icon;
    };
    auto st = [](int checked, int archived, int errors, bool cancelled) {
        ArchiveRunState s;
        s.CheckedCount = checked;
        s.ArchivedCount = archived;
        s.ErrorCount = errors;
        s.CancelRequested = cancelled;
        return s;
    };
    const Case cases[] = {
        {"Testlauf", st(0, 0, 0, false), "Es wurden keine zu archivierenden Dateien gefunden...", 48},
        {"Archivierung", st(0, 0, 0, true), "Es wurden keine zu archivierenden Dateien gefunden...", 48},
        {"Testlauf", st(8, 0, 0, false), "Testlauf abgeschlossen - 8 Datei(en) geprüft,  keine Dateien archiviert...", 64},
        {"Archivierung", st(1234, 17, 0, false),
         "Archivierung abgeschlossen - 1.234 Datei(en) geprüft, 17 Datei(en) archiviert...", 64},
        {"Archivierung", st(10, 5, 2, false),
         "Archivierung abgeschlossen - 10 Datei(en) geprüft, 5 Datei(en) archiviert.\r\n\r\nDabei sind 2 Fehler "
         "aufgetreten - bitte prüfen Sie das Protokoll...",
         16},
        {"Testlauf", st(3, 1, 0, true), "Testlauf abgebrochen - 3 Datei(en) geprüft, 1 Datei(en) archiviert...", 48},
        {"Archivierung", st(3, 0, 1, true),
         "Archivierung abgebrochen - 3 Datei(en) geprüft,  keine Dateien archiviert.\r\n\r\nDabei sind 1 Fehler "
         "aufgetreten - bitte prüfen Sie das Protokoll...",
         16},
        {"Archivierung", st(1000000, 1000, 0, false),
         "Archivierung abgeschlossen - 1.000.000 Datei(en) geprüft, 1.000 Datei(en) archiviert...", 64},
    };
    for (const auto& c : cases) {
        const RunSummary s = ComposeRunSummary(c.mode, c.state);
        EXPECT_EQ(s.text, c.text);
        EXPECT_EQ(s.icon, c.icon) << c.text;
    }
    EXPECT_EQ(FormatCount(0), "0");
}

TEST_F(WithFileSystem, ChecksRefuseWithoutFileTypeFirstThenWithoutStartFolder) {
    env.ConnectHost("Microsoft Word");
    struct Case {
        bool ticked;
        const char* folder;
        const char* message;  // nullptr: the run may start
    };
    const Case cases[] = {
        {false, "", "Kein Dateityp markiert..."},
        {false, "/daten", "Kein Dateityp markiert..."},
        {true, "", "Bitte Startordner wählen..."},
        {true, "   ", "Bitte Startordner wählen..."},
        {true, "/gibt/es/nicht", nullptr},
    };
    for (const auto& c : cases) {
        env.ui.styledBoxes.clear();
        env.ui.beeps = 0;
        EXPECT_EQ(PreRunChecks(c.ticked, c.folder), c.message == nullptr);
        if (c.message == nullptr) {
            EXPECT_TRUE(env.ui.styledBoxes.empty());
            EXPECT_EQ(env.ui.beeps, 0);
            continue;
        }
        ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
        EXPECT_EQ(env.ui.styledBoxes[0].prompt, std::string("\r\n") + c.message);
        EXPECT_EQ(env.ui.styledBoxes[0].flags, 48 + 1024);
        EXPECT_EQ(env.ui.styledBoxes[0].title, "Veltrano Archivierungs-Assistent v3.00");
        EXPECT_EQ(env.ui.beeps, 1);
    }
}

}  // namespace
}  // namespace ardeko
