#include "support/Translate.h"

#include <stdexcept>
#include <vector>

#include "platform/Ports.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Paths.h"
#include "ui/Form.h"

namespace ardeko {

namespace {

// Splits at every "|", keeping empty parts ("a||b|" gives four parts).
std::vector<std::string> SplitBar(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = text.find('|', start);
        if (bar == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
}

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    if (what.empty()) return;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + with.size()))
        text.replace(p, what.size(), with);
}

// The part with this index; an index outside the parts is a failed assignment for the caller.
const std::string& Part(const std::vector<std::string>& parts, long index) {
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) throw std::out_of_range("part index");
    return parts[static_cast<std::size_t>(index)];
}

// Each property assignment on its own: a control that lacks the property, or a part that
// is not there, skips just that assignment.
void ReportTranslationError(const ui::Form& form, const ui::Control& control) {
    SystemBeep();
    Guarded([&] {
        const std::string text = "Please check translation settings: (F: " + form.Name() +
                                  ", C: " + control.Name() + ")" + "\r\n\r\n" +
                                  "(Msg logged, send LOG file to Tamrel...)";
        platform::UI().SystemMessageBox(text, "An Tamrel:", 16);
    });
}

void TranslateControl(ui::Form& form, ui::Control& control, long lang, const std::string& soundFolder) {
    const std::string& tag = control.Tag;
    if (tag.empty() || tag == "!" || tag.find('|') == std::string::npos) return;

    std::string t = tag;
    if (t.find("\xC2\xB0") != std::string::npos) {  // "°"
        ReplaceAll(t, "\xC2\xB0PN", Module().ProductName);
        ReplaceAll(t, "\xC2\xB0" "AN", GetHostName());
        ReplaceAll(t, "&", "&&");
    }
    const std::vector<std::string> parts = SplitBar(t);

    if (control.TypeName() == "ListView") {
        auto* view = dynamic_cast<ui::ListView*>(&control);
        if (view == nullptr) return;
        const long n = static_cast<long>(view->ColumnHeaders.size());
        for (long i = 1; i <= n; ++i)
            Guarded([&] { view->ColumnHeaders[static_cast<std::size_t>(i - 1)] = Part(parts, n * lang + i - 1); });
        return;
    }

    if (parts.size() != 4) {
        ReportTranslationError(form, control);
        return;
    }

    if (auto* button = dynamic_cast<ui::Button*>(&control)) {
        button->SoundClick = soundFolder + "Click.wav";
        button->SoundHover = soundFolder + "Hover.wav";
    }
    auto* captioned = dynamic_cast<ui::CaptionControl*>(&control);
    Guarded([&] {
        if (captioned == nullptr || !control.HasCaption()) throw std::logic_error("no caption");
        captioned->Caption = Part(parts, 2 * lang);
    });
    Guarded([&] {
        const std::string& tip = Part(parts, 2 * lang + 1);
        if (tip.empty()) return;
        if (!control.HasToolTip()) throw std::logic_error("no tool tip");
        control.ToolTipText = " " + tip;
    });
    Guarded([&] {
        if (captioned == nullptr || !control.HasCaption()) return;
        if (captioned->Caption.empty() || captioned->Caption.front() != '~') return;
        captioned->Caption.erase(0, 1);
        control.Width = form.TextWidth(captioned->Caption) + 300;
    });
}

}  // namespace

void TranslateForm(ui::Form& form) {
    Guarded([&] { form.MousePointer = ui::MousePointerHourglass; });
    const long lang = Module().CurrLang;
    Guarded([&] {
        if (!form.Tag.empty()) form.Caption = " " + Part(SplitBar(form.Tag), lang);
    });

    std::string soundFolder;
    Guarded([&] { soundFolder = AddBackslash(platform::Sh().ProgramFolder()); });

    std::vector<ui::Control*> controls;
    Guarded([&] { controls = form.Controls(); });
    for (ui::Control* control : controls) {
        if (control == nullptr) continue;
        Guarded([&] { TranslateControl(form, *control, lang, soundFolder); });
    }
    Guarded([&] { form.MousePointer = ui::MousePointerDefault; });
}

}  // namespace ardeko
