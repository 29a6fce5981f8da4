#include "wizard/frmArdeko.h"

#include "about/About.h"
#include "archive/ArchiveJob.h"
#include "archive/Protocol.h"
#include "archive/RunDriver.h"
#include "platform/Ports.h"
#include "support/ExecProg.h"
#include "support/Help.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Translate.h"
#include "ui/FormCatalogue.h"
#include "undo/frmUndo.h"
#include "wizard/FolderChoice.h"

namespace ardeko {

namespace {

constexpr const char* kAllFiles = "Alle Dateien (*.*)";

bool IsAllFilesEntry(const std::string& text) { return text.find("*.*") != std::string::npos; }

}  // namespace

std::vector<std::string> FileTypeEntriesFor(const std::string& hostAppName, int hostMajorVersion) {
    std::vector<std::string> entries;
    if (hostAppName == "Word") {
        entries = {"Dokumente (*.DOC*)", "Vorlagen (*.DOT*)"};
    } else if (hostAppName == "Excel") {
        entries = {"Arbeitsmappen (*.XLS*)", "Vorlagen (*.XLT*)"};
    } else if (hostAppName == "PowerPoint") {
        entries = {"Präsentationen (*.PPT*)", "Pack && Go (*.PPS*)", "Vorlagen (*.POT*)"};
    } else if (hostAppName == "Access") {
        if (hostMajorVersion >= 12)
            entries = {"Datenbanken (*.ACCDB)", "Assistenten (*.ACCDA)", "Bibliotheken (*.ACCDE)"};
        else
            entries = {"Datenbanken (*.MDB)", "Assistenten (*.MDA)", "Bibliotheken (*.MDE)"};
    }
    entries.push_back(kAllFiles);
    return entries;
}

frmArdeko::frmArdeko() : ui::Form("frmArdeko") {
    Width = 10980;
    Height = 6315;

    XPForm.Move(0, 0, 10980, 450);
    lblSourceFolder.Move(150, 600, 1700, 255);
    lblSourcePath.Move(1900, 600, 7900, 255);
    btnExplSource.Move(9900, 540, 420, 375);
    btnChooseSource.Move(10410, 540, 420, 375);
    Line1.Move(150, 1020, 10680, 0);
    Line1.X1 = 150;
    Line1.X2 = 10830;
    Line1.Y1 = Line1.Y2 = 1020;
    cbSubDirs.Move(150, 1140, 2700, 300);
    imgInfo.Move(3000, 1140, 240, 240);
    lblInfo.Move(3330, 1110, 7500, 420);
    lblInfo.WordWrap = true;
    frFileTypes.Move(150, 1650, 4200, 3000);
    lstFileTypes.Move(300, 1950, 3900, 2100);
    cbConfirm.Move(300, 4200, 3000, 300);
    frArchOptions.Move(4500, 1650, 6330, 780);
    Label1.Move(4650, 1980, 2200, 255);
    clMonth.Move(6900, 1950, 1800, 315);
    clYear.Move(8850, 1950, 1200, 315);
    frDateOptions.Move(4500, 2520, 6330, 780);
    // Room between the options, whose texts differ in length.
    obCreated.Move(4650, 2850, 1650, 300);
    obEdited.Move(6450, 2850, 2200, 300);
    obAccessed.Move(8750, 2850, 2000, 300);
    frFolderOptions.Move(4500, 3390, 6330, 1260);
    obYear.Move(4650, 3720, 2000, 300);
    obYearMonth.Move(6700, 3720, 4050, 600);
    lblStatus.Move(150, 4800, 10680, 255);
    cbTest.Move(8100, 5220, 1500, 300);
    imgLogo.Move(150, 5550, 1800, 600);
    btnInfo.Move(2600, 5640, 1200, 435);
    btnHelp.Move(3900, 5640, 1200, 435);
    btnProto.Move(5200, 5640, 1300, 435);
    btnDelProto.Move(6600, 5640, 450, 435);
    btnUndo.Move(7150, 5640, 450, 435);
    btnDoIt.Move(8100, 5640, 1350, 435);
    btnCancel.Move(9550, 5640, 1280, 435);

    // The start folder in blue, the run's status line in red.
    lblSourcePath.ForeColor = ui::Rgb(0, 0, 255);
    lblStatus.ForeColor = ui::Rgb(255, 0, 0);
    for (ui::Control* c : {static_cast<ui::Control*>(&lstFileTypes), static_cast<ui::Control*>(&cbConfirm)})
        c->SetContainer(frFileTypes);
    for (ui::Control* c : {static_cast<ui::Control*>(&Label1), static_cast<ui::Control*>(&clMonth),
                           static_cast<ui::Control*>(&clYear)})
        c->SetContainer(frArchOptions);
    for (ui::OptionButton* o : {&obCreated, &obEdited, &obAccessed}) o->SetContainer(frDateOptions);
    for (ui::OptionButton* o : {&obYear, &obYearMonth}) o->SetContainer(frFolderOptions);

    btnExplSource.Picture = "Explorer";
    btnChooseSource.Picture = "Ordner";
    btnDelProto.Picture = "Papierkorb";
    btnUndo.Picture = "Rueckgaengig";
    imgInfo.Picture = "Information";
    imgLogo.Picture = "Logo";

    btnHelp.Tag = "Hilfe| Klicken Sie hier, um die Dokumentation anzuzeigen...|Help|Click for documentation...";
    btnInfo.Tag = "Info| Klicken Sie hier, um Infos zum Add-In anzuzeigen...|Info| Click for infos...";

    lstFileTypes.ItemCheck = [this](int index) { lstFileTypes_ItemCheck(index); };
    btnCancel.Click = [this] { Unload(); };
    btnHelp.Click = [] { ShowHelp(); };
    btnInfo.Click = [] { ShowInfoDialog(); };
    imgLogo.Click = [] { OpenDocument(MakerWebSite); };
    btnChooseSource.Click = [this] { ChooseStartFolder(*this); };
    lblSourcePath.DblClick = [this] { ChooseStartFolder(*this); };
    btnExplSource.Click = [this] { ExploreStartFolder(*this); };
    btnDoIt.Click = [this] { btnDoIt_Click(); };
    btnProto.Click = [] { ShowProtocol(); };
    btnDelProto.Click = [] { DeleteProtocol(); };
    // During a run the button stays live, like every control, but only beeps.
    btnUndo.Click = [this] {
        if (btnDoIt.Caption == StopCaption) return SystemBeep();
        ShowUndoDialog(lblSourcePath.Caption);
    };

    SetDesignState();
}

// The texts and values as designed; every load starts from here, so a form that is shown
// again does not keep the options of its last showing.
void frmArdeko::SetDesignState() {
    Caption = "Veltrano Archivierungs-Assistent";
    MousePointer = ui::MousePointerDefault;
    XPForm.Caption = "Veltrano Archivierungs-Assistent";
    XPForm.Attached = false;
    lblSourceFolder.Caption = "Startordner wählen:";
    lblSourcePath.Caption.clear();
    btnExplSource.ToolTipText = " Ordner im Explorer öffnen...";
    btnChooseSource.ToolTipText = " Startordner auf Festplatte wählen...";
    cbSubDirs.Caption = "Unterordner einbeziehen";
    cbSubDirs.Value = false;
    // The folder names keep together on one line: no-break spaces inside the quotes.
    lblInfo.Caption =
        "Die Archivierung erfolgt in entsprechend benannten Ordnern (z.B. '~~~\u00a02008', '~~~\u00a006\u00a0Juni') im "
        "oben gewählten Startordner...";
    frFileTypes.Caption = "Zu archivierende Dateitypen:";
    lstFileTypes.Items.clear();
    lstFileTypes.ListIndex = -1;
    cbConfirm.Caption = "Einzeln bestätigen";
    cbConfirm.ToolTipText = " Archivierung für jede Datei bestätigen...";
    cbConfirm.Value = false;
    frArchOptions.Caption = "Archivieren bis:";
    Label1.Caption = "Monat/Jahr einschließlich:";
    clMonth.Items.clear();
    clMonth.ListIndex = -1;
    clYear.Items.clear();
    clYear.ListIndex = -1;
    frDateOptions.Caption = "Archivieren nach Datum:";
    obCreated.Caption = "der Erstellung";
    obEdited.Caption = "der letzten Änderung";
    obAccessed.Caption = "des letzten Zugriffs";
    obCreated.Value = obEdited.Value = obAccessed.Value = false;
    frFolderOptions.Caption = "Archivieren in:";
    obYear.Caption = "Ein Ordner pro Jahr";
    obYearMonth.Caption = "Ein Ordner pro Jahr mit Unterordnern pro Monat";
    obYear.Value = obYearMonth.Value = false;
    lblStatus.Caption.clear();
    cbTest.Caption = "Testlauf";
    cbTest.ToolTipText = " Nicht archivieren, nur Testlauf und Protokoll";
    cbTest.Value = false;
    btnInfo.Caption = "Info";
    btnInfo.ToolTipText = " Klicken Sie hier, um Infos zum Add-In anzuzeigen...";
    btnHelp.Caption = "Hilfe";
    btnHelp.ToolTipText = " Klicken Sie hier, um die Dokumentation anzuzeigen...";
    btnProto.Caption = "Protokoll";
    btnProto.ToolTipText = " Protokoll anzeigen";
    btnDelProto.ToolTipText = " Protokoll löschen";
    btnUndo.ToolTipText = " Archivierung rückgängig machen...";
    btnDoIt.Caption = RunCaption;
    btnDoIt.ToolTipText = " Archivierung durchführen";
    btnCancel.Caption = "Schließen";
    btnCancel.ToolTipText = " Dialog schließen";
    imgLogo.ToolTipText = " Klicken Sie hier, um uns im Internet zu besuchen...";
    MonthNames = {};
    HostAppName.clear();
}

void frmArdeko::Form_Load() {
    SetDesignState();
    Guarded([&] { TranslateForm(*this); });
    Guarded([] { InitProductTexts(); });
    Guarded([&] { XPForm.Attach(); });
    Guarded([&] { HostAppName = GetHostName(); });
    Guarded([&] {
        Caption = " " + Module().ProductTitle + " für " + HostAppName;
        XPForm.Caption = Caption;
    });
    Guarded([&] { btnCancel.ToolTipText = " Zurück zu " + HostAppName; });
    Guarded([&] {
        lblSourcePath.Caption.clear();
        lblStatus.Caption.clear();
    });
    Guarded([&] {
        obEdited.Select();
        obYear.Select();
        cbSubDirs.Value = true;
        cbTest.Value = true;
    });
    Guarded([&] {
        MonthNames = GermanMonthNames();
        for (const auto& name : MonthNames) clMonth.AddItem(name);
        clMonth.ListIndex = 11;
    });
    Guarded([&] {
        const int year = platform::Clock().Now().year;
        for (int y = year; y >= year - 30; --y) clYear.AddItem(std::to_string(y));
        clYear.SetText(std::to_string(year - 1));
    });
    Guarded([&] {
        const int version = HostAppName == "Access" ? GetHostVersion() : 0;
        for (auto& entry : FileTypeEntriesFor(HostAppName, version)) lstFileTypes.AddItem(std::move(entry));
    });
    Guarded([&] {
        // A settings section: the backslash separates it on every platform.
        lblSourcePath.Caption =
            platform::Settings().GetSetting("Veltrano", "OffArdeko\\" + HostAppName, "Startordner", "");
    });
    Guarded([&] {
        if (lstFileTypes.ListCount() > 0) {
            lstFileTypes.Items[0].Selected = true;
            lstFileTypes.ListIndex = 0;
        }
    });
}

void frmArdeko::Form_Unload() {
    // Closing during a run stops it first; the walk ends after the file in hand.
    if (btnDoIt.Caption == StopCaption) runState_.CancelRequested = true;
}

// "Alle Dateien (*.*)" and the specific types exclude each other. The rules' own changes are
// made on the entries directly and so do not raise the rules again.
void frmArdeko::lstFileTypes_ItemCheck(int index) {
    try {
        auto& items = lstFileTypes.Items;
        if (index < 0 || index >= static_cast<int>(items.size())) return;
        if (!IsAllFilesEntry(items[static_cast<std::size_t>(index)].Text)) {
            for (auto& item : items) {
                if (IsAllFilesEntry(item.Text)) {
                    item.Selected = false;
                    break;
                }
            }
        } else if (items[static_cast<std::size_t>(index)].Selected) {
            for (std::size_t j = 0; j < items.size(); ++j)
                if (static_cast<int>(j) != index) items[j].Selected = false;
        }
    } catch (...) {
    }
}

void frmArdeko::btnDoIt_Click() {
    const RunOutcome outcome = RunArchive(*this);
    if (outcome != RunOutcome::StopRequested) lastClickStartedRun_ = outcome == RunOutcome::Ran;
}

DateBasis frmArdeko::CurrentDateBasis() {
    if (obCreated.Value) return DateBasis::Created;
    if (obEdited.Value) return DateBasis::LastModified;
    return DateBasis::LastAccessed;
}

FolderScheme frmArdeko::CurrentFolderScheme() {
    return obYearMonth.Value ? FolderScheme::YearMonth : FolderScheme::Year;
}

std::string frmArdeko::MonthName(int index) {
    if (index < 0 || index >= static_cast<int>(MonthNames.size())) return {};
    return MonthNames[static_cast<std::size_t>(index)];
}

std::string frmArdeko::FileTypeText(int index) {
    if (index < 0 || index >= lstFileTypes.ListCount()) return {};
    return lstFileTypes.Items[static_cast<std::size_t>(index)].Text;
}

bool frmArdeko::FileTypeTicked(int index) {
    if (index < 0 || index >= lstFileTypes.ListCount()) return false;
    return lstFileTypes.Items[static_cast<std::size_t>(index)].Selected;
}

void frmArdeko::SetBusyPointer(bool busy) {
    MousePointer = busy ? ui::MousePointerArrowHourglass : ui::MousePointerDefault;
}

namespace {
const ui::RegisterForm registered{"frmArdeko", [] { return std::make_unique<frmArdeko>(); }};
}  // namespace

}  // namespace ardeko
