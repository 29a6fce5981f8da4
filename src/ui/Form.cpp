#include "ui/Form.h"

#include "platform/Ports.h"

namespace ardeko::ui {

Control::Control(Form& form, std::string name, std::string typeName)
    : form_(&form), name_(std::move(name)), typeName_(std::move(typeName)) {
    form.controls_.push_back(this);
}

void Control::PerformClick() {
    if (Enabled && Visible && Click) Click();
}

void Control::PerformDblClick() {
    if (Enabled && Visible && DblClick) DblClick();
}

void OptionButton::Select() {
    for (Control* c : Parent().Controls()) {
        if (auto* other = dynamic_cast<OptionButton*>(c); other && other->Group == Group)
            other->Value = false;
    }
    Value = true;
}

void CheckListBox::UserSetSelected(int index, bool ticked) {
    if (index < 0 || index >= ListCount()) return;
    Items[static_cast<std::size_t>(index)].Selected = ticked;
    ListIndex = index;
    if (ItemCheck) ItemCheck(index);
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
}

void Form::ShowModal() {
    Load();
    if (loaded_) platform::UI().ShowModal(*this);
}

int Form::TextWidth(const std::string& text) const { return platform::UI().TextWidth(*this, text); }

int Form::TextHeight(const std::string& text, int width) const {
    return platform::UI().TextHeight(*this, text, width);
}

}  // namespace ardeko::ui
