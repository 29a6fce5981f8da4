#include <gtest/gtest.h>

#include "support/Identity.h"
#include "support/Module.h"
#include "support/Version.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::FakeApplication;
using ardeko::testkit::TestEnv;

namespace {

std::shared_ptr<FakeApplication> Host(std::optional<std::string> name, std::optional<std::string> version = "16.0") {
    auto app = std::make_shared<FakeApplication>();
    app->name = std::move(name);
    app->version = std::move(version);
    return app;
}

}  // namespace

TEST(GetHostName, MapsTheApplicationNameToItsShortName) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"Microsoft Word", "Word"},
        {"Microsoft Excel", "Excel"},
        {"Microsoft PowerPoint", "PowerPoint"},
        {"Microsoft Access", "Access"},
        {"Microsoft Office Word", "Word"},
        {"MICROSOFT WORD", "Word"},
        {"Microsoft Outlook", "Outlook"},
        {"Microsoft FrontPage", "FrontPage"},
        {"word and powerpoint", "Word"},      // the earlier key decides
        {"PowerPoint Outlook", "Outlook"},
        {"Microsoft Visio", "Office"},
        {"", "Office"},
    };
    for (const Case& c : cases) {
        TestEnv env;
        Module().HostApp = Host(std::string(c.name));
        EXPECT_EQ(GetHostName(), c.expected) << c.name;
    }
}

TEST(GetHostName, GivesOfficeWithoutAReadableHost) {
    TestEnv env;
    EXPECT_EQ(GetHostName(), "Office");
    Module().HostApp = Host(std::nullopt);  // Name raises a host error
    EXPECT_EQ(GetHostName(), "Office");
}

TEST(GetHostVersion, TakesTheLeadingDigitsOfTheMajorPart) {
    struct Case {
        std::optional<std::string> version;
        std::int16_t expected;
    };
    const Case cases[] = {
        {"12.0", 12}, {"9.0", 9}, {"14", 14}, {"11.0.5604", 11}, {".5", 0}, {"abc", 0},
        {"", 0},      {"12a.0", 12}, {std::nullopt, -1}, {"99999.0", -1},
    };
    for (const Case& c : cases) {
        TestEnv env;
        Module().HostApp = Host("Microsoft Word", c.version);
        EXPECT_EQ(GetHostVersion(), c.expected) << c.version.value_or("<unreadable>");
    }
}

TEST(GetHostVersion, IsMinusOneWithoutAHost) {
    TestEnv env;
    EXPECT_EQ(GetHostVersion(), -1);
}

TEST(InitProductTexts, FollowsLanguageAndHost) {
    struct Case {
        std::int16_t lang;
        const char* host;
        const char* title;
        const char* product;
        const char* manual;
    };
    const Case cases[] = {
        {0, "Microsoft Word", "Veltrano Archivierungs-Assistent v3.00", "Archivierungs-Assistent",
         "Dokumentation Veltrano Archivierungs-Assistent für Word"},
        {0, "Microsoft Access", "Veltrano Archivierungs-Assistent v3.00", "Archivierungs-Assistent",
         "Dokumentation Veltrano Archivierungs-Assistent für Access"},
        {1, "Microsoft Excel", "Veltrano Archiving Wizard v3.00", "Archiving Wizard",
         "Manual Veltrano Archiving Wizard for Excel"},
        {-1, "Microsoft Excel", "Veltrano Archiving Wizard v3.00", "Archiving Wizard",
         "Manual Veltrano Archiving Wizard for Excel"},
        {7, "Microsoft PowerPoint", "Veltrano Archiving Wizard v3.00", "Archiving Wizard",
         "Manual Veltrano Archiving Wizard for PowerPoint"},
    };
    for (const Case& c : cases) {
        TestEnv env;
        env.ConnectHost(c.host, "16.0", c.lang);
        EXPECT_EQ(Module().ProductTitle, c.title);
        EXPECT_EQ(Module().ProductName, c.product);
        EXPECT_EQ(Module().ManualName, c.manual);
    }
}

TEST(InitProductTexts, RecomputesEverythingOnEachCall) {
    TestEnv env;
    InitProductTexts();
    EXPECT_EQ(Module().ManualName, "Dokumentation Veltrano Archivierungs-Assistent für Office");
    Module().HostApp = Host("Microsoft Excel");
    Module().CurrLang = 1;
    InitProductTexts();
    EXPECT_EQ(Module().ProductTitle, "Veltrano Archiving Wizard v3.00");
    EXPECT_EQ(Module().ManualName, "Manual Veltrano Archiving Wizard for Excel");
}

TEST(GetBuildText, ShowsOnlyANonZeroRevision) {
    EXPECT_EQ(BuildTextFor(0), "");
    EXPECT_EQ(BuildTextFor(3), ", Build 3");
    EXPECT_EQ(BuildTextFor(1234), ", Build 1234");
    EXPECT_EQ(GetBuildText(), BuildTextFor(kProgramVersion.revision));
    EXPECT_EQ(GetBuildText(), "");  // this program is 1.0 with revision 0
}
