#include "undo/frmUndo.h"

#include <memory>

#include "archive/ArchiveJob.h"
#include "archive/RunDriver.h"
#include "msgbox/MsgBox.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Translate.h"
#include "ui/FormCatalogue.h"

namespace ardeko {

namespace {
constexpr int kWidth = 7800;
constexpr std::uint32_t kGrey = ui::Rgb(0x80, 0x80, 0x80);
}  // namespace

frmUndo::frmUndo() : ui::Form("frmUndo") {
    Width = kWidth;
    Height = 4200;
    Caption = "Rückgängig";
    XPForm.Move(0, 0, kWidth, 435);
    lvRuns.Move(150, 600, 7500, 2100);
    cbTest.Move(150, 2820, 2400, 300);
    lblStatus.Move(150, 3200, 7500, 255);
    btnUndoRun.Move(150, 3600, 2200, 435);
    btnRestore.Move(2450, 3600, 3000, 435);
    btnClose.Move(6300, 3600, 1350, 435);

    lvRuns.ColumnHeaders = {"Datum", "Startordner", "Dateien"};
    lvRuns.ToolTipText = " Archivierungen, die sich rückgängig machen lassen";
    cbTest.Caption = "Testlauf";
    cbTest.ToolTipText = " Nichts verschieben, nur Testlauf und Protokoll";
    lblStatus.ForeColor = ui::Rgb(255, 0, 0);
    btnUndoRun.Caption = "Rückgängig machen";
    btnUndoRun.ToolTipText = " Gewählte Archivierung rückgängig machen";
    btnRestore.Caption = "Archivordner auflösen...";
    btnRestore.ToolTipText = " Alle Archivordner unter dem Startordner auflösen";
    btnClose.Caption = "Schließen";
    btnClose.ToolTipText = " Dialog schließen";
    btnClose.Cancel = true;

    cbTest.Tag = "Testlauf||Test run|";
    btnUndoRun.Tag = "Rückgängig machen||Undo|";
    btnRestore.Tag = "Archivordner auflösen...||Dissolve archive folders...|";
    btnClose.Tag = "Schließen||Close|";

    btnUndoRun.Click = [this] { btnUndoRun_Click(); };
    btnRestore.Click = [this] { btnRestore_Click(); };
    btnClose.Click = [this] {
        // While work is under way, closing asks it to stop first, as "Stopp!" does.
        if (busy_) {
            stopRequested_ = true;
            return;
        }
        Unload();
    };
}

void frmUndo::Form_Load() {
    Guarded([&] { XPForm.Caption = " " + Module().ProductTitle + " - Rückgängig"; });
    Guarded([&] { XPForm.ColorScheme = Module().ColorScheme; });
    Guarded([&] { XPForm.Attach(); });
    Guarded([&] { TranslateForm(*this); });
    cbTest.Value = true;
    lblStatus.Caption.clear();
    FillRuns();
}

void frmUndo::Pump() { PumpMessages(); }

void frmUndo::FillRuns() {
    runs_.clear();
    Guarded([&] { runs_ = UndoableRuns(); });
    lvRuns.Rows.clear();
    for (const auto& run : runs_)
        lvRuns.Rows.push_back({RunStartText(run.started), run.startFolder, FormatCount(run.files) + " Datei(en)"});
    if (runs_.empty()) {
        lvRuns.Rows.push_back({"Keine Archivierung zum Rückgängigmachen vorhanden.", "", ""});
        lvRuns.ForeColor = kGrey;
        lvRuns.ListIndex = -1;
    } else {
        lvRuns.ForeColor.reset();
        lvRuns.ListIndex = 0;
    }
}

template <class Work>
void frmUndo::Busy(ui::Button& button, Work&& work) {
    busy_ = true;
    stopRequested_ = false;
    const std::string caption = button.Caption;
    button.Caption = StopCaption;
    MousePointer = ui::MousePointerArrowHourglass;
    UndoOutcome outcome;
    outcome.found = false;
    try {
        outcome = work();
    } catch (...) {
    }
    MousePointer = ui::MousePointerDefault;
    button.Caption = caption;
    lblStatus.Caption = outcome.stopped ? "Abgebrochen..." : "Fertig...";
    PumpMessages();
    busy_ = false;
    if (outcome.found) ReportUndo(outcome);
    FillRuns();
}

void frmUndo::btnUndoRun_Click() {
    if (busy_) {
        if (btnUndoRun.Caption == StopCaption) stopRequested_ = true;
        else SystemBeep();
        return;
    }
    const int index = lvRuns.ListIndex;
    if (index < 0 || index >= static_cast<int>(runs_.size())) {
        SystemBeep();
        return;
    }
    const int number = runs_[static_cast<std::size_t>(index)].number;
    Busy(btnUndoRun, [&] { return UndoRun(number, cbTest.Value, *this); });
}

void frmUndo::btnRestore_Click() {
    if (busy_) {
        if (btnRestore.Caption == StopCaption) stopRequested_ = true;
        else SystemBeep();
        return;
    }
    const std::string folder = TrimBlanks(StartFolder);
    if (!PreRunChecks(true, folder)) return;
    SystemBeep();
    if (MsgBoxStd("Alle Archivordner unter '" + folder + "' auflösen?", vbQuestion + vbYesNo, Module().ProductTitle) != vbYes)
        return;
    Busy(btnRestore, [&] { return RestoreArchiveFolders(folder, true, cbTest.Value, *this); });
}

void ShowUndoDialog(const std::string& startFolder) {
    // A fresh instance per opening: the list is read anew and the test box is ticked.
    Guarded([&] {
        frmUndo dialog;
        dialog.StartFolder = startFolder;
        dialog.ShowModal();
    });
}

namespace {
const ui::RegisterForm registered{"frmUndo", [] { return std::make_unique<frmUndo>(); }};
}  // namespace

}  // namespace ardeko
