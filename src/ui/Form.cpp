#include "ui/Form.h"

#include <algorithm>

#include "platform/Ports.h"

namespace ardeko::ui {

namespace {

// The forms being shown modally, innermost last.
std::vector<Form*>& ModalForms() {
    static std::vector<Form*> forms;
    return forms;
}

}  // namespace

std::string DisplayText(const std::string& caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return out;
}

std::string AccessKey(const std::string& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        // The whole UTF-8 sequence that follows.
        std::size_t end = i + 2;
        while (end < caption.size() && (static_cast<unsigned char>(caption[end]) & 0xC0) == 0x80) ++end;
        return caption.substr(i + 1, end - i - 1);
    }
    return {};
}

Control::Control(Form& form, std::string name, std::string typeName)
    : form_(&form), name_(std::move(name)), typeName_(std::move(typeName)) {
    form.controls_.push_back(this);
}

void Control::PerformClick() {
    if (Reachable() && Click) Click();
}

void Control::PerformDblClick() {
    if (Reachable() && DblClick) DblClick();
}

ControlState Control::State() const {
    ControlState s;
    s.toolTip = ToolTipText;
    s.left = Left;
    s.top = Top;
    s.width = Width;
    s.height = Height;
    s.visible = Visible;
    s.enabled = Enabled;
    s.foreColor = ForeColor;
    s.fontSize = FontSize;
    return s;
}

ControlState CaptionControl::State() const {
    ControlState s = Control::State();
    s.caption = Caption;
    return s;
}

ControlState Button::State() const {
    ControlState s = CaptionControl::State();
    s.picture = Picture;
    s.isDefault = Default;
    s.isCancel = Cancel;
    return s;
}

void CheckBox::UserSetValue(bool ticked) {
    if (!Reachable() || Value == ticked) return;
    Value = ticked;
    if (Click) Click();
}

ControlState CheckBox::State() const {
    ControlState s = CaptionControl::State();
    s.value = Value;
    return s;
}

void OptionButton::Select() {
    for (Control* c : Parent().Controls()) {
        if (auto* other = dynamic_cast<OptionButton*>(c); other && other->Group == Group)
            other->Value = false;
    }
    Value = true;
}

void OptionButton::UserSelect() {
    if (!Reachable() || Value) return;
    Select();
    if (Click) Click();
}

ControlState OptionButton::State() const {
    ControlState s = CaptionControl::State();
    s.value = Value;
    return s;
}

ControlState Image::State() const {
    ControlState s = Control::State();
    s.picture = Picture;
    return s;
}

void CheckListBox::UserSetSelected(int index, bool ticked) {
    if (!Reachable() || index < 0 || index >= ListCount()) return;
    auto& item = Items[static_cast<std::size_t>(index)];
    ListIndex = index;
    if (item.Selected == ticked) return;
    item.Selected = ticked;
    if (ItemCheck) ItemCheck(index);
}

ControlState CheckListBox::State() const {
    ControlState s = Control::State();
    s.items.reserve(Items.size());
    s.ticks.reserve(Items.size());
    for (const auto& item : Items) {
        s.items.push_back(item.Text);
        s.ticks.push_back(item.Selected);
    }
    s.listIndex = ListIndex;
    return s;
}

std::string ComboList::Text() const {
    if (ListIndex < 0 || ListIndex >= ListCount()) return {};
    return Items[static_cast<std::size_t>(ListIndex)];
}

bool ComboList::SetText(const std::string& text) {
    for (int i = 0; i < ListCount(); ++i) {
        if (Items[static_cast<std::size_t>(i)] == text) {
            ListIndex = i;
            return true;
        }
    }
    return false;
}

void ComboList::UserSetListIndex(int index) {
    if (!Reachable() || index < 0 || index >= ListCount() || index == ListIndex) return;
    ListIndex = index;
    if (Click) Click();
}

ControlState ComboList::State() const {
    ControlState s = Control::State();
    s.items = Items;
    s.listIndex = ListIndex;
    return s;
}

void ListView::UserSetListIndex(int index) {
    if (!Reachable() || index < 0 || index >= ListCount() || index == ListIndex) return;
    ListIndex = index;
    if (Click) Click();
}

ControlState ListView::State() const {
    ControlState s = Control::State();
    s.items = ColumnHeaders;
    s.rows = Rows;
    s.listIndex = ListIndex;
    return s;
}

Form::Form(std::string name) : name_(std::move(name)) {}

Control* Form::FindControl(const std::string& name) const {
    for (Control* c : controls_)
        if (c->Name() == name) return c;
    return nullptr;
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Form_Load();
}

void Form::Unload() {
    if (!loaded_) return;
    Form_Unload();
    loaded_ = false;
    if (Unloaded) Unloaded();
}

Form* Form::ActiveForm() { return ModalForms().empty() ? nullptr : ModalForms().back(); }

void Form::ShowModal() {
    Load();
    if (!loaded_) return;
    owner_ = ActiveForm();
    ModalForms().push_back(this);
    struct Leave {
        Form& form;
        ~Leave() {
            auto& forms = ModalForms();
            forms.erase(std::remove(forms.begin(), forms.end(), &form), forms.end());
            form.owner_ = nullptr;
        }
    } leave{*this};
    platform::UI().ShowModal(*this);
}

int Form::TextWidth(const std::string& text) const { return platform::UI().TextWidth(*this, text); }

int Form::TextHeight(const std::string& text, int width) const {
    return platform::UI().TextHeight(*this, text, width);
}

}  // namespace ardeko::ui

namespace ardeko::ui {

FormSync::Changes FormSync::Poll() {
    Changes changes;
    FormState now = form_.State();
    if (!formState_ || !(*formState_ == now)) {
        changes.form = now;
        formState_ = std::move(now);
    }
    const auto& controls = form_.Controls();
    if (controls_.size() != controls.size()) controls_.assign(controls.size(), ControlState{});
    const bool first = !polled_;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        ControlState state = controls[i]->State();
        if (first || !(state == controls_[i])) {
            controls_[i] = std::move(state);
            changes.controls.push_back(controls[i]);
        }
    }
    polled_ = true;
    return changes;
}

}  // namespace ardeko::ui
