#include "archive/RunDriver.h"

#include "archive/FileWalk.h"
#include "archive/Journal.h"
#include "archive/Protocol.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"

namespace ardeko {

namespace {

std::string HostProperty(std::string (host::Application::*read)(), const char* fallback) {
    try {
        if (auto& app = Module().HostApp) return ((*app).*read)();
    } catch (...) {
    }
    return fallback;
}

// A real run's journal, with the options as the run starts.
std::shared_ptr<RunJournal> BeginJournal(ArchiveDialog& dialog, const ArchiveJob& job) {
    JournalRunInfo info;
    Guarded([&] {
        info.started = platform::Clock().Now();
        info.host = GetHostName();
        info.startFolder = job.StartFolder;
        info.cutOffMonth = job.CutOffMonth;
        info.cutOffYear = job.CutOffYear;
        const DateBasis basis = dialog.CurrentDateBasis();
        info.dateBasis = basis == DateBasis::Created ? "created" : basis == DateBasis::LastModified ? "modified" : "accessed";
        info.scheme = dialog.CurrentFolderScheme() == FolderScheme::Year ? "year" : "month";
        info.subfolders = dialog.IncludeSubfoldersSet();
        for (int i = 0; i < dialog.FileTypeCount(); ++i)
            if (dialog.FileTypeTicked(i)) info.patterns.push_back(PatternFromEntry(dialog.FileTypeText(i)));
    });
    return RunJournal::Begin(info);
}

}  // namespace

std::string FormatCount(std::int64_t value) {
    if (value == 0) return "0";
    try {
        return platform::Clock().FormatGrouped(value);
    } catch (...) {
        return std::to_string(value);
    }
}

RunSummary ComposeRunSummary(const std::string& runMode, const ArchiveRunState& state) {
    RunSummary summary;
    if (state.CheckedCount == 0) {
        summary.text = "Es wurden keine zu archivierenden Dateien gefunden.";
        summary.icon = vbExclamation;
    } else {
        summary.icon = state.CancelRequested ? vbExclamation : vbInformation;
        summary.text = runMode + (state.CancelRequested ? " abgebrochen - " : " abgeschlossen - ") +
                       FormatCount(state.CheckedCount) + " Datei(en) geprüft, " +
                       (state.ArchivedCount < 1 ? " keine Dateien archiviert."
                                                : FormatCount(state.ArchivedCount) + " Datei(en) archiviert.");
    }
    if (state.ErrorCount >= 1) {
        summary.text += "\r\n\r\nDabei sind " + FormatCount(state.ErrorCount) +
                        " Fehler aufgetreten - bitte prüfen Sie das Protokoll...";
        summary.icon = vbCritical;
    } else {
        summary.text += "..";
    }
    return summary;
}

RunOutcome RunArchive(ArchiveDialog& dialog) {
    ArchiveRunState& state = dialog.RunState();
    try {
        if (dialog.RunButtonCaption() == StopCaption) {
            state.CancelRequested = true;
            return RunOutcome::StopRequested;
        }
    } catch (...) {
    }

    ArchiveJob job;
    state.AskBeforeOverwrite = true;
    Guarded([&] { job.CutOffMonth = CutOffMonthFromIndex(dialog.MonthListIndex()); });
    Guarded([&] { job.CutOffYear = CutOffYearFromText(dialog.YearText()); });
    state.CheckedCount = state.ArchivedCount = state.ErrorCount = 0;
    state.SweptArchiveFolders.clear();

    bool anyTicked = false;
    Guarded([&] {
        for (int i = 0; i < dialog.FileTypeCount() && !anyTicked; ++i) anyTicked = dialog.FileTypeTicked(i);
    });
    Guarded([&] { job.StartFolder = TrimBlanks(dialog.StartFolderText()); });
    if (!PreRunChecks(anyTicked, job.StartFolder)) return RunOutcome::Refused;

    state.CancelRequested = false;

    std::string runMode = "Archivierung";
    Guarded([&] {
        job.TestRun = dialog.TestRunSet();
        if (job.TestRun) runMode = "Testlauf";
    });
    WritePROTO(std::string(75, '-'));
    WritePROTO(runMode + " gestartet (" + GetHostName() + " " + HostProperty(&host::Application::Version, "?.??.??") +
               " [" + HostProperty(&host::Application::Build, "0.0") + "])");
    WritePROTO("Startordner: " + job.StartFolder);
    WritePROTO("Archivieren bis: " + std::to_string(job.CutOffMonth) + "/" + std::to_string(job.CutOffYear));
    Guarded([&] {
        const DateBasis basis = dialog.CurrentDateBasis();
        WritePROTO(std::string("Archivieren nach: ") + (basis == DateBasis::Created        ? "Erstellungsdatum"
                                                        : basis == DateBasis::LastModified ? "Änderungsdatum"
                                                                                           : "Zugriffsdatum"));
    });
    Guarded([&] {
        WritePROTO(std::string("Archivieren in: ") + (dialog.YearOptionSet() ? "Jahresordner" : "Jahres/Monatsordner"));
    });

    state.Journal = job.TestRun ? nullptr : BeginJournal(dialog, job);

    Guarded([&] { dialog.SetBusyPointer(true); });
    Guarded([&] { dialog.SetRunButtonCaption(StopCaption); });

    for (int i = 0;; ++i) {
        bool more = false;
        Guarded([&] { more = i < dialog.FileTypeCount(); });
        if (!more) break;
        PumpMessages();
        bool ticked = false;
        std::string pattern;
        Guarded([&] {
            ticked = dialog.FileTypeTicked(i);
            if (ticked) pattern = PatternFromEntry(dialog.FileTypeText(i));
        });
        if (ticked) {
            WritePROTO("Dateien: " + pattern);
            ProcessFiles(dialog, job.StartFolder, pattern, job.CutOffMonth, job.CutOffYear);
            if (state.CancelRequested) break;
            WritePROTO("Archivierung von '" + pattern + "' abgeschlossen...");
        }
        PumpMessages();
    }

    FlushPROTO();
    Guarded([&] { dialog.SetBusyPointer(false); });
    if (state.Journal) state.Journal->End(state.CancelRequested);
    state.Journal.reset();
    if (state.CancelRequested) WritePROTO("! Archivierung abgebrochen...");
    Guarded([&] { dialog.SetRunButtonCaption(RunCaption); });
    Guarded([&] { dialog.SetStatus(state.CancelRequested ? "Abgebrochen..." : "Fertig..."); });
    PumpMessages();

    const RunSummary summary = ComposeRunSummary(runMode, state);
    SystemBeep();
    MsgBoxStd(summary.text, summary.icon, Module().ProductTitle);
    PumpMessages();

    bool testRun = job.TestRun;
    Guarded([&] { testRun = dialog.TestRunSet(); });
    if (state.CheckedCount > 0 && (testRun || state.ErrorCount > 0)) ShowProtocol();
    return RunOutcome::Ran;
}

}  // namespace ardeko
