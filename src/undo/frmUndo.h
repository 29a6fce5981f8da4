#pragma once
// The undo dialog: the host's undoable runs, undo of the chosen one, restore of the archive
// folders below the wizard's start folder. Both renderers draw it; the work is the undo
// engine's, so the dialog does what the command line does.
#include <string>
#include <vector>

#include "ui/Form.h"
#include "undo/Undo.h"

namespace ardeko {

class frmUndo : public ui::Form, public UndoProgress {
public:
    frmUndo();

    ui::XPFormDecoration XPForm{*this, "XPForm"};
    ui::ListView lvRuns{*this, "lvRuns"};
    ui::CheckBox cbTest{*this, "cbTest"};
    ui::Label lblStatus{*this, "lblStatus"};
    ui::Button btnUndoRun{*this, "btnUndoRun"};
    ui::Button btnRestore{*this, "btnRestore"};
    ui::Button btnClose{*this, "btnClose"};

    // The wizard's start folder, for restore; set before the dialog is shown.
    std::string StartFolder;

    // The runs the list shows, in its order.
    const std::vector<UndoableRun>& Runs() const { return runs_; }

    // --- UndoProgress ---
    void Status(const std::string& text) override { lblStatus.Caption = text; }
    void Pump() override;
    bool StopRequested() override { return stopRequested_; }

protected:
    void Form_Load() override;

private:
    void FillRuns();
    void btnUndoRun_Click();
    void btnRestore_Click();
    // Runs `work` with `button` as its stop button; shows the outcome as the command line does.
    template <class Work>
    void Busy(ui::Button& button, Work&& work);

    std::vector<UndoableRun> runs_;
    bool busy_ = false;
    bool stopRequested_ = false;
};

// Opens the dialog modally over the active form; `startFolder` is the wizard's.
void ShowUndoDialog(const std::string& startFolder);

}  // namespace ardeko
