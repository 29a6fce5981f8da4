#pragma once
// UI language: sets a form's captions and tool tips from the translation data in its tags.
namespace ardeko {
namespace ui {
class Form;
}

void TranslateForm(ui::Form& form);

}  // namespace ardeko
