#include "Cli.h"

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>

#include "TerminalUi.h"
#include "Utf8Path.h"
#include "addin/Connect.h"
#include "archive/ArchiveJob.h"
#include "archive/Protocol.h"
#include "archive/RunDriver.h"
#include "support/Guard.h"
#include "ui/Form.h"
#include "undo/Undo.h"
#include "platform/Ports.h"
#include "support/Identity.h"
#include "support/Module.h"
#include "support/Version.h"
#include "wizard/frmArdeko.h"

namespace ardeko::cli {

namespace {

const char* const kMainHelp =
    "ardeko - Veltrano Archivierungs-Assistent auf der Kommandozeile\n"
    "\n"
    "Aufruf:\n"
    "  ardeko archive ORDNER --until M/JJJJ [Optionen]   Dateien archivieren (ohne --run: Testlauf)\n"
    "  ardeko protocol show|delete|path [--host NAME]    Protokoll anzeigen, löschen, Pfad ausgeben\n"
    "  ardeko undo [NUMMER] [--list] [--run]             Archivierung rückgängig machen\n"
    "  ardeko restore ORDNER [--run]                     Archivordner auflösen\n"
    "  ardeko BEFEHL --help                              Hilfe zu einem Befehl\n"
    "  ardeko --version                                  Produktname und Version\n"
    "\n"
    "Dateien, deren Datum im gewählten Monat oder davor liegt, werden in Archivordner innerhalb\n"
    "ihres eigenen Ordners verschoben: '~~~ 2008' (ein Ordner pro Jahr) oder\n"
    "'~~~ 2008/~~~ 06 Juni' (ein Ordner pro Jahr mit Unterordnern pro Monat). Archivordner\n"
    "werden nie durchsucht. Jeder Lauf wird im Archivierungsprotokoll festgehalten.\n";

const char* const kArchiveHelp =
    "Aufruf: ardeko archive ORDNER --until M/JJJJ [--date created|modified|accessed]\n"
    "                      [--folders year|month] [--type MUSTER]... [--no-subfolders]\n"
    "                      [--confirm] [--run] [--host NAME [--host-version N]]\n"
    "\n"
    "Archiviert die Dateien im Startordner ORDNER (und in seinen Unterordnern), deren Datum im\n"
    "Monat von --until oder davor liegt. Ohne --run ist es ein Testlauf: er schreibt ins\n"
    "Protokoll, was archiviert würde, und verschiebt nichts.\n"
    "\n"
    "  ORDNER             Startordner; ein Ordner, den es nicht gibt, wird gleich hier\n"
    "                     abgewiesen (Rückgabewert 2), noch bevor der Assistent prüft\n"
    "  --until M/JJJJ     Archivieren bis Monat/Jahr einschließlich, z.B. 6/2008 für Juni 2008;\n"
    "                     wählbar sind das laufende Jahr und die 30 Jahre davor\n"
    "  --date ART         Archivieren nach Datum: created (der Erstellung), modified (der\n"
    "                     letzten Änderung; Vorgabe) oder accessed (des letzten Zugriffs)\n"
    "  --folders ART      Archivieren in: year (ein Ordner pro Jahr; Vorgabe) oder month (ein\n"
    "                     Ordner pro Jahr mit Unterordnern pro Monat)\n"
    "  --type MUSTER      Zu archivierende Dateitypen: das Muster eines Eintrags der Liste, z.B.\n"
    "                     '*.DOC*' oder '*.*'; mehrfach möglich, in der angegebenen Reihenfolge\n"
    "                     angekreuzt. 'Alle Dateien (*.*)' und die übrigen Typen schließen\n"
    "                     einander aus. Ohne --type gilt der erste Eintrag der Liste.\n"
    "  --no-subfolders    Unterordner nicht einbeziehen\n"
    "  --confirm          Einzeln bestätigen: vor jeder Datei fragen\n"
    "  --run              Archivieren statt Testlauf\n"
    "  --host NAME        Office-Programm (Word, Excel, PowerPoint, Access); es bestimmt die\n"
    "                     Liste der Dateitypen, die Einstellungen und die Protokolldatei.\n"
    "                     Ohne --host: Office, nur 'Alle Dateien (*.*)'.\n"
    "  --host-version N   Hauptversion des Office-Programms, z.B. 12. Ohne Angabe ist sie\n"
    "                     unbekannt: der Protokollkopf zeigt '?.?\?.?\?', und Access bietet\n"
    "                     die Dateitypen unter Version 12 (*.MDB ...), ab 12 *.ACCDB ...\n"
    "  -h, --help         Diese Hilfe\n"
    "\n"
    "Fragen (Einzeln bestätigen, vorhandene Zieldatei überschreiben) werden im Terminal\n"
    "gestellt. Ist die Standardeingabe kein Terminal, wird je Frage eine Zeile gelesen:\n"
    "j/ja, n/nein oder a/abbrechen, mit '!' dahinter für 'Diese Meldung nicht mehr anzeigen'.\n"
    "Am Ende der Eingabe gilt 'Abbrechen': nichts wird ungefragt überschrieben.\n"
    "Strg+C wirkt wie 'Stopp!': die Archivierung endet nach der Datei in Arbeit.\n"
    "Nach einem Testlauf und nach Fehlern wird das Protokoll angezeigt. Das Protokoll ist\n"
    "UTF-8-Text; Zeichen in Dateinamen, die keine Zeile halten kann (Zeilenumbrüche,\n"
    "Steuerzeichen, Bytes, die kein UTF-8 sind), stehen dort und im Terminal als \\xHH,\n"
    "ein Backslash als \\\\.\n"
    "\n"
    "Rückgabewert: 0 ohne Fehler, 1 mit Fehlern (siehe Protokoll), 2 Aufruf fehlerhaft oder\n"
    "Archivierung nicht gestartet, 3 Archivierung abgebrochen.\n";

const char* const kProtocolHelp =
    "Aufruf: ardeko protocol show|delete|path [--host NAME]\n"
    "\n"
    "  show               Protokoll anzeigen (in seinem Programm, auf einem reinen Terminal\n"
    "                     als Text)\n"
    "  delete             Protokoll nach einer Rückfrage löschen\n"
    "  path               Pfad der Protokolldatei ausgeben\n"
    "  --host NAME        Office-Programm, dessen Protokoll gemeint ist (Vorgabe: Office)\n"
    "  -h, --help         Diese Hilfe\n"
    "\n"
    "Rückgabewert: 0 erledigt, 1 Protokoll nicht gefunden oder nicht gelöscht, 2 Aufruf\n"
    "fehlerhaft.\n";

const char* const kUndoHelp =
    "Aufruf: ardeko undo --list [--host NAME]\n"
    "        ardeko undo [NUMMER] [--host NAME] [--run]\n"
    "\n"
    "Jede Archivierung (nicht der Testlauf) wird in einem Journal festgehalten, auch wenn das\n"
    "Protokoll gelöscht wird. Damit lässt sie sich rückgängig machen: jede Datei kommt an ihren\n"
    "alten Platz zurück, wenn sie unverändert im Archivordner liegt und ihr alter Platz frei\n"
    "ist; sonst bleibt sie, und das Protokoll sagt warum. Nichts wird überschrieben oder\n"
    "gelöscht. Archivordner, die die Archivierung angelegt hat und die danach leer sind,\n"
    "werden entfernt. Ohne --run ist es ein Testlauf.\n"
    "\n"
    "  --list             Die Läufe, die sich rückgängig machen lassen, den neuesten zuerst:\n"
    "                     Nummer, Datum und Uhrzeit, Startordner, Zahl der Dateien\n"
    "  NUMMER             Der Lauf, der rückgängig gemacht wird (Vorgabe: der neueste)\n"
    "  --run              Rückgängig machen statt Testlauf\n"
    "  --host NAME        Office-Programm, dessen Läufe gemeint sind (Vorgabe: Office)\n"
    "  -h, --help         Diese Hilfe\n"
    "\n"
    "Strg+C hält nach der Datei in Arbeit an. Rückgabewert: 0 erledigt, 1 Dateien nicht\n"
    "zurückgeholt oder Fehler (siehe Protokoll), 2 Aufruf fehlerhaft, 3 abgebrochen.\n";

const char* const kRestoreHelp =
    "Aufruf: ardeko restore ORDNER [--no-subfolders] [--host NAME] [--run]\n"
    "\n"
    "Löst die Archivordner unter ORDNER auf ('~~~ 2008' und '~~~ 2008/~~~ 06 Juni'), auch\n"
    "ohne Journal, etwa von älteren Versionen oder von Hand angelegte: jede Datei darin kommt\n"
    "in den Ordner, der den Jahresordner enthält. Ein Name, der dort schon vergeben ist, bleibt\n"
    "im Archivordner und wird im Protokoll genannt. Leere Archivordner werden entfernt.\n"
    "Ohne --run ist es ein Testlauf.\n"
    "\n"
    "  --no-subfolders    Nur die Archivordner direkt in ORDNER, nicht die der Unterordner\n"
    "  --run              Auflösen statt Testlauf\n"
    "  --host NAME        Office-Programm, in dessen Protokoll geschrieben wird (Vorgabe: Office)\n"
    "  -h, --help         Diese Hilfe\n"
    "\n"
    "Rückgabewert wie bei undo.\n";

// The host a command names: enough of an Office application for the system to know which
// program it archives for. No Office program is asked, so its build is unknown and its version
// too, unless the user gives one; the protocol header then shows the fallbacks.
class StandInHost : public host::Application {
public:
    StandInHost(std::string name, std::optional<int> version) : name_(std::move(name)), version_(version) {}
    std::string Name() override { return name_; }
    std::string Version() override {
        if (!version_) throw host::HostError("no Office program was asked for its version");
        return std::to_string(*version_) + ".0";
    }
    std::string Build() override { throw host::HostError("no build number on the command line"); }
    std::shared_ptr<host::CommandBars> GetCommandBars() override {
        throw host::HostError("no command bars on the command line");
    }
    std::shared_ptr<host::Template> NormalTemplate() override {
        throw host::HostError("no templates on the command line");
    }

private:
    std::string name_;
    std::optional<int> version_;
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<std::string> CanonicalHostName(const std::string& name) {
    const auto lower = [](std::string text) {
        for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return text;
    };
    for (const char* host : {"Word", "Excel", "PowerPoint", "Access", "Office"})
        if (lower(name) == lower(host)) return std::string(host);
    return std::nullopt;
}

void ConnectHost(const std::optional<std::string>& hostName, std::optional<int> hostVersion) {
    ModuleValues& m = Module();
    m.HostApp = hostName ? std::make_shared<StandInHost>(*hostName, hostVersion) : nullptr;
    m.CurrLang = 0;
    try {
        const std::string stored = platform::Settings().GetSetting("Veltrano", "OffArdeko", "CurrLang", "0");
        if (auto lang = LeadingNumberAsInt16(stored)) m.CurrLang = *lang;
    } catch (...) {
        // an unreadable store leaves the German default
    }
    m.ColorScheme = platform::UI().CurrentColorScheme();
    InitProductTexts();
}

namespace {

// The argument parser explains in English; users of this program read German. Its messages
// name the argument first, which is what ours keep.
std::string ParseErrorText(const CLI::ParseError& e) {
    const std::string what = e.what();
    const auto colon = what.find(':');
    const std::string named = colon == std::string::npos ? std::string() : what.substr(0, colon);
    if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr && colon != std::string::npos) {
        // The parser lists the extra arguments last to first.
        std::vector<std::string> extras;
        std::string rest = what.substr(colon + 1);
        for (std::size_t at = 0; at < rest.size();) {
            const auto blank = rest.find(' ', at);
            const auto end = blank == std::string::npos ? rest.size() : blank;
            if (end > at) extras.insert(extras.begin(), rest.substr(at, end - at));
            at = end + 1;
        }
        std::string list;
        for (const auto& x : extras) list += (list.empty() ? "'" : ", '") + x + "'";
        return (extras.size() > 1 ? "Unbekannte Angaben " : "Unbekannte Angabe ") + list + ".";
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr && !named.empty()) {
        if (what.find(" missing") != std::string::npos) return "Zur Angabe " + named + " fehlt der Wert.";
        if (what.find("flag override") != std::string::npos) return "Die Angabe " + named + " nimmt keinen Wert an.";
        return "Die Angabe " + named + " ist nur einmal erlaubt.";
    }
    if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr && colon != std::string::npos) {
        // "Could not convert: --run = ja"
        std::string option = what.substr(colon + 1);
        option = option.substr(0, option.find(" ="));
        if (const auto first = option.find_first_not_of(' '); first != std::string::npos) option.erase(0, first);
        if (!option.empty()) return "Ungültiger Wert für " + option + ".";
    }
    return "Aufruf fehlerhaft.";
}

int UsageError(std::ostream& err, const std::string& message, const char* command) {
    err << "ardeko: " << message << '\n'
        << "Hilfe: ardeko" << (command ? std::string(" ") + command : std::string()) << " --help\n";
    return ExitUsage;
}

struct ArchiveArgs {
    std::optional<std::string> folder;
    std::optional<std::string> until;
    std::string date = "modified";
    std::string folders = "year";
    std::vector<std::string> types;
    bool noSubfolders = false;
    bool confirm = false;
    bool run = false;
    std::optional<std::string> host;
    std::optional<std::string> hostVersion;
    bool help = false;
};

struct ProtocolArgs {
    std::optional<std::string> action;
    std::optional<std::string> host;
    bool help = false;
};

struct UndoArgs {
    std::optional<std::string> number;
    bool list = false;
    bool run = false;
    std::optional<std::string> host;
    bool help = false;
};

struct RestoreArgs {
    std::optional<std::string> folder;
    bool noSubfolders = false;
    bool run = false;
    std::optional<std::string> host;
    bool help = false;
};

// The start folder as the dialog would show it: absolute, without a trailing separator (a
// root keeps its own).
std::string StartFolderText(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path path = fs::absolute(PathFromUtf8(folder)).lexically_normal();
    std::string text = Utf8FromPath(path);
    const std::size_t root = std::max<std::size_t>(1, Utf8FromPath(path.root_path()).size());
    while (text.size() > root && (text.back() == '/' || text.back() == static_cast<char>(fs::path::preferred_separator)))
        text.pop_back();
    return text;
}

std::string FileTypeList(const ui::CheckListBox& list) {
    std::string text;
    for (const auto& item : list.Items)
        text += "  " + PatternFromEntry(item.Text) + "    " + item.Text + "\n";
    return text;
}

// Ticks the named entries as a user would: the first entry ticked at load is cleared first,
// then each named one is ticked in turn, with the list's tick rules acting on every click.
bool TickFileTypes(ui::CheckListBox& list, const std::vector<std::string>& patterns, std::string& unknown) {
    std::vector<int> indexes;
    for (const std::string& pattern : patterns) {
        int found = -1;
        for (int i = 0; i < list.ListCount() && found < 0; ++i)
            if (Lower(PatternFromEntry(list.Items[static_cast<std::size_t>(i)].Text)) == Lower(pattern)) found = i;
        if (found < 0) {
            unknown = pattern;
            return false;
        }
        indexes.push_back(found);
    }
    if (indexes.empty()) return true;
    for (int i = 0; i < list.ListCount(); ++i)
        if (list.Items[static_cast<std::size_t>(i)].Selected) list.UserSetSelected(i, false);
    for (int i : indexes) list.UserSetSelected(i, true);
    return true;
}

int RunArchive(const ArchiveArgs& a, TerminalUi& ui, std::ostream& out, std::ostream& err) {
    if (a.help) {
        out << kArchiveHelp;
        return ExitOk;
    }
    if (!a.folder) return UsageError(err, "Der Startordner fehlt.", "archive");
    if (!a.until) return UsageError(err, "Die Angabe --until M/JJJJ fehlt (Archivieren bis Monat/Jahr).", "archive");
    int month = 0, year = 0;
    if (!ParseUntil(*a.until, month, year))
        return UsageError(err, "Ungültige Angabe --until '" + *a.until + "': erwartet Monat/Jahr, z.B. 6/2008.",
                          "archive");
    const std::string date = Lower(a.date), folders = Lower(a.folders);
    if (date != "created" && date != "modified" && date != "accessed")
        return UsageError(err, "Ungültige Angabe --date '" + a.date + "': created, modified oder accessed.",
                          "archive");
    if (folders != "year" && folders != "month")
        return UsageError(err, "Ungültige Angabe --folders '" + a.folders + "': year oder month.", "archive");
    std::optional<int> hostVersion;
    if (a.hostVersion) {
        hostVersion = ParseHostVersion(*a.hostVersion);
        if (!hostVersion)
            return UsageError(err, "Ungültige Angabe --host-version '" + *a.hostVersion +
                                       "': erwartet die Hauptversion als Zahl, z.B. 12.", "archive");
        if (!a.host) return UsageError(err, "Die Angabe --host-version gilt nur zusammen mit --host.", "archive");
    }
    // A folder of blanks only goes to the dialog as it is, whose own check asks for one.
    std::string startFolder = *a.folder;
    if (startFolder.find_first_not_of(' ') != std::string::npos) {
        std::error_code ec;
        if (!std::filesystem::is_directory(PathFromUtf8(*a.folder), ec))
            return UsageError(err, "Startordner nicht gefunden: " + *a.folder, "archive");
        startFolder = StartFolderText(*a.folder);
    }

    ConnectHost(a.host, hostVersion);
    auto form = std::make_unique<frmArdeko>();
    form->Load();

    if (!form->clYear.SetText(std::to_string(year))) {
        const auto& years = form->clYear.Items;
        return UsageError(err,
                          "Das Jahr " + std::to_string(year) + " ist nicht wählbar: erlaubt sind " +
                              (years.empty() ? std::string("keine") : years.back() + " bis " + years.front()) + ".",
                          "archive");
    }
    form->clMonth.ListIndex = month - 1;
    std::string unknown;
    if (!TickFileTypes(form->lstFileTypes, a.types, unknown)) {
        err << "ardeko: Unbekannter Dateityp '" << unknown << "'. Die Liste für " << form->HostAppName
            << " enthält:\n"
            << FileTypeList(form->lstFileTypes);
        return ExitUsage;
    }
    form->lblSourcePath.Caption = startFolder;
    if (date == "created") form->obCreated.Select();
    else if (date == "accessed") form->obAccessed.Select();
    else form->obEdited.Select();
    if (folders == "month") form->obYearMonth.Select();
    else form->obYear.Select();
    form->cbSubDirs.Value = !a.noSubfolders;
    form->cbConfirm.Value = a.confirm;
    form->cbTest.Value = !a.run;

    ui.AttachRunForm(form.get());
    LostProtocolLines() = {};
    form->btnDoIt.PerformClick();
    ui.ClearProgress();
    ui.AttachRunForm(nullptr);

    if (!form->LastClickStartedRun()) return ExitUsage;
    const ArchiveRunState& state = form->RunState();
    // The run went on without its protocol, as the dialog's would; here that is not silent.
    const ProtocolLoss lost = LostProtocolLines();
    if (lost.lines > 0)
        err << "ardeko: Das Protokoll '" << (lost.path.empty() ? ArchiveProtocolPath() : lost.path)
            << "' konnte nicht geschrieben werden: " << lost.lines << (lost.lines == 1 ? " Zeile fehlt.\n" : " Zeilen fehlen.\n");
    if (state.CancelRequested) return ExitStopped;
    return state.ErrorCount > 0 || lost.lines > 0 ? ExitErrors : ExitOk;
}

// The terminal's progress line and Ctrl+C for undo and restore: a stop button and a status
// label that the terminal renderer watches as it watches the wizard's.
class TerminalUndoProgress final : public UndoProgress {
public:
    explicit TerminalUndoProgress(TerminalUi& ui) : ui_(ui) {
        button_.Caption = StopCaption;
        button_.Click = [this] { stop_ = true; };
        ui_.AttachRunControls(&button_, &label_);
    }
    ~TerminalUndoProgress() override {
        ui_.ClearProgress();
        ui_.AttachRunControls(nullptr, nullptr);
    }
    TerminalUndoProgress(const TerminalUndoProgress&) = delete;
    TerminalUndoProgress& operator=(const TerminalUndoProgress&) = delete;

    void Status(const std::string& text) override { label_.Caption = text; }
    void Pump() override { PumpMessages(); }
    bool StopRequested() override { return stop_; }

private:
    TerminalUi& ui_;
    ui::Form form_{"frmUndoProgress"};
    ui::Button button_{form_, "btnStop"};
    ui::Label label_{form_, "lblStatus"};
    bool stop_ = false;
};

int UndoExitCode(const UndoOutcome& o) {
    if (o.stopped) return ExitStopped;
    return o.left > 0 || o.errors > 0 ? ExitErrors : ExitOk;
}

template <class Work>
int RunUndoWork(TerminalUi& ui, Work&& work) {
    UndoOutcome outcome;
    {
        TerminalUndoProgress progress(ui);
        outcome = work(progress);
    }
    if (!outcome.found) return ExitUsage;
    ReportUndo(outcome);
    return UndoExitCode(outcome);
}

int RunUndo(const UndoArgs& a, TerminalUi& ui, std::ostream& out, std::ostream& err) {
    if (a.help) {
        out << kUndoHelp;
        return ExitOk;
    }
    std::optional<int> number;
    if (a.number) {
        if (a.number->empty() || a.number->size() > 9 ||
            !std::all_of(a.number->begin(), a.number->end(), [](char c) { return c >= '0' && c <= '9'; }))
            return UsageError(err, "Ungültige Laufnummer '" + *a.number + "'.", "undo");
        number = std::stoi(*a.number);
    }
    if (a.list && (number || a.run)) return UsageError(err, "--list steht allein (nur mit --host).", "undo");
    ConnectHost(a.host, std::nullopt);
    const auto runs = UndoableRuns();
    if (a.list) {
        if (runs.empty()) out << "Keine Archivierung zum Rückgängigmachen vorhanden.\n";
        for (const auto& r : runs)
            out << fmt::format("{:>5}  {}  {}  {} Datei(en)\n", r.number, RunStartText(r.started), r.startFolder,
                               FormatCount(r.files));
        return ExitOk;
    }
    if (!number && runs.empty()) {
        ReportUndo(UndoOutcome{.mode = a.run ? UndoMode : UndoTestMode});
        return ExitOk;
    }
    const int chosen = number.value_or(runs.empty() ? 0 : runs.front().number);
    const int code = RunUndoWork(ui, [&](UndoProgress& p) { return UndoRun(chosen, !a.run, p); });
    if (code == ExitUsage)
        return UsageError(err, "Lauf " + std::to_string(chosen) + " lässt sich nicht rückgängig machen (siehe ardeko undo --list).",
                          "undo");
    return code;
}

int RunRestore(const RestoreArgs& a, TerminalUi& ui, std::ostream& out, std::ostream& err) {
    if (a.help) {
        out << kRestoreHelp;
        return ExitOk;
    }
    if (!a.folder) return UsageError(err, "Der Ordner fehlt.", "restore");
    std::error_code ec;
    if (!std::filesystem::is_directory(PathFromUtf8(*a.folder), ec))
        return UsageError(err, "Ordner nicht gefunden: " + *a.folder, "restore");
    ConnectHost(a.host, std::nullopt);
    const std::string folder = StartFolderText(*a.folder);
    return RunUndoWork(ui, [&](UndoProgress& p) { return RestoreArchiveFolders(folder, !a.noSubfolders, !a.run, p); });
}

bool ProtocolExists() {
    try {
        const auto attrs = platform::Fs().attributes(ArchiveProtocolPath());
        return attrs && !attrs->directory && !attrs->hidden && !attrs->system;
    } catch (...) {
        return false;
    }
}

int RunProtocol(const ProtocolArgs& a, std::ostream& out, std::ostream& err) {
    if (a.help) {
        out << kProtocolHelp;
        return ExitOk;
    }
    const std::string action = a.action ? Lower(*a.action) : std::string();
    if (action != "show" && action != "delete" && action != "path")
        return UsageError(err, a.action ? "Unbekannte Aktion '" + *a.action + "': show, delete oder path."
                                        : std::string("Die Aktion fehlt: show, delete oder path."),
                          "protocol");
    ConnectHost(a.host, std::nullopt);
    if (action == "path") {
        out << ArchiveProtocolPath() << '\n';
        return ExitOk;
    }
    auto form = std::make_unique<frmArdeko>();
    form->Load();
    const bool existed = ProtocolExists();
    if (action == "show") {
        form->btnProto.PerformClick();
        return existed ? ExitOk : ExitErrors;
    }
    form->btnDelProto.PerformClick();
    return existed && !ProtocolExists() ? ExitOk : ExitErrors;
}

}  // namespace

std::optional<int> ParseHostVersion(const std::string& text) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int version = std::stoi(text);
    if (version < 1) return std::nullopt;
    return version;
}

bool ParseUntil(const std::string& text, int& month, int& year) {
    const auto slash = text.find('/');
    if (slash == std::string::npos || slash == 0 || slash > 2 || text.size() - slash - 1 != 4) return false;
    auto digits = [](const std::string& s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    const std::string m = text.substr(0, slash), y = text.substr(slash + 1);
    if (!digits(m) || !digits(y)) return false;
    month = std::stoi(m);
    year = std::stoi(y);
    return month >= 1 && month <= 12;
}

int RunArdeko(const std::vector<std::string>& args, TerminalUi& ui, std::ostream& out, std::ostream& err) {
    platform::Ui* savedUi = platform::ports().ui;
    platform::ports().ui = &ui;
    struct Restore {
        platform::Ui* saved;
        ~Restore() { platform::ports().ui = saved; }
    } restore{savedUi};

    CLI::App app{"", "ardeko"};
    app.set_help_flag();
    bool help = false, version = false;
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);

    ArchiveArgs archiveArgs;
    CLI::App* archive = app.add_subcommand("archive");
    archive->set_help_flag();
    archive->add_flag("-h,--help", archiveArgs.help);
    archive->add_option("folder", archiveArgs.folder);
    archive->add_option("--until", archiveArgs.until);
    archive->add_option("--date", archiveArgs.date);
    archive->add_option("--folders", archiveArgs.folders);
    archive->add_option("--type", archiveArgs.types)->allow_extra_args(false);
    archive->add_flag("--no-subfolders", archiveArgs.noSubfolders);
    archive->add_flag("--confirm", archiveArgs.confirm);
    archive->add_flag("--run", archiveArgs.run);
    archive->add_option("--host", archiveArgs.host);
    archive->add_option("--host-version", archiveArgs.hostVersion);

    ProtocolArgs protocolArgs;
    CLI::App* protocol = app.add_subcommand("protocol");
    protocol->set_help_flag();
    protocol->add_flag("-h,--help", protocolArgs.help);
    protocol->add_option("action", protocolArgs.action);
    protocol->add_option("--host", protocolArgs.host);

    UndoArgs undoArgs;
    CLI::App* undo = app.add_subcommand("undo");
    undo->set_help_flag();
    undo->add_flag("-h,--help", undoArgs.help);
    undo->add_option("number", undoArgs.number);
    undo->add_flag("--list", undoArgs.list);
    undo->add_flag("--run", undoArgs.run);
    undo->add_option("--host", undoArgs.host);

    RestoreArgs restoreArgs;
    CLI::App* restoreCmd = app.add_subcommand("restore");
    restoreCmd->set_help_flag();
    restoreCmd->add_flag("-h,--help", restoreArgs.help);
    restoreCmd->add_option("folder", restoreArgs.folder);
    restoreCmd->add_flag("--no-subfolders", restoreArgs.noSubfolders);
    restoreCmd->add_flag("--run", restoreArgs.run);
    restoreCmd->add_option("--host", restoreArgs.host);

    std::vector<const char*> argv{"ardeko"};
    for (const auto& arg : args) argv.push_back(arg.c_str());
    const char* command = nullptr;
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        if (archive->parsed()) command = "archive";
        if (protocol->parsed()) command = "protocol";
        if (undo->parsed()) command = "undo";
        if (restoreCmd->parsed()) command = "restore";
        return UsageError(err, ParseErrorText(e), command);
    }
    if (version) {
        InitProductTexts();
        out << Module().ProductTitle << GetBuildText() << "\n"
            << "Programmversion " << kProgramVersion.major << '.' << kProgramVersion.minor << '.'
            << kProgramVersion.revision << "\n";
        return ExitOk;
    }

    try {
        if (archive->parsed()) return RunArchive(archiveArgs, ui, out, err);
        if (protocol->parsed()) return RunProtocol(protocolArgs, out, err);
        if (undo->parsed()) return RunUndo(undoArgs, ui, out, err);
        if (restoreCmd->parsed()) return RunRestore(restoreArgs, ui, out, err);
    } catch (const std::exception& e) {
        ui.ClearProgress();
        err << "ardeko: " << e.what() << '\n';
        return ExitErrors;
    }
    if (help) {
        out << kMainHelp;
        return ExitOk;
    }
    err << kMainHelp;
    return ExitUsage;
}

}  // namespace ardeko::cli
