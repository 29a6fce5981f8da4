#include <gtest/gtest.h>

#include "support/Identity.h"
#include "support/Version.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Text = std::optional<std::string>;  // nothing: the host member raises an error

TEST(GetHostName, MapsTheApplicationNameToItsShortName) {
    const std::pair<Text, const char*> cases[] = {
        {"Microsoft Word", "Word"}, {"Microsoft Excel", "Excel"}, {"Microsoft PowerPoint", "PowerPoint"},
        {"Microsoft Access", "Access"}, {"MICROSOFT WORD", "Word"}, {"Microsoft FrontPage", "FrontPage"},
        {"word and powerpoint", "Word"}, {"PowerPoint Outlook", "Outlook"},  // the earlier key decides
        {"Microsoft Visio", "Office"}, {"", "Office"}, {std::nullopt, "Office"},
    };
    for (const auto& [name, expected] : cases) {
        TestEnv env;
        env.ConnectHost("")->name = name;
        EXPECT_EQ(GetHostName(), expected) << name.value_or("<unreadable>");
    }
}

TEST(GetHostVersion, TakesTheLeadingDigitsOfTheMajorPart) {
    const std::pair<Text, std::int16_t> cases[] = {
        {"12.0", 12}, {"9.0", 9},    {"14", 14},         {"11.0.5604", 11}, {".5", 0},
        {"abc", 0},   {"12a.0", 12}, {"32767.1", 32767}, {"32768.0", -1},   {std::nullopt, -1},
    };
    for (const auto& [version, expected] : cases) {
        TestEnv env;
        env.ConnectHost("Microsoft Word")->version = version;
        EXPECT_EQ(GetHostVersion(), expected) << version.value_or("<unreadable>");
    }
    TestEnv env;  // no host at all
    EXPECT_EQ(GetHostVersion(), -1);
    EXPECT_EQ(GetHostName(), "Office");
}

TEST(InitProductTexts, FollowsLanguageAndHostOnEachCall) {
    const std::tuple<std::int16_t, const char*, const char*> cases[] = {
        {0, "Microsoft Word", "Veltrano Archivierungs-Assistent v3.00|Archivierungs-Assistent|"
                              "Dokumentation Veltrano Archivierungs-Assistent für Word"},
        {1, "Microsoft Excel", "Veltrano Archiving Wizard v3.00|Archiving Wizard|"
                               "Manual Veltrano Archiving Wizard for Excel"},
        {-1, "Microsoft PowerPoint", "Veltrano Archiving Wizard v3.00|Archiving Wizard|"
                                     "Manual Veltrano Archiving Wizard for PowerPoint"},
    };
    TestEnv env;  // one module for all: each call recomputes every text
    for (const auto& [lang, host, texts] : cases) {
        env.ConnectHost(host, "16.0", lang);
        EXPECT_EQ(Module().ProductTitle + "|" + Module().ProductName + "|" + Module().ManualName, texts);
    }
    EXPECT_EQ(BuildTextFor(0) + BuildTextFor(1234), ", Build 1234");  // only a non-zero revision shows
}
