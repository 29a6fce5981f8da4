#include "ui/FormCatalogue.h"

namespace ardeko::ui {

namespace {

std::vector<FormMaker>& Catalogue() {
    static std::vector<FormMaker> forms;
    return forms;
}

}  // namespace

const std::vector<FormMaker>& RegisteredForms() { return Catalogue(); }

RegisterForm::RegisterForm(std::string name, std::function<std::unique_ptr<Form>()> make) {
    Catalogue().push_back({std::move(name), std::move(make)});
}

}  // namespace ardeko::ui
