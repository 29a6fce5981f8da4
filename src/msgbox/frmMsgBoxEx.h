#pragma once
// The system's own message dialog: up to three caller-chosen buttons, an icon, a help text
// behind a help button and a "don't show this message again" check box.
#include <cstdint>
#include <functional>
#include <memory>

#include "ui/Form.h"

namespace ardeko {

class frmMsgBoxEx : public ui::Form {
public:
    frmMsgBoxEx();

    ui::XPFormDecoration XPForm{*this, "XPForm"};
    ui::Line Line1{*this, "Line1"};
    ui::Image imgIcon{*this, "imgIcon"};
    ui::Image imgStop{*this, "imgStop"};
    ui::Image imgWarn{*this, "imgWarn"};
    ui::Image imgFrage{*this, "imgFrage"};
    ui::Label lblPrompt{*this, "lblPrompt"};
    ui::Label lblHelp{*this, "lblHelp"};
    ui::Button btn1{*this, "btn1"};
    ui::Button btn2{*this, "btn2"};
    ui::Button btn3{*this, "btn3"};
    ui::Button btnHelp{*this, "btnHelp"};
    ui::CheckBox cbDontShow{*this, "cbDontShow"};

    // Numbers (1 to 3) of the buttons made default and cancel button; -1 when none was given.
    std::int16_t DefaultButton = -1;
    std::int16_t CancelButton = -1;

    // Right end of the guide line: the right margin of the text and of the button row.
    int LineRight() const { return Line1.X2; }
    // The button with this number (1 to 3); throws for any other number.
    ui::Button& ButtonNo(int n);

    // Stores `result` (plus 256 when the check box is ticked) as the dialog result and closes.
    void ExitDialog(std::int16_t result);

protected:
    void Form_Load() override;
    // Closed without a button (the close box, Alt+F4, a renderer or terminal that ends the
    // dialog): that never agrees to anything. It answers as the cancel button where one was
    // given, else as the last visible button.
    void Form_Unload() override;

private:
    void btnHelp_Click();
    bool answered_ = false;
};

// The result of the last dialog closed, through ExitDialog or as its close answers.
std::int16_t& MsgBoxExDialogResult();

// How MsgBoxEx obtains its form. Tests replace it (for example with one that throws, to see
// the dialog fail to load); an empty function restores the normal one.
using MsgBoxExFormFactory = std::function<std::unique_ptr<frmMsgBoxEx>()>;
void SetMsgBoxExFormFactory(MsgBoxExFormFactory factory);
// A new dialog form from the current factory; throws when it cannot be created.
std::unique_ptr<frmMsgBoxEx> CreateMsgBoxExForm();

}  // namespace ardeko
