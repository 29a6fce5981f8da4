// The terminal renderer and the terminal document opener, driven in-process: answers come
// through a real pipe, output lands in string streams.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "AppsTestUtil.h"
#include "TerminalShell.h"
#include "TerminalUi.h"
#include "msgbox/MsgBox.h"
#include "testkit/TestEnv.h"
#include "ui/Form.h"

namespace ardeko::cli {
namespace {

using clitest::PipedInput;

struct Rig {
    explicit Rig(const std::string& input, bool terminal = false) : in(input), ui(MakeIo(terminal)) {
        platform::ports().ui = &ui;
    }
    TerminalIo MakeIo(bool terminal) {
        TerminalIo io;
        io.inFd = in.fd();
        io.out = &out;
        io.err = &err;
        io.inIsTerminal = terminal;
        io.errIsTerminal = terminal;
        return io;
    }
    testkit::TestEnv env;  // restores the headless renderer afterwards
    PipedInput in;
    std::ostringstream out, err;
    TerminalUi ui;
};

TEST(AnswerParsing, MatchesCaptionsAndFirstLetters) {
    const std::vector<std::string> captions{"Ja", "Nein", "Abbrechen"};
    struct Case {
        const char* line;
        int index;
        bool dontShow;
    } cases[] = {
        {"j", 0, false},         {"ja", 0, false},     {"JA", 0, false},      {"  n  ", 1, false},
        {"nein", 1, false},      {"a", 2, false},      {"abbrechen", 2, false}, {"j!", 0, true},
        {"ja !", 0, true},       {"x", -1, false},     {"", -1, false},       {"jaja", -1, false},
        {"!", -1, true},         {"nei", -1, false},
    };
    for (const auto& c : cases) {
        const Answer a = ParseAnswer(c.line, captions);
        EXPECT_EQ(a.index, c.index) << c.line;
        EXPECT_EQ(a.dontShow, c.dontShow) << c.line;
    }
    // Access-key marks and hidden (empty) buttons.
    EXPECT_EQ(ParseAnswer("n", {"&Ja", "&Nein"}).index, 1);
    EXPECT_EQ(ParseAnswer("a", {"Ja", "", "Abbrechen"}).index, 2);
    // A whole word wins over another caption's first letter.
    EXPECT_EQ(ParseAnswer("a", {"Alle", "A"}).index, 1);
}

TEST(AnswerParsing, PromptFromCaptions) {
    EXPECT_EQ(AnswerPrompt({"Ja", "Nein", "Abbrechen"}), "[j]a / [n]ein / [a]bbrechen");
    EXPECT_EQ(AnswerPrompt({"&Ja", "", "&Nein"}), "[j]a / [n]ein");
    EXPECT_EQ(AnswerPrompt({"Überschreiben"}), "[Ü]berschreiben");
    EXPECT_EQ(DisplayCaption("Pack && Go"), "Pack & Go");
}

TEST(TerminalUi, MsgBoxExTakesOneLineAndTheDontShowMark) {
    Rig rig("j!\nn\n");
    EXPECT_EQ(MsgBoxEx("Zieldatei vorhanden. Überschreiben?", {"Ja", "Nein", "Abbrechen"}, true, 32, "Titel & Co"),
              1 + 256);
    EXPECT_EQ(MsgBoxEx("Datei 'a'\r\narchivieren in 'b'?", {"Ja", "Nein", "Abbrechen"}, false, 32), 2);
    const std::string out = rig.out.str();
    EXPECT_NE(out.find("*** Titel & Co ***\nZieldatei vorhanden. Überschreiben?\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Datei 'a'\narchivieren in 'b'?\n"), std::string::npos) << out;
    EXPECT_NE(out.find("[j]a / [n]ein / [a]bbrechen (mit \"!\" dahinter: Diese Meldung nicht mehr anzeigen): j!"),
              std::string::npos)
        << out;
}

TEST(TerminalUi, EndOfInputAnswersAbbrechenOrTheLastButton) {
    Rig rig("");
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "Nein", "Abbrechen"}, true, 32), 3);
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "Nein"}, false, 32), 2);
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "", "Abbrechen"}, false, 32), 3);
    EXPECT_NE(rig.out.str().find("(Ende der Eingabe)"), std::string::npos);
}

TEST(TerminalUi, UnclearAnswerFromAPipeReadsTheNextLine) {
    Rig rig("vielleicht\n\nnein\n");
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "Nein", "Abbrechen"}, false, 32), 2);
    EXPECT_NE(rig.err.str().find("Antwort nicht verstanden: \"vielleicht\""), std::string::npos);
}

TEST(TerminalUi, DontShowMarkIgnoredWithoutTheCheckBox) {
    Rig rig("j!\n");
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "Nein", "Abbrechen"}, false, 32), 1);
}

TEST(TerminalUi, StandardBoxes) {
    Rig rig("j\nbla\nn\n");
    // OK only: printed, nothing read.
    EXPECT_EQ(MsgBoxStd("Fertig & gut", vbInformation, std::string("Titel")), vbOK);
    // Yes/No asks; an unclear line is skipped.
    EXPECT_EQ(MsgBoxStd("Protokoll wirklich löschen?", 36), vbYes);
    EXPECT_EQ(MsgBoxStd("Protokoll wirklich löschen?", 36), vbNo);
    // Input exhausted: No.
    EXPECT_EQ(MsgBoxStd("Noch einmal?", 36), vbNo);
    // Other sets: the first button, nothing read.
    EXPECT_EQ(MsgBoxStd("Nochmal?", vbRetryCancel), vbRetry);
    EXPECT_EQ(MsgBoxStd("Nochmal?", vbYesNoCancel), vbYes);
    const std::string out = rig.out.str();
    EXPECT_NE(out.find("*** Titel ***\nFertig & gut\n"), std::string::npos) << out;
    EXPECT_NE(out.find("[j]a / [n]ein: "), std::string::npos) << out;
}

TEST(TerminalUi, EnglishStandardBoxAnswersWithEnglishWords) {
    Rig rig("y\n");
    Module().CurrLang = 1;
    EXPECT_EQ(MsgBoxStd("Delete?", 36), vbYes);
    EXPECT_NE(rig.out.str().find("[y]es / [n]o"), std::string::npos);
}

TEST(TerminalUi, SummaryTextKeepsItsLineBreaks) {
    Rig rig("");
    platform::StyledMsgBoxRequest r;
    r.prompt = "\r\nA - 10 Datei(en) geprüft, 5 Datei(en) archiviert.\r\n\r\nDabei sind 2 Fehler aufgetreten";
    r.title = "T";
    EXPECT_EQ(rig.ui.StyledMessageBox(r), 1);
    EXPECT_EQ(rig.out.str(), "*** T ***\nA - 10 Datei(en) geprüft, 5 Datei(en) archiviert.\n\nDabei sind 2 Fehler aufgetreten\n");
}

class RunForm : public ui::Form {
public:
    RunForm() : ui::Form("frmArdeko") { btnDoIt.Click = [this] { ++clicks; }; }
    ui::Button btnDoIt{*this, "btnDoIt"};
    ui::Label lblStatus{*this, "lblStatus"};
    int clicks = 0;
};

TEST(TerminalUi, InterruptClicksStoppOnceAndOnlyDuringARun) {
    Rig rig("");
    RunForm form;
    rig.ui.AttachRunForm(&form);
    form.btnDoIt.Caption = "Archivieren!";
    gInterruptRequested = true;
    rig.ui.DoEvents();
    EXPECT_EQ(form.clicks, 0);  // no run: the request waits
    form.btnDoIt.Caption = "Stopp!";
    rig.ui.DoEvents();
    rig.ui.DoEvents();
    EXPECT_EQ(form.clicks, 1);
    EXPECT_FALSE(gInterruptRequested);
    rig.ui.AttachRunForm(nullptr);
}

TEST(TerminalUi, InterruptDuringAQuestionAnswersAbbrechen) {
    // A terminal that never answers: the interrupt must end the wait.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    testkit::TestEnv env;
    std::ostringstream out, err;
    TerminalIo io{fds[0], &out, &err, true, false, 80};
    TerminalUi ui(io);
    platform::ports().ui = &ui;
    gInterruptRequested = true;
    EXPECT_EQ(MsgBoxEx("?", {"Ja", "Nein", "Abbrechen"}, false, 32), 3);
    EXPECT_FALSE(gInterruptRequested);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(TerminalUi, ProgressLineOnlyOnATerminalAndClearedBeforeABox) {
    {
        Rig rig("", /*terminal=*/true);
        RunForm form;
        form.lblStatus.Caption = "Prüfe Datei 1...";
        rig.ui.AttachRunForm(&form);
        rig.ui.DoEvents();  // no run under way: no line
        EXPECT_EQ(rig.err.str(), "");
        form.btnDoIt.Caption = "Stopp!";
        rig.ui.DoEvents();
        form.lblStatus.Caption = "Prüfe Datei 2...";
        rig.ui.DoEvents();  // within the interval: not drawn
        EXPECT_EQ(rig.err.str(), "\rPrüfe Datei 1...\x1b[K");
        rig.ui.Beep();
        MsgBoxStd("Fertig", vbOKOnly, std::string("T"));
        EXPECT_EQ(rig.err.str(), "\rPrüfe Datei 1...\x1b[K\a\r\x1b[K");
        rig.ui.AttachRunForm(nullptr);
    }
    {
        Rig rig("");
        RunForm form;
        form.lblStatus.Caption = "Prüfe Datei 1...";
        form.btnDoIt.Caption = "Stopp!";
        rig.ui.AttachRunForm(&form);
        rig.ui.DoEvents();
        rig.ui.Beep();
        EXPECT_EQ(rig.err.str(), "");
        rig.ui.AttachRunForm(nullptr);
    }
}

TEST(TerminalUi, OtherFormsAreNamedAndClosed) {
    Rig rig("");
    ui::Form form("dlgInfo");
    form.Caption = "Info";
    form.ShowModal();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(rig.out.str(), "[Info]\n");
}

TEST(TerminalShell, PrintsTextFilesAndAddressesOnAPlainTerminal) {
    testkit::TestEnv env;
    const std::string file = env.dir / "Protokoll Word-Archivierung.txt";
    std::ofstream(file, std::ios::binary) << "04.12.09 18:47:15 - Zeile 1\r\n04.12.09 18:47:16 - Zeile 2\r\n";
    std::ostringstream out;
    TerminalShell shell(env.shell, out);
    ASSERT_TRUE(shell.PlainTerminal());

    auto r = shell.ShellExecute({file, std::nullopt, "", 3});
    EXPECT_GE(r.instApp, 32);
    EXPECT_EQ(out.str(), "\n--- " + file + " ---\n04.12.09 18:47:15 - Zeile 1\n04.12.09 18:47:16 - Zeile 2\n");

    out.str("");
    EXPECT_GE(shell.ShellExecute({"https://www.example.com/", std::nullopt, "", 3}).instApp, 32);
    EXPECT_EQ(out.str(), "https://www.example.com/\n");

    EXPECT_LT(shell.ShellExecute({env.dir / "fehlt.txt", std::nullopt, "", 3}).instApp, 32);
    EXPECT_TRUE(env.shell.executed.empty());
}

TEST(TerminalShell, HandsOverWithADesktopOrAnOpener) {
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "ARDEKO_OPENER"}) {
        testkit::TestEnv env;
        env.shell.environment[var] = "x";
        std::ostringstream out;
        TerminalShell shell(env.shell, out);
        EXPECT_FALSE(shell.PlainTerminal()) << var;
        shell.ShellExecute({"/tmp/p.txt", std::nullopt, "", 3});
        ASSERT_EQ(env.shell.executed.size(), 1u) << var;
        EXPECT_EQ(env.shell.executed[0].file, "/tmp/p.txt");
        EXPECT_EQ(out.str(), "");
    }
    // A program with parameters is always started, never printed.
    testkit::TestEnv env;
    std::ostringstream out;
    TerminalShell shell(env.shell, out);
    shell.ShellExecute({"prog", std::string("-x"), "", 1});
    EXPECT_EQ(env.shell.executed.size(), 1u);
}

TEST(TerminalShell, AddressDetection) {
    EXPECT_TRUE(IsAddress("https://www.example.com/"));
    EXPECT_TRUE(IsAddress("mailto:support@example.com"));
    EXPECT_FALSE(IsAddress("C:\\Daten\\a.txt"));
    EXPECT_FALSE(IsAddress("/home/a:b.txt"));
    EXPECT_FALSE(IsAddress("Bericht.txt"));
}

}  // namespace
}  // namespace ardeko::cli
