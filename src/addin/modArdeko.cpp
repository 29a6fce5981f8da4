#include "addin/modArdeko.h"

#include <exception>
#include <stdexcept>
#include <string_view>

#include "about/About.h"
#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/Help.h"
#include "support/Module.h"
#include "ui/Form.h"
#include "wizard/frmArdeko.h"

namespace ardeko {

namespace {

// The namespace that the 2006 ribbon schema publishes for customUI documents.
constexpr std::string_view kCustomUiNamespace = "http://schemas.microsoft.com/office/2006/01/customui";

WizardFactory& wizardFactory() {
    static WizardFactory factory;
    return factory;
}

// The one wizard of the add-in. Once it has been closed (unloaded) the next launch starts from
// a fresh instance, so every opening begins in the design state.
std::unique_ptr<ui::Form>& wizardInstance() {
    static std::unique_ptr<ui::Form> instance;
    return instance;
}

ui::Form& wizard() {
    auto& instance = wizardInstance();
    if (!instance || !instance->Loaded()) {
        instance.reset();
        if (const auto& factory = wizardFactory())
            instance = factory();
        else
            instance = std::make_unique<frmArdeko>();
        if (!instance) throw std::runtime_error("The wizard form could not be created.");
    }
    return *instance;
}

bool english() { return Module().CurrLang != 0; }

}  // namespace

std::string GetRibbonXml() {
    // Written with apostrophes, which read better in C++ string literals, and turned into
    // double quotes in one go at the end.
    std::string xml;
    xml += "<customUI xmlns='";
    xml += kCustomUiNamespace;
    xml += "' ";
    xml += "xmlns:VLT='VeltranoAddIns' ";
    xml += "onLoad='RibbonOnLoad'>\r\n";
    xml += "<ribbon>\r\n";
    xml += "<tabs>\r\n";
    xml += "<tab idQ='VLT:Veltrano' label='Veltrano'>\r\n";
    xml += "<group idQ='VLT:ArdekoGroup' label='Archivierungs-Assistent' visible='1'>\r\n";
    xml += "<box id='bxAddIn' boxStyle='vertical'>\r\n";
    xml += "<button id='btnAARun' size='large' getImage='GetImage' getLabel='GetLabel' "
           "getScreentip='GetScreentip' getSupertip='GetSupertip' onAction='RibbonHandler' />\r\n";
    xml += "</box>\r\n";
    xml += "<box id='bxDefButons' boxStyle='vertical'>\r\n";
    xml += "<button id='btnAAHelp'\r\n";
    xml += "getLabel='GetLabel'\r\n";
    xml += "getScreentip='GetScreentip'\r\n";
    xml += "imageMso='WorkflowPending'\r\n";
    xml += "onAction='RibbonHandler' />\r\n";
    xml += "<button id='btnAAInfo'\r\n";
    xml += "getLabel='GetLabel'\r\n";
    xml += "getScreentip='GetScreentip'\r\n";
    xml += "imageMso='Info'\r\n";
    xml += "onAction='RibbonHandler' />\r\n";
    xml += "</box>\r\n";
    xml += "</group>\r\n";
    xml += "</tab>\r\n";
    xml += "</tabs>\r\n";
    xml += "</ribbon>\r\n";
    xml += "</customUI>\r\n";
    for (char& c : xml)
        if (c == '\'') c = '"';
    return xml;
}

WizardFactory SetWizardFactory(WizardFactory factory) {
    WizardFactory previous = std::move(wizardFactory());
    wizardFactory() = std::move(factory);
    wizardInstance().reset();
    return previous;
}

void ShowWizard() {
    std::string description;
    try {
        wizard().ShowModal();
        return;
    } catch (const std::exception& e) {
        description = e.what();
    } catch (...) {
        description = "Unknown error";
    }
    // Not being able to open the wizard is the one failure the launch reports; the text stays
    // English in both UI languages.
    try {
        platform::UI().Beep();
    } catch (...) {
    }
    try {
        platform::UI().SystemMessageBox("Error displaying dialog: " + description, Module().ProductTitle,
                                        vbCritical);
    } catch (...) {
    }
}

namespace ribbon {

std::string Image(const std::string& id) { return id == RunButton ? "CopyToFolder" : ""; }

std::optional<std::string> Label(const std::string& id) {
    if (id == RunButton) return english() ? "Invoke Archiving Wizard" : "Archivierungs- Assistent";
    if (id == HelpButton) return english() ? "Help" : "Hilfe";
    if (id == InfoButton) return english() ? "About" : "Info";
    return std::nullopt;
}

std::optional<std::string> Screentip(const std::string& id) {
    if (id == RunButton) return english() ? "Invoke Archiving Wizard" : "Archivierungs-Assistent aufrufen";
    if (id == HelpButton) return english() ? "Show help for this add in" : "Hilfe zum Add-In anzeigen";
    if (id == InfoButton) return english() ? "Show infos for this add in" : "Infos zum Add-In anzeigen";
    return std::nullopt;
}

std::optional<std::string> Supertip(const std::string& id) {
    if (id != RunButton) return std::nullopt;
    if (english())
        return "A dialog will be displayed where you can select how to archive documents, workbooks, "
               "databases and presentations...";
    return "Es wird ein Dialog angezeigt, über den Sie festlegen, wie Dokumente, Arbeitsmappen, "
           "Datenbanken und Präsentationen archiviert werden sollen...";
}

bool Run(const std::string& id) {
    if (id == RunButton) {
        ShowWizard();
    } else if (id == HelpButton) {
        ShowHelp();
    } else if (id == InfoButton) {
        ShowInfoDialog();
    } else {
        return false;
    }
    return true;
}

}  // namespace ribbon

}  // namespace ardeko
