#include "msgbox/MsgBox.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "msgbox/frmMsgBoxEx.h"
#include "platform/Ports.h"
#include "support/Guard.h"
#include "support/Module.h"

namespace ardeko {

namespace {

std::string DoubleAmpersands(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

bool IsBlank(const std::string& s) {
    return s.find_first_not_of(" \t") == std::string::npos;
}

// The dialog's spacing, derived from the frame and caption heights of the system.
int LayoutUnit() {
    const double frame = platform::UI().SystemMetric(platform::SM_CYDLGFRAME_);
    const double caption = platform::UI().SystemMetric(platform::SM_CYCAPTION_);
    return 2 * static_cast<int>(std::nearbyint(2.0 * frame * 1.3 + caption));  // halves to even
}

// Closes the form when an error leaves MsgBoxEx half-way, so that no hidden dialog stays loaded.
struct UnloadOnError {
    ui::Form& form;
    int exceptions = std::uncaught_exceptions();
    ~UnloadOnError() {
        if (std::uncaught_exceptions() > exceptions) {
            try {
                form.Unload();
            } catch (...) {
            }
        }
    }
};

}  // namespace

std::int32_t MsgBoxStd(const std::string& prompt, std::int32_t buttons, const std::optional<std::string>& title) {
    WriteHeldOutput(true);  // what the user is told about must already be in the protocol
    try {
        platform::StyledMsgBoxRequest request;
        request.prompt = "\r\n" + DoubleAmpersands(prompt);
        std::vector<std::string> captions{"OK"};
        std::int32_t b = buttons;
        if (Module().CurrLang == 0) {
            struct Set {
                std::int32_t mask;
                std::vector<std::string> captions;
            };
            // Tested in this order; the first hit decides.
            static const Set sets[] = {
                {5, {"&Wiederholen", "&Abbrechen"}},
                {4, {"&Ja", "&Nein"}},
                {3, {"&Ja", "&Nein", "&Abbrechen"}},
                {2, {"&Abbrechen", "&Wiederholen", "&Ignorieren"}},
                {1, {"OK", "&Abbrechen"}},
            };
            for (const Set& set : sets) {
                if ((b & set.mask) == set.mask) {
                    captions = set.captions;
                    b -= (b & set.mask);
                    break;
                }
            }
            b += 1024;  // the service takes the caption list instead of its own captions
        }
        request.flags = b;
        request.title = DoubleAmpersands(title ? *title : Module().ProductTitle);
        request.captions = std::move(captions);
        request.colorScheme = Module().ColorScheme;
        return platform::UI().StyledMessageBox(request);
    } catch (...) {
        return 0;
    }
}

std::int16_t MsgBoxEx(const std::string& prompt, const std::vector<std::string>& captions, bool showDontShow,
                      std::optional<std::int32_t> icon, const std::optional<std::string>& title,
                      const std::optional<std::string>& helpText, std::optional<std::int16_t> defaultButton,
                      std::optional<std::int16_t> cancelButton) {
    WriteHeldOutput(true);
    std::unique_ptr<frmMsgBoxEx> owned;
    int u = 0;
    try {
        u = LayoutUnit();
        owned = CreateMsgBoxExForm();
        if (!owned) throw std::runtime_error("no form");
        owned->Load();
    } catch (const std::exception& e) {
        try {
            platform::UI().Beep();
            platform::UI().SystemMessageBox(
                std::string("MsgBoxEx: Form 'frmMsgBoxEx' nicht gefunden (") + e.what() + ")...",
                Module().ProductTitle, vbOKOnly);
        } catch (...) {
        }
        return -1;
    } catch (...) {
        try {
            platform::UI().Beep();
            platform::UI().SystemMessageBox("MsgBoxEx: Form 'frmMsgBoxEx' nicht gefunden (unknown error)...",
                                            Module().ProductTitle, vbOKOnly);
        } catch (...) {
        }
        return -1;
    }

    // From here on errors reach the caller (after the form has been closed again).
    frmMsgBoxEx& f = *owned;
    UnloadOnError guard{f};

    if (title) {
        f.Caption = DoubleAmpersands(*title);
        f.XPForm.Caption = f.Caption;
    }

    if (icon) {
        switch (*icon) {
            case vbQuestion: f.imgIcon.Picture = f.imgFrage.Picture; break;
            case vbExclamation: f.imgIcon.Picture = f.imgWarn.Picture; break;
            case vbCritical: f.imgIcon.Picture = f.imgStop.Picture; break;
            default: break;  // the designed icon stays
        }
    }

    f.lblPrompt.Caption = prompt;
    f.lblPrompt.Width = f.LineRight() - f.lblPrompt.Left;
    f.lblPrompt.Height = f.TextHeight(prompt, f.lblPrompt.Width);

    int y = f.lblPrompt.Bottom();
    if (f.imgIcon.Bottom() + u > y) y = f.imgIcon.Bottom() + u;

    if (!helpText || IsBlank(*helpText)) {
        f.lblHelp.Caption.clear();
        f.btnHelp.Visible = false;
    } else {
        f.lblHelp.Caption = *helpText;
        f.btnHelp.Visible = true;
    }

    if (showDontShow) {
        y += 3 * u;
        f.cbDontShow.Top = y;
        f.cbDontShow.Visible = true;
        y += f.cbDontShow.Height;
    }

    if (defaultButton) {
        f.DefaultButton = *defaultButton;
        f.ButtonNo(*defaultButton).Default = true;
    } else {
        f.DefaultButton = -1;
    }
    if (cancelButton) {
        f.CancelButton = *cancelButton;
        f.ButtonNo(*cancelButton).Cancel = true;
    } else {
        f.CancelButton = -1;
    }

    y += 3 * u;

    const int count = static_cast<int>(std::min<std::size_t>(captions.size(), 3));
    for (int i = 1; i <= count; ++i) {
        ui::Button& b = f.ButtonNo(i);
        b.Caption = captions[static_cast<std::size_t>(i - 1)];
        const int width = f.TextWidth(b.Caption);
        if (width > 10) b.Width = width + 500;
        b.Visible = !b.Caption.empty();
    }

    int x = f.lblPrompt.Right();
    for (int i = count; i >= 1; --i) {
        ui::Button& b = f.ButtonNo(i);
        b.Top = y;
        b.Left = x - b.Width;
        x = x - b.Width - u;
    }

    f.btnHelp.Top = y;
    f.Height = f.btnHelp.Top + f.btnHelp.Height + 3 * u;

    f.XPForm.Width = f.Width;
    platform::UI().BringToFront(f);
    f.ShowModal();

    platform::UI().DoEvents();
    return MsgBoxExDialogResult();
}

}  // namespace ardeko
