#include <gtest/gtest.h>

#include "addin/AddinFixture.h"
#include "support/Module.h"

namespace ardeko::testkit {
namespace {

using Items = std::vector<std::shared_ptr<FakeCommandBarControl>>;

Items Tagged(FakeOfficeHost& host) { return host.FileMenu()->children->WithTag("VLTArdeko"); }

class ConnectTest : public AddinTest {};

struct VersionCase {
    const char* version;  // nullptr: the host cannot tell its version
    bool logo;
    bool button;
    bool picture;
};

TEST_F(ConnectTest, MenuButtonByHostVersion) {
    const VersionCase cases[] = {
        {"9.0", true, true, false},     {"10.0", true, true, true},    {"11.0", true, true, true},
        {"11.0", false, true, false},   {"12.0", true, false, false},  {"16.0", true, false, false},
        {nullptr, true, true, false},   {"abc", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version ? c.version : "unreadable") + (c.logo ? " with logo" : " without logo"));
        std::filesystem::remove(env.shell.programFolder + "/Logo.bmp");
        if (c.logo) PutLogoBesideProgram();
        auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", c.version ? c.version : "");
        if (!c.version) host->failing.insert("Version");
        ConnectWD wd;
        wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));

        const Items tagged = Tagged(*host);
        if (!c.button) {
            EXPECT_TRUE(tagged.empty());
            EXPECT_EQ(wd.objMenuButton, nullptr);
            continue;
        }
        ASSERT_EQ(tagged.size(), 1u);
        const auto& b = tagged.front();
        EXPECT_EQ(host->FileMenuItems().at(3), b) << "fourth entry of the File menu";
        EXPECT_EQ(wd.objMenuButton, b);
        EXPECT_EQ(b->type, 1);
        EXPECT_TRUE(b->temporary);
        EXPECT_EQ(b->style, 3);
        EXPECT_EQ(b->caption, "Veltrano Archivierungs-Assistent...");
        EXPECT_EQ(b->faceId, 1022);
        EXPECT_EQ(b->onAction, "!<VLT_Ardeko.ConnectWD>");
        EXPECT_TRUE(b->beginGroup);
        EXPECT_EQ(b->priority, 1);
        std::vector<std::string> expectedSets{"Style", "Caption", "FaceId", "Tag", "OnAction", "BeginGroup", "Priority"};
        if (c.picture) expectedSets.push_back("Picture");
        EXPECT_EQ(b->sets, expectedSets);
        EXPECT_EQ(b->picture, c.picture ? env.shell.programFolder + "/Logo.bmp" : "");
        EXPECT_TRUE(b->HasClickHandler());
    }
}

TEST_F(ConnectTest, PositionAndActionPerHost) {
    struct Case {
        std::function<std::unique_ptr<AddinConnection>()> make;
        const char* hostName;
        std::size_t index;
        const char* action;
    };
    const Case cases[] = {
        {[] { return std::make_unique<ConnectWD>(); }, "Microsoft Word", 3, "!<VLT_Ardeko.ConnectWD>"},
        {[] { return std::make_unique<ConnectXL>(); }, "Microsoft Excel", 3, "!<VLT_Ardeko.ConnectXL>"},
        {[] { return std::make_unique<ConnectPP>(); }, "Microsoft PowerPoint", 3, "!<VLT_Ardeko.ConnectPP>"},
        {[] { return std::make_unique<ConnectAC>(); }, "Microsoft Access", 4, "!<VLT_Ardeko.ConnectAC>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hostName);
        auto connection = c.make();
        auto host = Connect(*connection, c.hostName, "11.0");
        const Items tagged = Tagged(*host);
        ASSERT_EQ(tagged.size(), 1u);
        EXPECT_EQ(host->FileMenuItems().at(c.index), tagged.front());
        EXPECT_EQ(tagged.front()->onAction, c.action);
        EXPECT_EQ(Module().AddinProgId, connection->Info().progId);
        connection->OnDisconnection(0);
        EXPECT_TRUE(Tagged(*host).empty());
        EXPECT_EQ(connection->objMenuButton, nullptr);
    }
}

TEST_F(ConnectTest, EarlierButtonIsReplacedByExactlyOne) {
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "11.0");
    auto stale = host->FileMenu()->children->Append(1, 1, "Veltrano Archivierungs-Assistent...", "VLTArdeko");
    ConnectWD wd;
    wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
    const Items tagged = Tagged(*host);
    ASSERT_EQ(tagged.size(), 1u);
    EXPECT_NE(tagged.front(), stale);
    EXPECT_TRUE(stale->deleted);
    EXPECT_EQ(host->FileMenuItems().at(3), tagged.front());
}

TEST_F(ConnectTest, WordNormalTemplateSavedState) {
    // Connection leaves the template saved, also in ribbon hosts.
    for (const char* version : {"11.0", "12.0"}) {
        SCOPED_TRACE(version);
        auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", version);
        host->normalTemplate->saved = false;
        ConnectWD wd;
        wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
        EXPECT_TRUE(host->normalTemplate->saved);
    }
    // Removing the button (which Word counts as a change) keeps whatever state it had.
    for (bool savedBefore : {true, false}) {
        SCOPED_TRACE(savedBefore ? "saved" : "unsaved");
        auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "11.0");
        ConnectWD wd;
        wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
        host->normalTemplate->saved = savedBefore;
        wd.OnDisconnection(0);
        EXPECT_TRUE(Tagged(*host).empty());
        EXPECT_EQ(host->normalTemplate->saved, savedBefore);
    }
}

TEST_F(ConnectTest, OtherHostsLeaveTheTemplateAlone) {
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Excel", "11.0");
    host->normalTemplate = std::make_shared<FakeTemplate>();
    host->normalTemplate->saved = false;
    ConnectXL xl;
    xl.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectXL"));
    xl.OnDisconnection(0);
    EXPECT_EQ(host->normalTemplate->savedWrites, 0);
}

TEST_F(ConnectTest, LanguageSetting) {
    struct Case {
        std::optional<std::string> stored;
        std::int16_t lang;
        const char* title;
    };
    const Case cases[] = {
        {"1", 1, "Veltrano Archiving Wizard v3.00"},
        {std::nullopt, 0, "Veltrano Archivierungs-Assistent v3.00"},
        {"0", 0, "Veltrano Archivierungs-Assistent v3.00"},
        {"abc", 0, "Veltrano Archivierungs-Assistent v3.00"},
        {"2.5", 2, "Veltrano Archiving Wizard v3.00"},
        {"40000", 0, "Veltrano Archivierungs-Assistent v3.00"},  // does not fit: the value stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.value_or("(missing)"));
        Module() = ModuleValues{};
        env.settings.values.clear();
        if (c.stored) env.settings.Set("OffArdeko", "CurrLang", *c.stored);
        ConnectXL xl;
        Connect(xl, "Microsoft Excel", "16.0");
        EXPECT_EQ(Module().CurrLang, c.lang);
        EXPECT_EQ(Module().ProductTitle, c.title);
    }
}

TEST(LeadingNumberAsInt16, ReadsTheNumberAtTheStart) {
    const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
        {"1", 1},    {"0", 0},     {"", 0},       {"abc", 0},    {"7abc", 7},   {" 3", 3},
        {"-1", -1},  {"+4", 4},    {"1.4", 1},    {"1.6", 2},    {"2.5", 2},    {"3.5", 4},
        {".6", 1},   {"1e2", 100}, {"1D1", 10},   {"1 2", 12},   {"1,5", 1},    {"-", 0},
        {"32767", 32767}, {"-32768", -32768}, {"32768", std::nullopt}, {"1e10", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingNumberAsInt16(text), expected) << '"' << text << '"';
}

TEST_F(ConnectTest, ModuleValuesAfterConnection) {
    env.ui.colorScheme = 3;
    ConnectPP pp;
    auto host = Connect(pp, "Microsoft PowerPoint", "12.0");
    const ModuleValues& m = Module();
    EXPECT_EQ(m.HostApp, host);
    EXPECT_EQ(m.HostCommandBars, host->commandBars);
    EXPECT_EQ(m.AddinProgId, "VLT_Ardeko.ConnectPP");
    EXPECT_EQ(m.ColorScheme, 3);
    EXPECT_EQ(m.ManualName, "Dokumentation Veltrano Archivierungs-Assistent für PowerPoint");
}

// A host that fails in one place still connects; the failing step alone is skipped.
TEST_F(ConnectTest, FailingHostMembersAreSkipped) {
    env.settings.Set("OffArdeko", "CurrLang", "1");
    struct Case {
        const char* what;
        std::function<void(FakeOfficeHost&, FakeAddInInstance&)> breakIt;
        bool button;
    };
    const Case cases[] = {
        {"no CommandBars", [](FakeOfficeHost& h, FakeAddInInstance&) { h.failing.insert("CommandBars"); }, false},
        {"FindControl fails", [](FakeOfficeHost& h, FakeAddInInstance&) { h.commandBars->failing.insert("FindControl"); }, false},
        {"no File menu", [](FakeOfficeHost& h, FakeAddInInstance&) { h.commandBars->menuBar->items.erase(h.commandBars->menuBar->items.begin()); }, false},
        {"Add fails", [](FakeOfficeHost& h, FakeAddInInstance&) { h.FileMenu()->children->failing.insert("Add"); }, false},
        {"Tag unreadable", [](FakeOfficeHost& h, FakeAddInInstance&) { h.FileMenu()->children->items[0]->failing.insert("Tag"); }, true},
        {"new button refuses everything", [](FakeOfficeHost& h, FakeAddInInstance&) {
             h.FileMenu()->children->newControlsFail = {"Style", "Caption", "FaceId", "Tag", "OnAction", "BeginGroup",
                                                        "Priority", "Picture", "Click"};
         }, true},
        {"ProgId unreadable", [](FakeOfficeHost&, FakeAddInInstance& a) { a.failing.insert("ProgId"); }, true},
        {"no Name", [](FakeOfficeHost& h, FakeAddInInstance&) { h.failing.insert("Name"); }, true},
        {"no normal template", [](FakeOfficeHost& h, FakeAddInInstance&) { h.normalTemplate.reset(); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Module() = ModuleValues{};
        auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "11.0");
        auto instance = std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD");
        c.breakIt(*host, *instance);
        ConnectWD wd;
        wd.OnConnection(host, 0, instance);
        EXPECT_EQ(Module().HostApp, host);
        EXPECT_EQ(Module().CurrLang, 1);
        EXPECT_EQ(Module().ProductName, "Archiving Wizard");
        EXPECT_EQ(wd.objMenuButton != nullptr, c.button);
        wd.OnDisconnection(0);
        EXPECT_EQ(wd.objMenuButton, nullptr);
    }
}

TEST_F(ConnectTest, RefusedPropertiesLeaveTheOthersSet) {
    PutLogoBesideProgram();
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "11.0");
    host->FileMenu()->children->newControlsFail = {"Caption", "Picture"};
    ConnectWD wd;
    wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
    const Items tagged = Tagged(*host);
    ASSERT_EQ(tagged.size(), 1u);
    EXPECT_EQ(wd.objMenuButton, tagged.front());
    EXPECT_EQ(tagged.front()->caption, "");
    EXPECT_EQ(tagged.front()->faceId, 1022);
    EXPECT_EQ(tagged.front()->sets,
              (std::vector<std::string>{"Style", "FaceId", "Tag", "OnAction", "BeginGroup", "Priority"}));
}

TEST_F(ConnectTest, ClickOpensTheWizardAndLeavesCancelDefault) {
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Word", "10.0");
    ConnectWD wd;
    wd.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectWD"));
    auto button = Tagged(*host).at(0);
    EXPECT_FALSE(button->UserClick(false));
    EXPECT_TRUE(button->UserClick(true));
    EXPECT_EQ(env.ui.shownForms, (std::vector<std::string>{"frmArdeko", "frmArdeko"}));
    EXPECT_EQ(wizardLoads, 2);
    wd.OnDisconnection(0);
    EXPECT_FALSE(button->HasClickHandler());
}

TEST_F(ConnectTest, RibbonHostsDisconnectQuietly) {
    auto host = std::make_shared<FakeOfficeHost>("Microsoft Excel", "14.0");
    ConnectXL xl;
    xl.OnConnection(host, 0, std::make_shared<FakeAddInInstance>("VLT_Ardeko.ConnectXL"));
    const auto before = host->FileMenuItems();
    xl.OnDisconnection(0);
    EXPECT_EQ(host->FileMenuItems(), before);
    EXPECT_TRUE(env.ui.systemBoxes.empty());
    EXPECT_TRUE(env.ui.styledBoxes.empty());
}

TEST_F(ConnectTest, NoHostObjectAtAll) {
    ConnectAC ac;
    ac.OnConnection(nullptr, 0, nullptr);
    EXPECT_EQ(ac.objMenuButton, nullptr);
    EXPECT_EQ(Module().ProductTitle, "Veltrano Archivierungs-Assistent v3.00");
    ac.OnDisconnection(0);
}

TEST(AddinHosts, EntryData) {
    const auto& hosts = AddinHosts();
    ASSERT_EQ(hosts.size(), 4u);
    EXPECT_EQ(std::string(hosts[2].friendlyName), "Veltrano Publishing · Archivierungs-Asistent");
    for (const auto& h : hosts) {
        EXPECT_EQ(std::string(h.progId), std::string("VLT_Ardeko.") + h.className);
        EXPECT_EQ(std::string(h.registryLocation), std::string("HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\") + h.hostName);
        EXPECT_EQ(h.keepsNormalTemplateSaved, std::string(h.hostName) == "Word");
    }
    EXPECT_EQ(AddinDescription().rfind("Assistent zur Archivierung von Dateien · ", 0), 0u);
    EXPECT_EQ(AddinLoadBehavior, 3u);
}

}  // namespace
}  // namespace ardeko::testkit
