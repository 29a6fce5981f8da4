#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "addin/AddinFixture.h"
#include "support/Identity.h"
#include "support/Module.h"

namespace ardeko::testkit {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RibbonTest : public AddinTest {
protected:
    RibbonTest() { Connect(connection, "Microsoft Word", "12.0"); }

    void SetLanguage(std::int16_t lang) {
        Module().CurrLang = lang;
        InitProductTexts();
    }

    ConnectWD connection;
};

TEST_F(RibbonTest, CustomUiMatchesTheGoldenFileForAnyRibbonId) {
    const std::string golden = ReadBytes(std::filesystem::path(__FILE__).parent_path() / "golden" / "ribbon.xml");
    ASSERT_FALSE(golden.empty());
    for (const char* ribbonId : {"", "Microsoft.Word.Document", "Microsoft.Excel.Workbook"}) {
        SCOPED_TRACE(ribbonId);
        const std::string xml = connection.GetCustomUI(ribbonId);
        EXPECT_EQ(xml, golden);
    }
    EXPECT_EQ(GetRibbonXml(), golden);
    EXPECT_EQ(GetRibbonXml().find('\''), std::string::npos);
    EXPECT_GT(env.ui.doEventsCalls, 0);
}

struct TextCase {
    std::int16_t lang;
    const char* id;
    const char* image;
    const char* label;
    std::optional<std::string> screentip;
    std::optional<std::string> supertip;
};

TEST_F(RibbonTest, CallbackTextsFollowTheLanguage) {
    const std::string deSuper =
        "Es wird ein Dialog angezeigt, über den Sie festlegen, wie Dokumente, Arbeitsmappen, Datenbanken und "
        "Präsentationen archiviert werden sollen...";
    const std::string enSuper =
        "A dialog will be displayed where you can select how to archive documents, workbooks, databases and "
        "presentations...";
    const TextCase cases[] = {
        {0, "btnAARun", "CopyToFolder", "Archivierungs- Assistent", "Archivierungs-Assistent aufrufen", deSuper},
        {0, "btnAAHelp", "", "Hilfe", "Hilfe zum Add-In anzeigen", std::nullopt},
        {0, "btnAAInfo", "", "Info", "Infos zum Add-In anzeigen", std::nullopt},
        {1, "btnAARun", "CopyToFolder", "Invoke Archiving Wizard", "Invoke Archiving Wizard", enSuper},
        {1, "btnAAHelp", "", "Help", "Show help for this add in", std::nullopt},
        {1, "btnAAInfo", "", "About", "Show infos for this add in", std::nullopt},
        {2, "btnAAHelp", "", "Help", "Show help for this add in", std::nullopt},
        {-1, "btnAAInfo", "", "About", "Show infos for this add in", std::nullopt},
        {0, "BTNAARUN", "", "", std::nullopt, std::nullopt},
        {1, "btnaainfo", "", "", std::nullopt, std::nullopt},
        {0, "", "", "", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " / CurrLang " + std::to_string(c.lang));
        SetLanguage(c.lang);
        FakeRibbonControl control(c.id);
        EXPECT_EQ(connection.GetImage(control), c.image);
        EXPECT_EQ(connection.GetLabel(control), c.label);
        EXPECT_EQ(connection.GetScreentip(control), c.screentip);
        EXPECT_EQ(connection.GetSupertip(control), c.supertip);
    }
}

TEST_F(RibbonTest, UnreadableControlIdGivesNothing) {
    FakeRibbonControl control("btnAARun");
    control.failing.insert("Id");
    EXPECT_EQ(connection.GetImage(control), "");
    EXPECT_EQ(connection.GetLabel(control), "");
    EXPECT_EQ(connection.GetScreentip(control), std::nullopt);
    EXPECT_EQ(connection.GetSupertip(control), std::nullopt);
    connection.RibbonHandler(control);
    EXPECT_TRUE(env.ui.shownForms.empty());
}

TEST_F(RibbonTest, HandlerRunsTheButtonsAction) {
    struct Case {
        const char* id;
        std::vector<std::string> forms;  // modal forms shown
        std::size_t helpBoxes;           // help's "where to find it" notice
    };
    const Case cases[] = {
        {"btnAARun", {"frmArdeko"}, 0},
        {"btnAAHelp", {}, 1},
        {"btnAAInfo", {"dlgInfo"}, 0},
        {"BTNAARUN", {}, 0},
        {"bxAddIn", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        env.ui.shownForms.clear();
        env.ui.styledBoxes.clear();
        const long pumpsBefore = env.ui.doEventsCalls;
        FakeRibbonControl control(c.id);
        connection.RibbonHandler(control);
        EXPECT_EQ(env.ui.shownForms, c.forms);
        EXPECT_EQ(env.ui.styledBoxes.size(), c.helpBoxes);
        EXPECT_GT(env.ui.doEventsCalls, pumpsBefore);
        EXPECT_TRUE(env.ui.systemBoxes.empty());
    }
}

TEST_F(RibbonTest, InfoButtonReturnsWhenTheDialogIsClosed) {
    bool wasOpen = false;
    env.ui.onModalByName["dlgInfo"] = [&](ui::Form& form) {
        wasOpen = form.Loaded();
        form.Unload();
    };
    FakeRibbonControl control("btnAAInfo");
    connection.RibbonHandler(control);
    EXPECT_TRUE(wasOpen);
}

TEST_F(RibbonTest, OnLoadKeepsTheRibbon) {
    EXPECT_EQ(connection.objRibbon, nullptr);
    auto ribbonUi = std::make_shared<FakeRibbonUI>();
    connection.RibbonOnLoad(ribbonUi);
    EXPECT_EQ(connection.objRibbon, ribbonUi);
}

TEST_F(RibbonTest, WizardThatCannotBeCreatedIsReported) {
    for (std::int16_t lang : {0, 1}) {
        SCOPED_TRACE(lang);
        SetLanguage(lang);
        env.ui.systemBoxes.clear();
        env.ui.beeps = 0;
        SetWizardFactory([]() -> std::unique_ptr<ui::Form> { throw std::runtime_error("Klasse nicht registriert"); });
        ShowWizard();
        EXPECT_EQ(env.ui.beeps, 1);
        ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
        EXPECT_EQ(env.ui.systemBoxes[0].text, "Error displaying dialog: Klasse nicht registriert");
        EXPECT_EQ(env.ui.systemBoxes[0].title,
                  lang == 0 ? "Veltrano Archivierungs-Assistent v3.00" : "Veltrano Archiving Wizard v3.00");
        EXPECT_EQ(env.ui.systemBoxes[0].flags, 16);
        EXPECT_TRUE(env.ui.shownForms.empty());
    }
}

TEST_F(RibbonTest, WizardOpensAgainAfterItWasClosed) {
    ShowWizard();
    ShowWizard();
    EXPECT_EQ(env.ui.shownForms.size(), 2u);
    EXPECT_EQ(wizardLoads, 2);
    EXPECT_EQ(wizardsCreated, 2) << "every opening starts from a fresh form";
    EXPECT_TRUE(env.ui.systemBoxes.empty());
}

TEST_F(RibbonTest, RunButtonShowsTheRealWizard) {
    SetWizardFactory({});
    std::string caption;
    env.ui.onModalByName["frmArdeko"] = [&](ui::Form& form) { caption = form.Caption; };
    FakeRibbonControl control("btnAARun");
    connection.RibbonHandler(control);
    EXPECT_EQ(env.ui.shownForms, std::vector<std::string>{"frmArdeko"});
    EXPECT_EQ(caption, " Veltrano Archivierungs-Assistent v3.00 für Word");
    EXPECT_TRUE(env.ui.systemBoxes.empty());
}

TEST_F(RibbonTest, FailureInsideTheWizardDoesNotReachTheHost) {
    env.ui.onModalByName["frmArdeko"] = [](ui::Form&) { throw std::runtime_error("Fensterklasse fehlt"); };
    FakeRibbonControl control("btnAARun");
    EXPECT_NO_THROW(connection.RibbonHandler(control));
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "Error displaying dialog: Fensterklasse fehlt");
}

}  // namespace
}  // namespace ardeko::testkit
