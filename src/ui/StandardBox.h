#pragma once
// The styled suite's message box as a form of its own, laid out like the system's message
// dialog (title band, icon left of the wrapped prompt, a right-aligned row of buttons), so
// that a renderer draws both boxes with the same controls and the same look.
#include <memory>
#include <vector>

#include "platform/Ui.h"
#include "ui/Form.h"
#include "ui/StandardButtons.h"

namespace ardeko::ui {

class StandardBox : public Form {
public:
    explicit StandardBox(const platform::StyledMsgBoxRequest& request);

    XPFormDecoration XPForm{*this, "XPForm"};
    Line Line1{*this, "Line1"};
    Image imgIcon{*this, "imgIcon"};
    Label lblPrompt{*this, "lblPrompt"};
    // One per button of the set, from left to right: btn1, btn2, ...
    std::vector<std::unique_ptr<Button>> Buttons;

    // The result code of the pressed button. A box closed without one (its close box, which it
    // has only where Cancel or a single OK exists) answers as Cancel or that OK.
    int Result() const { return result_ ? result_ : closeResult_; }

    // Lays the box out; measuring needs the renderer, so this runs when the box loads.
    void Arrange();

protected:
    void Form_Load() override { Arrange(); }

private:
    std::vector<StandardButton> set_;
    int result_ = 0;
    int closeResult_ = 0;
};

}  // namespace ardeko::ui
