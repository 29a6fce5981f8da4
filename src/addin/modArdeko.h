#pragma once
// The add-in module: the ribbon definition, the wizard launch and the ribbon's button texts.
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ardeko {
namespace ui {
class Form;
}

// The customUI XML of the add-in's ribbon tab, every line ended by CR LF.
std::string GetRibbonXml();

// Shows the archiving wizard modally; a failure to open it is reported here and nowhere else.
void ShowWizard();

// How ShowWizard creates the wizard form. Empty: the real frmArdeko. A factory that throws
// stands for a wizard that cannot be created. Returns the factory that was in force.
using WizardFactory = std::function<std::unique_ptr<ui::Form>()>;
WizardFactory SetWizardFactory(WizardFactory factory);

// The ribbon buttons' texts for the current UI language; nothing for an id that is not one of
// the buttons (ids are compared case-sensitively).
namespace ribbon {
inline constexpr const char* RunButton = "btnAARun";
inline constexpr const char* HelpButton = "btnAAHelp";
inline constexpr const char* InfoButton = "btnAAInfo";

std::string Image(const std::string& id);
std::optional<std::string> Label(const std::string& id);
std::optional<std::string> Screentip(const std::string& id);
std::optional<std::string> Supertip(const std::string& id);
// Runs the button's action; false for an unknown id.
bool Run(const std::string& id);
}  // namespace ribbon

}  // namespace ardeko
