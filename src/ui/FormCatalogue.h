#pragma once
// Every form class of the system, each registered beside its own definition, so that checks
// that must hold for all forms (every text whole at every scaling, in both languages) also
// cover the forms added later.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Form.h"

namespace ardeko::ui {

struct FormMaker {
    std::string name;
    std::function<std::unique_ptr<Form>()> make;  // a new, not yet loaded instance
};

// In the order of registration (that of static initialisation: not to be relied on).
const std::vector<FormMaker>& RegisteredForms();

// A static object of this type in a form's source file registers the form.
struct RegisterForm {
    RegisterForm(std::string name, std::function<std::unique_ptr<Form>()> make);
};

}  // namespace ardeko::ui
