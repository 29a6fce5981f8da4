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
        {"Microsoft Visio", "Office"}, {std::nullopt, "Office"},
    };
    for (const auto& [name, expected] : cases) {
        TestEnv env;
        env.ConnectHost("")->name = name;
        EXPECT_EQ(GetHostName(), expected) << name.value_or("<unreadable>");
    }
}

TEST(GetHostVersion, TakesTheLeadingDigitsOfTheMajorPart) {
    const std::pair<Text, std::int16_t> cases[] = {
        {"11.0.5604", 11}, {"14", 14}, {".5", 0}, {"12a.0", 12}, {"32767.1", 32767}, {"32768.0", -1}, {std::nullopt, -1},
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

// German and English titles and names for Word and Excel are checked where they show (About, help).
TEST(InitProductTexts, FollowsLanguageAndHostOnEachCall) {
    TestEnv env;  // one module for both: each call recomputes every text
    env.ConnectHost("Microsoft Word", "16.0", 0);
    env.ConnectHost("Microsoft PowerPoint", "16.0", -1);  // any language but German is English
    EXPECT_EQ(Module().ProductTitle + "|" + Module().ProductName + "|" + Module().ManualName,
              "Veltrano Archiving Wizard v3.00|Archiving Wizard|Manual Veltrano Archiving Wizard for PowerPoint");
    EXPECT_EQ(BuildTextFor(0) + BuildTextFor(1234), ", Build 1234");  // only a non-zero revision shows
}
