#include "msgbox/frmMsgBoxEx.h"

#include <stdexcept>

#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Module.h"
#include "support/Translate.h"
#include "ui/FormCatalogue.h"

namespace ardeko {

namespace {

std::int16_t g_dialogResult = 0;

MsgBoxExFormFactory& Factory() {
    static MsgBoxExFormFactory factory;
    return factory;
}

void SetButton(ui::Button& b, int left, int top) {
    b.Move(left, top, 1740, 390);
    b.Visible = false;
}

}  // namespace

std::int16_t& MsgBoxExDialogResult() { return g_dialogResult; }

void SetMsgBoxExFormFactory(MsgBoxExFormFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<frmMsgBoxEx> CreateMsgBoxExForm() {
    if (Factory()) return Factory()();
    return std::make_unique<frmMsgBoxEx>();
}

frmMsgBoxEx::frmMsgBoxEx() : ui::Form("frmMsgBoxEx") {
    Caption = "MsgBoxEx...";
    Width = 7470;
    Height = 2295;

    XPForm.Left = 0;
    XPForm.Top = 0;
    XPForm.Width = Width;
    XPForm.Height = 450;

    Line1.X1 = 150;
    Line1.X2 = 7275;
    Line1.Y1 = Line1.Y2 = 600;
    Line1.Left = Line1.X1;
    Line1.Top = Line1.Y1;
    Line1.Width = Line1.X2 - Line1.X1;

    for (ui::Image* img : {&imgIcon, &imgStop, &imgWarn, &imgFrage}) {
        img->Left = 150;
        img->Top = 750;
        img->Width = 480;
        img->Height = 480;
    }
    imgIcon.Picture = "Info";
    imgStop.Picture = "Stop";
    imgWarn.Picture = "Warn";
    imgFrage.Picture = "Frage";
    imgStop.Visible = imgWarn.Visible = imgFrage.Visible = false;

    lblPrompt.Left = 825;
    lblPrompt.Top = 750;
    lblPrompt.Width = Line1.X2 - lblPrompt.Left;
    lblPrompt.Height = 195;
    lblPrompt.WordWrap = true;

    lblHelp.Left = 825;
    lblHelp.Top = 1050;
    lblHelp.Width = 1215;
    lblHelp.Height = 195;
    lblHelp.Visible = false;

    SetButton(btn1, 1965, 1335);
    SetButton(btn2, 3765, 1335);
    SetButton(btn3, 5535, 1335);

    btnHelp.Move(150, 1335, 1215, 390);
    btnHelp.Caption = "Hilfe";
    btnHelp.Tag = "Hilfe||Help|";

    cbDontShow.Move(825, 1050, 6450, 255);
    cbDontShow.Caption = "Diese Meldung nicht mehr anzeigen";
    cbDontShow.Tag = "Diese Meldung nicht mehr anzeigen||Don't show this message again|";
    cbDontShow.Visible = false;

    btn1.Click = [this] { ExitDialog(1); };
    btn2.Click = [this] { ExitDialog(2); };
    btn3.Click = [this] { ExitDialog(3); };
    btnHelp.Click = [this] { btnHelp_Click(); };
    DblClick = [this] { ExitDialog(99); };
}

ui::Button& frmMsgBoxEx::ButtonNo(int n) {
    switch (n) {
        case 1: return btn1;
        case 2: return btn2;
        case 3: return btn3;
        default: throw std::out_of_range("MsgBoxEx: no button " + std::to_string(n));
    }
}

void frmMsgBoxEx::ExitDialog(std::int16_t result) {
    g_dialogResult = static_cast<std::int16_t>(result + (cbDontShow.Value ? 256 : 0));
    answered_ = true;
    Unload();
}

void frmMsgBoxEx::Form_Unload() {
    if (answered_) {
        answered_ = false;
        return;
    }
    int button = CancelButton >= 1 && CancelButton <= 3 ? CancelButton : 0;
    for (int i = 3; i >= 1 && button == 0; --i)
        if (ButtonNo(i).Visible) button = i;
    // A dialog without any button has nothing to answer with: 0, never a previous answer.
    g_dialogResult = static_cast<std::int16_t>(button == 0 ? 0 : button + (cbDontShow.Value ? 256 : 0));
}

void frmMsgBoxEx::Form_Load() {
    // Every loading step on its own: a dialog with untranslated texts is better than none.
    try {
        XPForm.ColorScheme = Module().ColorScheme;
    } catch (...) {
    }
    try {
        XPForm.Attach();
        XPForm.Caption = Caption;
    } catch (...) {
    }
    try {
        TranslateForm(*this);
    } catch (...) {
    }
    try {
        platform::UI().DoEvents();
    } catch (...) {
    }
}

void frmMsgBoxEx::btnHelp_Click() {
    std::string text;
    try {
        text = lblHelp.Caption;
    } catch (...) {
        text.clear();
    }
    try {
        if (text.empty()) {
            platform::UI().Beep();
            return;
        }
        MsgBoxStd(text, vbInformation, Module().CurrLang == 0 ? "Hilfe:" : "Help:");
    } catch (...) {
    }
}

namespace {
const ui::RegisterForm registered{"frmMsgBoxEx", [] { return std::make_unique<frmMsgBoxEx>(); }};
}  // namespace

}  // namespace ardeko
