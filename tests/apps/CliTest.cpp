// The command line, driven in-process (arguments fill the wizard, answers come through a pipe)
// and as the built program; the outcome shows in the exit status, the files and the protocol.
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "Cli.h"
#include "TerminalShell.h"
#include "TerminalUi.h"
#include "posix/PosixInput.h"
#include "platform/Utf8Text.h"
#include "platform/posix/PosixPorts.h"
#include "testkit/FaultyFileSystem.h"
#include "testkit/TestEnv.h"
#include "wizard/frmArdeko.h"

namespace ardeko::cli {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

using testkit::ReadFile;

// A file last changed and read on the 3rd of the given month.
void MakeFile(const std::string& path, int year, int month, const std::string& content = "x") {
    testkit::MakeFile(path, content, {year, month, 3, 12, 0, 0});
}

// The fake clock stands at 4 December 2009: the year list runs from 2009 down to 1979.
struct Cli {
    explicit Cli(platform::FileSystem* fileSystem = nullptr) : env(fileSystem) { fs::create_directories(Tree()); }

    // "@" in the arguments stands for the tree; `answers` is all there is on standard input.
    int Run(std::vector<std::string> args, const std::string& answers = "") {
        for (auto& a : args)
            if (a == "@") a = Tree();
        int in[2];
        EXPECT_TRUE(::pipe(in) == 0 && ::write(in[1], answers.data(), answers.size()) == ssize_t(answers.size()));
        ::close(in[1]);
        out.str("");
        err.str("");
        FdInput input(in[0]);
        TerminalUi ui(TerminalIo{&input, &out, &err, false, false, 80});
        const int code = RunArdeko(args, ui, out, err);
        ::close(in[0]);
        return code;
    }
    std::string Tree() const { return env.dir / "Ablage"; }
    std::string In(const std::string& rel) const { return Tree() + "/" + rel; }
    std::string Protocol(const std::string& host = "Word") const {
        return env.dir / ("AppData/Veltrano/" + host + " Archivierungs-Assistent/Protokoll " + host + "-Archivierung.txt");
    }
    bool Logged(const std::string& text, const std::string& host = "Word") const {
        return ReadFile(Protocol(host)).find(" - " + text + "\n") != npos;
    }

    testkit::TestEnv env;
    std::ostringstream out, err;
};

TEST(CliUsage, BadArgumentsExitWithTwoAndTouchNothing) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "Aufruf:"},
        {{"archive", "--until", "6/2008"}, "Der Startordner fehlt."},
        {{"archive", "@"}, "Die Angabe --until M/JJJJ fehlt"},
        {{"archive", "@", "--until", "13/2008"}, "Ungültige Angabe --until '13/2008': erwartet Monat/Jahr, z.B. 6/2008."},
        {{"archive", "@", "--until", "6/1978"}, "Das Jahr 1978 ist nicht wählbar: erlaubt sind 1979 bis 2009."},
        {{"archive", "@", "--until", "6/2008", "--date", "heute"}, "Ungültige Angabe --date 'heute'"},
        {{"archive", "@", "--until", "6/2008", "--folders", "tag"}, "Ungültige Angabe --folders 'tag'"},
        {{"archive", "@", "--until", "6/2008", "--schnell"}, "ardeko: Unbekannte Angabe '--schnell'.\n"},
        {{"archive", "@", "--until", "6/2008", "x", "--y"}, "ardeko: Unbekannte Angaben 'x', '--y'.\n"},
        {{"archive", "@", "--until"}, "ardeko: Zur Angabe --until fehlt der Wert.\n"},
        {{"archive", "@", "--until", "6/2008", "--until", "7/2008"}, "ardeko: Die Angabe --until ist nur einmal erlaubt.\n"},
        {{"archive", "@", "--until", "6/2008", "--run=ja"}, "ardeko: Ungültiger Wert für --run.\n"},
        {{"--versio"}, "ardeko: Unbekannte Angabe '--versio'.\nHilfe: ardeko --help\n"},
        {{"archive", "@", "--until", "6/2008", "--host", "Access", "--host-version", "zwölf"}, "Ungültige Angabe --host-version 'zwölf'"},
        {{"archive", "@", "--until", "6/2008", "--host-version", "12"}, "--host-version gilt nur zusammen mit --host"},
        // Without a version Access is taken for one below 12.
        {{"archive", "@", "--until", "6/2008", "--host", "Access", "--type", "*.ACCDB"}, "Unbekannter Dateityp '*.ACCDB'"},
        {{"archive", "   ", "--until", "6/2008"}, "Bitte Startordner wählen..."},  // blanks are no folder either
        {{"archive", "/gibt/es/nicht", "--until", "6/2008"}, "Startordner nicht gefunden: /gibt/es/nicht"},
        {{"archive", "", "--until", "6/2008"}, "Bitte Startordner wählen..."},  // refused by the wizard's check
        {{"archive", "@", "--until", "6/2008", "--host", "PowerPoint", "--type", "*.DOC*"},
         "Unbekannter Dateityp '*.DOC*'. Die Liste für PowerPoint enthält:\n  *.PPT*    Präsentationen (*.PPT*)\n"},
        {{"protocol", "drucken"}, "Unbekannte Aktion 'drucken'"},
    };
    for (const auto& [args, message] : cases) {
        Cli cli;
        EXPECT_EQ(cli.Run(args), ExitUsage) << message;
        for (const char* english : {"expected", "required", "missing", "convert"})
            EXPECT_EQ(cli.err.str().find(english), npos) << cli.err.str();
        EXPECT_NE((cli.err.str() + cli.out.str()).find(message), npos) << cli.err.str() << cli.out.str();
        EXPECT_FALSE(fs::exists(cli.env.dir / "AppData/Veltrano")) << message;  // no protocol written
    }
}

// Named types replace the first entry ticked at load and follow the list's rules: list order, not
// argument order; letter case ignored; "*.*" and the specific types clear each other.
TEST(CliArchive, OptionsAndTypesReachTheRunAndTheSummaryIsPrinted) {
    struct Case { std::vector<std::string> options; std::string host, walked; std::vector<std::string> lines;
                  std::string summary; int exit; bool moved, protocolShown; } cases[] = {
        {{"--date", "created"}, "Office", "*.*|",  // a test run of all files, each made after 6/2008
         {"Testlauf gestartet (Office ?.??.?? [0.0])", "Archivieren nach: Erstellungsdatum"},
         "3 Datei(en) geprüft,  keine Dateien archiviert...", ExitOk, false, true},
        {{"--date", "ACCESSED", "--folders", "month", "--no-subfolders", "--run", "--host", "Word"}, "Word", "*.DOC*|",
         {"Archivierung gestartet (Word ?.?\?.?\? [0.0])", "Archivieren bis: 6/2008", "Archivieren nach: Zugriffsdatum",
          "Archivieren in: Jahres/Monatsordner"},
         "Archivierung abgeschlossen - 2 Datei(en) geprüft, 1 Datei(en) archiviert...", ExitOk, true, false},
        {{"--run", "--no-subfolders", "--host", "Word"}, "Word", "*.DOC*|",  // copying fails, see `faulty`
         {"Archivieren nach: Änderungsdatum", "Archivieren in: Jahresordner"},
         "archiviert.\n\nDabei sind 1 Fehler aufgetreten - bitte prüfen Sie das Protokoll...", ExitErrors, false, true},
        {{"--type", "*.dot*", "--host", "Word"}, "Word", "*.DOT*|", {},
         "Es wurden keine zu archivierenden Dateien gefunden...", ExitOk, false, false},
        {{"--type", "*.DOT*", "--type", "*.DOC*", "--host", "Word"}, "Word", "*.DOC*|*.DOT*|", {}, "", ExitOk, false, true},
        {{"--type", "*.DOC*", "--type", "*.*", "--host", "Word"}, "Word", "*.*|", {}, "", ExitOk, false, true},
        {{"--type", "*.*", "--type", "*.DOT*", "--host", "Word"}, "Word", "*.DOT*|", {}, "", ExitOk, false, false},
        {{"--host", "Access", "--host-version", "12", "--type", "*.accdb"}, "Access", "*.ACCDB|",  // the version given
         {"Testlauf gestartet (Access 12.0 [0.0])"}, "Es wurden keine zu archivierenden Dateien gefunden...", ExitOk, false, false},
    };
    auto real = platform::posix::MakePosixFileSystem();
    testkit::FaultyFileSystem faulty(*real);
    faulty.Fail(testkit::FaultyFileSystem::Op::Copy, "Bericht.doc");
    for (const auto& c : cases) {
        Cli cli(c.exit == ExitErrors ? &faulty : nullptr);
        fs::create_directories(cli.In("Projekte"));
        MakeFile(cli.In("Bericht.doc"), 2008, 6);
        MakeFile(cli.In("Juli.doc"), 2008, 7);
        MakeFile(cli.In("Projekte/Alt.doc"), 2001, 1);
        std::vector<std::string> args{"archive", cli.Tree() + "/", "--until", "6/2008"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(cli.Run(args), c.exit) << c.walked << c.summary;
        for (const auto& line : c.lines) EXPECT_TRUE(cli.Logged(line, c.host)) << line;
        EXPECT_TRUE(cli.Logged("Startordner: " + cli.Tree(), c.host));
        std::string walked, protocol = ReadFile(cli.Protocol(c.host));
        for (auto at = protocol.find(" - Dateien: "); at != npos; at = protocol.find(" - Dateien: ", at + 1))
            walked += protocol.substr(at + 12, protocol.find('\n', at) - at - 12) + "|";
        EXPECT_EQ(walked, c.walked);
        EXPECT_NE(cli.out.str().find(c.summary), npos) << cli.out.str();
        EXPECT_EQ(std::pair(fs::exists(cli.In("~~~ 2008/~~~ 06 Juni/Bericht.doc")), fs::exists(cli.In("Bericht.doc"))),
                  std::pair(c.moved, !c.moved));
        EXPECT_TRUE(fs::exists(cli.In("Juli.doc")) && fs::exists(cli.In("Projekte/Alt.doc"))) << c.summary;
        // A test run that found files and a run with errors show the protocol, a clean run does not.
        EXPECT_EQ(cli.env.shell.executed.size(), c.protocolShown ? 1u : 0u) << c.summary;
    }
}

// A name with a line feed or a byte that is not UTF-8 is moved as it is, but shown escaped in
// the question and in the protocol, so no line breaks in two.
TEST(CliArchive, OddNamesAreMovedAndShownEscaped) {
    Cli cli;
    MakeFile(cli.In("zwei\nZeilen.doc"), 2005, 1);
    MakeFile(cli.In("roh\xFF.doc"), 2005, 1);
    EXPECT_EQ(cli.Run({"archive", "@", "--until", "6/2008", "--run", "--host", "Word", "--confirm"}, "j\nj\n"), ExitOk);
    EXPECT_TRUE(fs::exists(cli.In("~~~ 2005/zwei\nZeilen.doc")) && fs::exists(cli.In("~~~ 2005/roh\xFF.doc")));
    for (const std::string shown : {"zwei\\x0AZeilen.doc", "roh\\xFF.doc"}) {
        EXPECT_NE(cli.out.str().find("Datei '" + cli.In(shown) + "'\narchivieren in '"), npos) << cli.out.str();
        EXPECT_TRUE(cli.Logged("Archiviert: " + cli.In(shown) + " (03.01.2005 12:00:00)")) << shown;
    }
    const std::string protocol = ReadFile(cli.Protocol());
    EXPECT_TRUE(platform::IsValidUtf8(protocol));
    std::istringstream lines(protocol);
    for (std::string line; std::getline(lines, line);)  // every line has its time stamp
        EXPECT_TRUE(line.size() > 20 && line[2] == '.' && line.substr(17, 3) == " - ") << line;
}

// The run goes on without its protocol, but the command line says so once and exits with 1 (a
// stop still gives 3).
TEST(CliArchive, ProtocolThatCannotBeWrittenIsReported) {
    auto real = platform::posix::MakePosixFileSystem();
    testkit::FaultyFileSystem faulty(*real);
    faulty.Fail(testkit::FaultyFileSystem::Op::AppendLine, "Protokoll");
    for (const bool stop : {false, true}) {
        Cli cli(&faulty);
        MakeFile(cli.In("Bericht.doc"), 2008, 6);
        EXPECT_EQ(cli.Run({"archive", "@", "--until", "6/2008", "--run", "--host", "Word", stop ? "--confirm" : "--run"}, stop ? "a\n" : ""),
                  stop ? ExitStopped : ExitErrors);
        EXPECT_EQ(fs::exists(cli.In("Bericht.doc")), stop);
        const std::string err = cli.err.str();
        EXPECT_NE(err.find("ardeko: Das Protokoll '" + cli.Protocol() + "' konnte nicht geschrieben werden: "), npos) << err;
        EXPECT_EQ(err.find("Zeile"), err.rfind("Zeile")) << err;  // once
    }
}

// Three due files, asked about before each one (--confirm) or because each one's target exists.
TEST(CliAnswers, PipedAnswersSilenceAndCtrlC) {
    struct Case { bool confirm, interrupt; std::string answers; int exit, moved; } cases[] = {
        {true, false, "J\n  n  \nja !\n", ExitOk, 2}, {true, false, "j\n", ExitStopped, 1},  // input ends at the second
        {true, false, "a\n", ExitStopped, 0},   {false, false, "", ExitStopped, 0},   // end of input: Abbrechen
        {false, false, "n\nnein\nj\n", ExitOk, 1}, {false, false, "abbrechen\n", ExitStopped, 0},
        {false, false, "j!\n", ExitOk, 3},      // one answer for all three
        {false, true, "j!\n", ExitStopped, 0},  // Ctrl+C before the run: it stops before its first file
    };
    for (const auto& c : cases) {
        Cli cli;
        fs::create_directories(cli.In("~~~ 2005"));
        for (const std::string name : {"a.doc", "b.doc", "c.doc"}) {
            if (!c.confirm) MakeFile(cli.In("~~~ 2005/" + name), 2005, 1, "alt");
            MakeFile(cli.In(name), 2005, 3, "neu");
        }
        gInterruptRequested = c.interrupt;
        const std::vector<std::string> args{"archive", "@", "--until", "6/2008", "--run", "--host", "Word",
                                            c.confirm ? "--confirm" : "--run"};
        EXPECT_EQ(cli.Run(args, c.answers), c.exit) << c.answers;
        EXPECT_FALSE(gInterruptRequested);
        int moved = 0;
        for (const std::string name : {"a.doc", "b.doc", "c.doc"}) {
            moved += !fs::exists(cli.In(name));
            EXPECT_EQ(ReadFile(cli.In("~~~ 2005/" + name)), !fs::exists(cli.In(name)) ? "neu" : c.confirm ? "" : "alt");
        }
        EXPECT_EQ(moved, c.moved) << c.answers;
        EXPECT_EQ(cli.Logged("! Archivierung abgebrochen..."), c.exit == ExitStopped) << c.answers;
        EXPECT_EQ(cli.Logged("! Sicherheitsabfrage vor Überschreiben ausgeschaltet..."), c.moved == 3) << c.answers;
        // Only the overwrite question offers the mark.
        EXPECT_EQ(cli.out.str().find("[j]a / [n]ein / [a]bbrechen (mit \"!\" dahinter: Diese Meldung nicht mehr "
                                     "anzeigen): ") != npos, !c.confirm && !c.interrupt) << cli.out.str();
    }
}

TEST(CliProtocol, PathShowAndDelete) {
    Cli cli;
    EXPECT_EQ(cli.Run({"protocol", "path", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.out.str(), cli.Protocol() + "\n");
    EXPECT_EQ(cli.Run({"protocol", "show", "--host", "Word"}), ExitErrors);
    EXPECT_NE(cli.out.str().find("Protokoll (" + cli.Protocol() + ") nicht gefunden..."), npos) << cli.out.str();
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "j\n"), ExitErrors);
    ASSERT_EQ(cli.Run({"archive", "@", "--until", "6/2008", "--host", "Word"}), ExitOk);
    cli.env.shell.executed.clear();
    EXPECT_EQ(cli.Run({"protocol", "show", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.env.shell.executed.at(0).file, cli.Protocol());
    // No and the end of input keep the file (the status tells whether it is gone).
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "n\n"), ExitErrors);
    EXPECT_NE(cli.out.str().find("Protokoll wirklich löschen?\n[j]a / [n]ein: n\n"), npos) << cli.out.str();
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, ""), ExitErrors);
    EXPECT_NE(cli.out.str().find("[j]a / [n]ein: (Ende der Eingabe)\n"), npos) << cli.out.str();
    EXPECT_EQ(cli.Run({"protocol", "delete", "--host", "Word"}, "bitte\nja\n"), ExitOk);
    EXPECT_EQ(cli.err.str(), "Antwort nicht verstanden: \"bitte\"\n");  // and the next line is read
    EXPECT_FALSE(fs::exists(cli.Protocol()));
}

// Undo and restore: the list, a test, Ctrl+C between files, files left, usage errors.
TEST(CliUndo, ListTestStopLeftRestoreAndUsage) {
    Cli cli;
    EXPECT_EQ(cli.Run({"undo", "--list", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.out.str(), "Keine Archivierung zum Rückgängigmachen vorhanden.\n");
    MakeFile(cli.In("a.doc"), 2005, 1);
    MakeFile(cli.In("b.doc"), 2005, 1);
    ASSERT_EQ(cli.Run({"archive", "@", "--until", "6/2008", "--run", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.Run({"undo", "--list", "--host", "Word"}), ExitOk);
    EXPECT_EQ(cli.out.str(), "    1  04.12.09 18:47  " + cli.Tree() + "  2 Datei(en)\n");
    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {{"undo", "x1"}, "Ungültige Laufnummer 'x1'."}, {{"undo", "--list", "--run"}, "--list steht allein"},
        {{"undo", "7", "--host", "Word"}, "Lauf 7 lässt sich nicht rückgängig machen"},
        {{"restore"}, "Der Ordner fehlt."}, {{"restore", "/gibt/es/nicht"}, "Ordner nicht gefunden: /gibt/es/nicht"}};
    for (const auto& [args, message] : usage) {
        EXPECT_EQ(cli.Run(args), ExitUsage) << message;
        EXPECT_NE(cli.err.str().find(message), npos) << cli.err.str();
    }
    EXPECT_EQ(cli.Run({"undo", "--host", "Word"}), ExitOk);
    EXPECT_NE(cli.out.str().find("Rückgängig-Testlauf abgeschlossen - 2 Datei(en) zurückgeholt..."), npos) << cli.out.str();
    gInterruptRequested = true;
    EXPECT_EQ(cli.Run({"undo", "--run", "--host", "Word"}), ExitStopped);
    EXPECT_NE(cli.out.str().find("Rückgängig abgebrochen - 1 Datei(en) zurückgeholt..."), npos) << cli.out.str();
    const std::string taken = fs::exists(cli.In("a.doc")) ? "b.doc" : "a.doc";
    MakeFile(cli.In(taken), 2009, 1, "neu");
    EXPECT_EQ(cli.Run({"undo", "1", "--run", "--host", "Word"}), ExitErrors);
    EXPECT_TRUE(cli.Logged("! Nicht zurückgeholt: " + cli.In("~~~ 2005/" + taken) + " (Ziel belegt)"));
    MakeFile(cli.In("~~~ 2004/c.doc"), 2004, 1);
    EXPECT_EQ(cli.Run({"restore", "@", "--run", "--host", "Word"}), ExitErrors);
    EXPECT_NE(cli.out.str().find("Auflösen abgeschlossen - 1 Datei(en) zurückgeholt, 1 nicht zurückgeholt"), npos) << cli.out.str();
    EXPECT_TRUE(fs::exists(cli.In("c.doc")) && !fs::exists(cli.In("~~~ 2004")));
}

// Runs `script` in a shell in `home`, where "$A" is the built program and no desktop is reachable.
int Sh(const testkit::TempDir& home, const std::string& script) {
    const char* dir = std::getenv("ARDEKO_BUILD_DIR");  // unset when run by hand from <build>/tests
    const fs::path build = dir && *dir ? fs::path(dir) : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    const int status = std::system(("cd '" + home.str() + "' || exit 99\nunset DISPLAY WAYLAND_DISPLAY ARDEKO_OPENER\n"
                                    "export A='" + (build / "apps/ardeko/ardeko").string() +
                                    "' XDG_CONFIG_HOME=\"$PWD\" XDG_DATA_HOME=\"$PWD\"\n" + script).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, PrintsTheProtocolOnAPlainTerminalAndStopsOnCtrlC) {
    testkit::TempDir home;
    const std::string run = "$A archive Ablage --until 6/2008 --host Word ", out = home / "out";
    const std::string protocol = home / "Veltrano/Word Archivierungs-Assistent/Protokoll Word-Archivierung.txt";
    fs::create_directories(home / "Ablage");
    MakeFile(home / "Ablage/Bericht.doc", 2008, 6);
    EXPECT_EQ(Sh(home, run + "</dev/null >out 2>err"), ExitOk) << ReadFile(home / "err");
    EXPECT_NE(ReadFile(out).find("*** Veltrano Archivierungs-Assistent v3.00 ***\nTestlauf abgeschlossen - 1 Datei(en) "
                                "geprüft, 1 Datei(en) archiviert...\n\n--- " + protocol + " ---\n"), npos) << ReadFile(out);
    // The whole protocol, with the terminal's line ends.
    EXPECT_TRUE(ReadFile(out).ends_with(" - Archivierung von '*.DOC*' abgeschlossen...\n"));
    EXPECT_EQ(Sh(home, "$A archive Ablage --until 2008 >out 2>err"), ExitUsage);
    EXPECT_EQ(ReadFile(out), "");  // the usage error goes to standard error
    EXPECT_EQ(Sh(home, "$A --version >out 2>err"), ExitOk);
    EXPECT_EQ(ReadFile(out).substr(0, ReadFile(out).find('\n')) + ReadFile(home / "err"), "Veltrano Archivierungs-Assistent v3.00");
    // Standard input stays open and silent, so the question waits until SIGINT arrives; `timeout`
    // passes the signal on and starts the program with SIGINT at its default, as a terminal would.
    EXPECT_EQ(Sh(home, "mkfifo in; timeout -s KILL 20 " + run + "--confirm --run <in >out 2>err & exec 3>in; "
                       "for i in $(seq 500); do grep -q 'bbrechen: ' out && break; sleep 0.02; done; kill -INT $!; wait $!"),
              ExitStopped);
    EXPECT_TRUE(fs::exists(home / "Ablage/Bericht.doc"));
    EXPECT_TRUE(ReadFile(protocol).ends_with(" - ! Archivierung abgebrochen...\n"));
}

// --- the terminal renderer and document opener ----------------------------------------------

TEST(TerminalUi, ProgressLineAndBeepOnlyOnATerminalAndOnlyDuringARun) {
    for (const bool terminal : {true, false}) {
        Cli cli;
        TerminalUi ui(TerminalIo{nullptr, &cli.out, &cli.err, terminal, terminal, 80});
        frmArdeko form;
        form.lblStatus.Caption = "Prüfe Datei 1...";
        ui.AttachRunForm(&form);
        ui.DoEvents();  // no run under way, no line
        form.btnDoIt.Caption = "Stopp!";
        ui.DoEvents();
        ui.Beep();
        ui.SystemMessageBox("Fertig", "T", 0);  // clears the line first
        EXPECT_EQ(cli.err.str(), terminal ? "\rPrüfe Datei 1...\x1b[K\a\r\x1b[KT: Fertig\n" : "T: Fertig\n") << terminal;
    }
}

TEST(TerminalShell, PlainTerminalPrintsAddressesADesktopGetsThem) {
    for (const std::string desktop : {"", "DISPLAY", "WAYLAND_DISPLAY", "ARDEKO_OPENER"}) {
        Cli cli;
        cli.env.shell.environment[desktop] = ":0";
        TerminalShell shell(cli.env.shell, cli.out);
        EXPECT_GE(shell.ShellExecute({"https://www.example.com/", {}, "", 3}).instApp, 32);
        // "C:" is a drive, not an address: on a plain terminal the missing file fails.
        EXPECT_EQ(shell.ShellExecute({"C:\\fehlt.txt", {}, "", 3}).instApp >= 32, desktop != "");
        EXPECT_EQ(cli.out.str(), desktop.empty() ? "https://www.example.com/\n" : "") << desktop;
        EXPECT_EQ(cli.env.shell.executed.size(), desktop.empty() ? 0u : 2u) << desktop;
    }
}

}  // namespace
}  // namespace ardeko::cli
