#pragma once
// The archiving wizard: the options of a run, its status line, the run and protocol buttons,
// close, help and info.
#include <array>
#include <string>
#include <vector>

#include "archive/ArchiveDialog.h"
#include "ui/Form.h"

namespace ardeko {

class frmArdeko : public ui::Form, public ArchiveDialog {
public:
    frmArdeko();

    // Controls, top to bottom.
    ui::XPFormDecoration XPForm{*this, "XPForm"};
    ui::Label lblSourceFolder{*this, "lblSourceFolder"};
    ui::Label lblSourcePath{*this, "lblSourcePath"};
    ui::Button btnExplSource{*this, "btnExplSource"};
    ui::Button btnChooseSource{*this, "btnChooseSource"};
    ui::Line Line1{*this, "Line1"};
    ui::CheckBox cbSubDirs{*this, "cbSubDirs"};
    ui::Image imgInfo{*this, "imgInfo"};
    ui::Label lblInfo{*this, "lblInfo"};
    ui::Frame frFileTypes{*this, "frFileTypes"};
    ui::CheckListBox lstFileTypes{*this, "lstFileTypes"};
    ui::CheckBox cbConfirm{*this, "cbConfirm"};
    ui::Frame frArchOptions{*this, "frArchOptions"};
    ui::Label Label1{*this, "Label1"};
    ui::ComboList clMonth{*this, "clMonth"};
    ui::ComboList clYear{*this, "clYear"};
    ui::Frame frDateOptions{*this, "frDateOptions"};
    ui::OptionButton obCreated{*this, "obCreated", "DateOptions"};
    ui::OptionButton obEdited{*this, "obEdited", "DateOptions"};
    ui::OptionButton obAccessed{*this, "obAccessed", "DateOptions"};
    ui::Frame frFolderOptions{*this, "frFolderOptions"};
    ui::OptionButton obYear{*this, "obYear", "FolderOptions"};
    ui::OptionButton obYearMonth{*this, "obYearMonth", "FolderOptions"};
    ui::Label lblStatus{*this, "lblStatus"};
    ui::CheckBox cbTest{*this, "cbTest"};
    ui::Button btnInfo{*this, "btnInfo"};
    ui::Button btnHelp{*this, "btnHelp"};
    ui::Button btnProto{*this, "btnProto"};
    ui::Button btnDelProto{*this, "btnDelProto"};
    ui::Button btnUndo{*this, "btnUndo"};
    ui::Button btnDoIt{*this, "btnDoIt"};
    ui::Button btnCancel{*this, "btnCancel"};
    ui::Image imgLogo{*this, "imgLogo"};

    // Taken at load: selects the file types, the settings section and the captions.
    std::string HostAppName;
    // Month folder names, index 0 "Januar" to 11 "Dezember"; built at load.
    std::array<std::string, 12> MonthNames;

    // True when the last click on btnDoIt that was not a stop request started a run (false
    // when a check refused it).
    bool LastClickStartedRun() const { return lastClickStartedRun_; }

    // --- ArchiveDialog ---
    ArchiveRunState& RunState() override { return runState_; }
    DateBasis CurrentDateBasis() override;
    FolderScheme CurrentFolderScheme() override;
    bool TestRunSet() override { return cbTest.Value; }
    bool ConfirmEachSet() override { return cbConfirm.Value; }
    bool IncludeSubfoldersSet() override { return cbSubDirs.Value; }
    std::string MonthName(int index) override;
    bool YearOptionSet() override { return obYear.Value; }
    std::string StartFolderText() override { return lblSourcePath.Caption; }
    int MonthListIndex() override { return clMonth.ListIndex; }
    std::string YearText() override { return clYear.Text(); }
    int FileTypeCount() override { return lstFileTypes.ListCount(); }
    std::string FileTypeText(int index) override;
    bool FileTypeTicked(int index) override;
    void SetStatus(const std::string& text) override { lblStatus.Caption = text; }
    std::string RunButtonCaption() override { return btnDoIt.Caption; }
    void SetRunButtonCaption(const std::string& caption) override { btnDoIt.Caption = caption; }
    void SetBusyPointer(bool busy) override;

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void SetDesignState();
    void FillFileTypes();
    void lstFileTypes_ItemCheck(int index);
    void btnDoIt_Click();

    ArchiveRunState runState_;
    bool lastClickStartedRun_ = false;
};

// The entries of the file-type list for a host, "Alle Dateien (*.*)" last.
std::vector<std::string> FileTypeEntriesFor(const std::string& hostAppName, int hostMajorVersion);

// The web site that the logo opens.
inline constexpr const char* MakerWebSite = "https://www.example.com/";

}  // namespace ardeko
