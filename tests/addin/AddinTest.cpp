#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "addin/Connect.h"
#include "addin/modArdeko.h"
#include "support/Identity.h"
#include "testkit/FakeOfficeHost.h"
#include "testkit/TestEnv.h"

namespace ardeko::testkit {
namespace {

template <class C>
std::unique_ptr<AddinConnection> Make() { return std::make_unique<C>(); }

TEST(AddinTest, MenuButtonPerHostAndVersion) {
    TestEnv env;
    // Connection, host, class suffix, version (nullptr: the host cannot tell), logo beside the program,
    // the button's place in the File menu (-1: none, a ribbon host), whether it shows the logo.
    const std::tuple<std::unique_ptr<AddinConnection> (*)(), const char*, const char*, const char*, bool, int, bool> cases[] = {
        {Make<ConnectWD>, "Word", "WD", "9.0", true, 3, false},   {Make<ConnectWD>, "Word", "WD", "10.0", true, 3, true},
        {Make<ConnectWD>, "Word", "WD", "11.0", false, 3, false}, {Make<ConnectXL>, "Excel", "XL", "11.0", true, 3, true},
        {Make<ConnectPP>, "PowerPoint", "PP", "11.0", true, 3, true}, {Make<ConnectAC>, "Access", "AC", "11.0", false, 4, false},
        {Make<ConnectWD>, "Word", "WD", nullptr, true, 3, false}, {Make<ConnectWD>, "Word", "WD", "12.0", true, -1, false},
        {Make<ConnectAC>, "Access", "AC", "16.0", false, -1, false}};
    const std::string logo = env.shell.programFolder + "/Logo.bmp";
    for (const auto& [make, app, cls, version, hasLogo, index, picture] : cases) {
        SCOPED_TRACE(std::string(app) + " " + (version ? version : "unreadable") + (hasLogo ? " logo" : ""));
        std::filesystem::remove(logo);
        if (hasLogo) std::ofstream(logo) << "BM";
        const bool word = cls == std::string("WD");
        auto host = std::make_shared<FakeOfficeHost>(std::string("Microsoft ") + app, version ? version : "");
        if (!version) host->failing.insert("Version");
        if (!word) host->normalTemplate = std::make_shared<FakeTemplate>();
        host->normalTemplate->saved = false;
        auto stale = host->FileMenu().Append(1, 1, "VLTArdeko");  // left by a host that ended without unloading us
        auto connection = make();
        Module().CurrLang = 3;
        connection->OnConnection(host, 0, std::make_shared<FakeAddInInstance>(connection->Info().progId));
        EXPECT_EQ(Module().CurrLang, 0) << "German unless the settings say otherwise";
        EXPECT_EQ(host->normalTemplate->saved, word) << "Word's normal template is left saved";
        auto b = index < 0 ? nullptr : host->FileMenu().items.at(static_cast<std::size_t>(index));
        EXPECT_EQ(connection->objMenuButton, b);
        if (b) {
            EXPECT_TRUE(stale->deleted && host->FileMenu().items.size() == 6);
            EXPECT_TRUE(b->temporary && b->type == 1 && b->click);
            std::map<std::string, std::string> want{{"Style", "3"}, {"Caption", "Veltrano Archivierungs-Assistent..."},
                {"FaceId", "1022"}, {"Tag", "VLTArdeko"}, {"BeginGroup", "1"}, {"Priority", "1"},
                {"OnAction", std::string("!<VLT_Ardeko.Connect") + cls + ">"}};
            if (picture) want["Picture"] = logo;
            EXPECT_EQ(b->props, want);
        }
        // Removing the button is a change to Word; its template keeps the state it had (either one,
        // varied here with the logo flag).
        host->normalTemplate->saved = hasLogo;
        connection->OnDisconnection(0);
        EXPECT_EQ(host->FileMenu().Find([](auto& e) { return e.TagText() == "VLTArdeko"; }), nullptr);
        EXPECT_EQ(connection->objMenuButton, nullptr);
        EXPECT_EQ(host->normalTemplate->saved, hasLogo);
        EXPECT_EQ(host->normalTemplate->writes > 0, word) << "only Word's template is looked after";
        EXPECT_TRUE(env.ui.systemBoxes.empty() && env.ui.styledBoxes.empty());
    }
}

TEST(LeadingNumberAsInt16, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    const std::pair<const char*, std::optional<std::int16_t>> cases[] = {{"", 0}, {"abc", 0}, {"7abc", 7}, {" -1", -1}, {"1 2", 12},
        {"1.6", 2}, {"2.5", 2}, {"3.5", 4}, {".6", 1}, {"1e2", 100}, {"1D1", 10}, {"32767", 32767}, {"32768", std::nullopt}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingNumberAsInt16(text), expected) << '"' << text << '"';
}

// A host that fails in one place still connects; only the failing step is skipped.
TEST(AddinTest, FailingHostMembersAreSkipped) {
    TestEnv env;
    env.settings.Set("OffArdeko", "CurrLang", "1");
    // The object, its failing member ("new": every control Add makes), the button's properties (-1: no button).
    const std::tuple<std::string, std::string, int> cases[] = {
        {"host", "CommandBars", -1}, {"bars", "FindControl", -1}, {"file", "Add", -1}, {"file", "Count", 7},
        {"entry", "Tag", 7}, {"new", "Caption", 6}, {"new", "*", 0}, {"instance", "ProgId", 7}, {"host", "Name", 7},
        {"host", "NormalTemplate", 7}};
    for (const auto& [where, member, props] : cases) {
        SCOPED_TRACE(where + "." + member);
        auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "11.0");
        auto instance = std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD");
        std::map<std::string, Failing*> objects{{"host", host.get()}, {"bars", host->commandBars.get()},
            {"file", &host->FileMenu()}, {"entry", host->FileMenu().items[0].get()}, {"instance", instance.get()}};
        if (where != "new") objects.at(where)->failing.insert(member);
        else if (member != "*") host->FileMenu().newControlsFail = {member};
        else host->FileMenu().newControlsFail = {"Style", "Caption", "FaceId", "Tag", "OnAction", "BeginGroup", "Priority", "Click"};
        ConnectWD wd;
        wd.OnConnection(host, 0, instance);
        EXPECT_EQ(Module().HostApp, host);
        EXPECT_EQ(Module().ProductName, "Archiving Wizard");
        auto button = std::dynamic_pointer_cast<FakeControl>(wd.objMenuButton);
        EXPECT_EQ(button ? static_cast<int>(button->props.size()) : -1, props);
        EXPECT_NO_THROW(wd.OnDisconnection(0));
    }
    ConnectAC ac;  // no host object at all
    EXPECT_NO_THROW(ac.OnConnection(nullptr, 0, nullptr));
    EXPECT_NO_THROW(ac.OnDisconnection(0));
}

TEST(AddinTest, WizardOpensFreshOnEveryClickAndFailuresToOpenAreReported) {
    TestEnv env;
    int made = 0;
    SetWizardFactory([&made] { ++made; return std::make_unique<ui::Form>("frmArdeko"); });
    ConnectWD wd;
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "10.0");
    wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
    auto button = host->FileMenu().items.at(3);
    bool cancel = true;
    for (int i = 0; i < 2; ++i) button->click(*button, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(env.ui.shownForms, (std::vector<std::string>{"frmArdeko", "frmArdeko"}));
    EXPECT_EQ(made, 2) << "every opening starts from a fresh form";
    wd.OnDisconnection(0);
    EXPECT_FALSE(button->click);

    SetWizardFactory([]() -> std::unique_ptr<ui::Form> { throw std::runtime_error("Klasse nicht registriert"); });
    ShowWizard();
    EXPECT_EQ(std::to_string(env.ui.beeps) + " " + env.SystemBoxes(),  // English in every UI
              "1 Veltrano Archivierungs-Assistent v3.00|16|Error displaying dialog: Klasse nicht registriert\n");
    SetWizardFactory({});  // the real wizard; a failure inside it does not reach the host either
    env.ui.onModalByName["frmArdeko"] = [](ui::Form&) { throw std::runtime_error("kaputt"); };
    EXPECT_NO_THROW(ShowWizard());
    EXPECT_EQ(env.ui.systemBoxes.back().text, "Error displaying dialog: kaputt");
}

TEST(AddinHosts, RegistrationTexts) {
    for (const auto& h : AddinHosts())  // PowerPoint's entry keeps the spelling it was registered under
        EXPECT_EQ(h.friendlyName, "Veltrano Publishing · Archivierungs-" + std::string(h.hostName == std::string("PowerPoint") ? "Asistent" : "Assistent"));
    EXPECT_EQ(AddinDescription(), "Assistent zur Archivierung von Dateien · © Veltrano Publishing");
}

TEST(AddinTest, RibbonIsTheGoldenFileAndItsCallbacksFollowTheLanguage) {
    TestEnv env;
    ConnectWD wd;
    std::ifstream in(std::filesystem::path(ARDEKO_TEST_DATA_DIR) / "golden" / "ribbon.xml", std::ios::binary);
    const std::string golden{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const char* ribbonId : {"", "Microsoft.Word.Document"}) EXPECT_EQ(wd.GetCustomUI(ribbonId), golden);
    EXPECT_GT(env.ui.doEventsCalls, 0);
    wd.OnConnection(std::make_shared<FakeOfficeHost>("Microsoft Word", "12.0"), 0, nullptr);
    const std::string deSuper = "Es wird ein Dialog angezeigt, über den Sie festlegen, wie Dokumente, Arbeitsmappen, "
                                "Datenbanken und Präsentationen archiviert werden sollen...";
    const std::string enSuper = "A dialog will be displayed where you can select how to archive documents, workbooks, databases and presentations...";
    using S = std::optional<std::string>;
    const std::tuple<int, const char*, const char*, const char*, S, S, std::string> cases[] = {
        // language, id (nullptr: unreadable), image, label, screentip, supertip, what a click shows
        {0, "btnAARun", "CopyToFolder", "Archivierungs- Assistent", "Archivierungs-Assistent aufrufen", deSuper, "frmArdeko"},
        {0, "btnAAHelp", "", "Hilfe", "Hilfe zum Add-In anzeigen", {}, "notice"},
        {0, "btnAAInfo", "", "Info", "Infos zum Add-In anzeigen", {}, "dlgInfo"},
        {1, "btnAARun", "CopyToFolder", "Invoke Archiving Wizard", "Invoke Archiving Wizard", enSuper, "frmArdeko"},
        {1, "btnAAHelp", "", "Help", "Show help for this add in", {}, "notice"},
        {2, "btnAAInfo", "", "About", "Show infos for this add in", {}, "dlgInfo"},
        {0, "BTNAARUN", "", "", {}, {}, ""},
        {0, nullptr, "", "", {}, {}, ""},
    };
    for (const auto& [lang, id, image, label, screentip, supertip, shows] : cases) {
        SCOPED_TRACE(std::string(id ? id : "unreadable") + " / CurrLang " + std::to_string(lang));
        env.ConnectHost(Module().HostApp, static_cast<std::int16_t>(lang));
        env.ui.shownForms.clear();
        env.ui.styledBoxes.clear();
        FakeRibbonControl control(id ? id : "btnAARun");
        if (!id) control.failing.insert("Id");
        EXPECT_EQ(std::tie(image, label), std::make_tuple(wd.GetImage(control), wd.GetLabel(control)));
        EXPECT_EQ(std::tie(screentip, supertip), std::make_tuple(wd.GetScreentip(control), wd.GetSupertip(control)));
        const long pumps = env.ui.doEventsCalls;
        wd.RibbonHandler(control);
        EXPECT_EQ((env.ui.styledBoxes.empty() ? "" : "notice") + (env.ui.shownForms.empty() ? "" : env.ui.shownForms[0]), shows);
        EXPECT_GT(env.ui.doEventsCalls, pumps);
        EXPECT_TRUE(env.ui.systemBoxes.empty());
    }
}

}  // namespace
}  // namespace ardeko::testkit
