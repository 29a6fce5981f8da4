#include "ui/StandardBox.h"

#include <algorithm>

namespace ardeko::ui {

namespace {

// The message dialog's measures (twips): its width, the band, the text's left edge and the
// guide line at the right that the text and the buttons end at.
constexpr int kWidth = 7470, kBand = 450, kTop = 750, kIconLeft = 150, kIcon = 480, kTextLeft = 825,
              kRight = 7275, kButtonHeight = 390, kGap = 120, kMargin = 300;

const char* IconOf(std::int32_t flags) {
    switch (flags & 0x70) {
        case 16: return "Stop";
        case 32: return "Frage";
        case 48: return "Warn";
        case 64: return "Info";
        default: return "";
    }
}

}  // namespace

StandardBox::StandardBox(const platform::StyledMsgBoxRequest& request) : Form("StandardBox"), set_(StandardButtons(request)) {
    std::string prompt = request.prompt;
    if (prompt.rfind("\r\n", 0) == 0)
        prompt.erase(0, 2);  // the service's leading line break
    else if (!prompt.empty() && (prompt[0] == '\n' || prompt[0] == '\r'))
        prompt.erase(0, 1);
    Caption = DisplayText(request.title);
    XPForm.Caption = request.title;
    XPForm.Attach();
    imgIcon.Picture = IconOf(request.flags);
    imgIcon.Visible = !imgIcon.Picture.empty();
    lblPrompt.Caption = prompt;
    lblPrompt.WordWrap = true;

    // Enter presses the default button; Escape and the close box answer Cancel where there is
    // one, or the only button of a single-button box. The other boxes demand a choice.
    const int defaultIndex = DefaultButtonIndex(request, set_.size());
    for (const auto& b : set_)
        if (b.result == 2) closeResult_ = 2;
    if (set_.size() == 1) closeResult_ = set_.front().result;
    ControlBox = closeResult_ != 0;
    for (std::size_t i = 0; i < set_.size(); ++i) {
        auto button = std::make_unique<Button>(*this, "btn" + std::to_string(i + 1));
        button->Caption = set_[i].caption;
        button->Default = static_cast<int>(i) == defaultIndex;
        button->Cancel = set_[i].result == closeResult_;
        button->Click = [this, result = set_[i].result] {
            result_ = result;
            Unload();
        };
        Buttons.push_back(std::move(button));
    }
}

void StandardBox::Arrange() {
    Width = kWidth;
    XPForm.Move(0, 0, kWidth, kBand);
    Line1.X1 = Line1.Left = kIconLeft;
    Line1.X2 = kRight;
    Line1.Y1 = Line1.Y2 = Line1.Top = 600;
    Line1.Width = kRight - kIconLeft;
    imgIcon.Move(kIconLeft, kTop, kIcon, kIcon);
    const int left = imgIcon.Visible ? kTextLeft : kIconLeft;
    lblPrompt.Move(left, kTop, kRight - left, 0);
    lblPrompt.Height = TextHeight(lblPrompt.Caption, lblPrompt.Width);
    int y = std::max(lblPrompt.Bottom(), imgIcon.Visible ? imgIcon.Bottom() : 0) + kMargin;
    // As wide as the message dialog's buttons for the same caption, right-aligned at the line.
    int x = kRight;
    for (auto it = Buttons.rbegin(); it != Buttons.rend(); ++it) {
        Button& b = **it;
        const int width = std::max(TextWidth(DisplayText(b.Caption)) + 500, 1215);
        b.Move(x - width, y, width, kButtonHeight);
        x -= width + kGap;
    }
    Height = y + kButtonHeight + kMargin;
}

}  // namespace ardeko::ui
