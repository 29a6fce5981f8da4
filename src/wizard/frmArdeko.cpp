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
#include "wizard/FolderChoice.h"

namespace ardeko {

namespace {

constexpr const char* kAllFiles = "Alle Dateien (*.*)";

bool IsAllFilesEntry(const std::string& text) { return text.find("*.*") != std::string::npos; }

void Place(ui::Control& c, int left, int top, int width, int height) {
    c.Left = left;
    c.Top = top;
    c.Width = width;
    c.Height = height;
}

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

    Place(XPForm, 0, 0, 10980, 450);
    Place(lblSourceFolder, 150, 600, 1700, 255);
    Place(lblSourcePath, 1900, 600, 7900, 255);
    Place(btnExplSource, 9900, 540, 420, 375);
    Place(btnChooseSource, 10410, 540, 420, 375);
    Place(Line1, 150, 1020, 10680, 0);
    Line1.X1 = 150;
    Line1.X2 = 10830;
    Line1.Y1 = Line1.Y2 = 1020;
    Place(cbSubDirs, 150, 1140, 2700, 300);
    Place(imgInfo, 3000, 1140, 240, 240);
    Place(lblInfo, 3330, 1110, 7500, 420);
    lblInfo.WordWrap = true;
    Place(frFileTypes, 150, 1650, 4200, 3000);
    Place(lstFileTypes, 300, 1950, 3900, 2100);
    Place(cbConfirm, 300, 4200, 3000, 300);
    Place(frArchOptions, 4500, 1650, 6330, 780);
    Place(Label1, 4650, 1980, 2200, 255);
    Place(clMonth, 6900, 1950, 1800, 315);
    Place(clYear, 8850, 1950, 1200, 315);
    Place(frDateOptions, 4500, 2520, 6330, 780);
    Place(obCreated, 4650, 2850, 1800, 300);
    Place(obEdited, 6500, 2850, 2100, 300);
    Place(obAccessed, 8650, 2850, 2100, 300);
    Place(frFolderOptions, 4500, 3390, 6330, 1260);
    Place(obYear, 4650, 3720, 2000, 300);
    Place(obYearMonth, 6700, 3720, 4000, 600);
    Place(lblStatus, 150, 4800, 10680, 255);
    Place(cbTest, 8100, 5220, 1500, 300);
    Place(imgLogo, 150, 5550, 1800, 600);
    Place(btnInfo, 2600, 5640, 1200, 435);
    Place(btnHelp, 3900, 5640, 1200, 435);
    Place(btnProto, 5200, 5640, 1300, 435);
    Place(btnDelProto, 6600, 5640, 450, 435);
    Place(btnDoIt, 8100, 5640, 1350, 435);
    Place(btnCancel, 9550, 5640, 1280, 435);

    btnExplSource.Picture = "Explorer";
    btnChooseSource.Picture = "Ordner";
    btnDelProto.Picture = "Papierkorb";
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
    lblInfo.Caption =
        "Die Archivierung erfolgt in entsprechend benannten Ordnern (z.B. '~~~ 2008', '~~~ 06 Juni') im oben "
        "gewählten Startordner...";
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

}  // namespace ardeko
