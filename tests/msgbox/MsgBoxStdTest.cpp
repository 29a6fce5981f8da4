#include <gtest/gtest.h>

#include "msgbox/MsgBox.h"
#include "support/Module.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Strings = std::vector<std::string>;

TEST(MsgBoxStd, GermanButtonSetsBecomeCaptionLists) {
    struct Case {
        std::int32_t flags;
        std::int32_t sent;
        Strings captions;
    };
    const Case cases[] = {
        {0, 1024, {"OK"}},
        {vbOKCancel, 1024, {"OK", "&Abbrechen"}},
        {vbAbortRetryIgnore, 1024, {"&Abbrechen", "&Wiederholen", "&Ignorieren"}},
        {vbYesNoCancel, 1024, {"&Ja", "&Nein", "&Abbrechen"}},
        {vbYesNo, 1024, {"&Ja", "&Nein"}},
        {vbRetryCancel, 1024, {"&Wiederholen", "&Abbrechen"}},
        {vbYesNo + vbQuestion, 1056, {"&Ja", "&Nein"}},
        {vbYesNo + vbQuestion + vbDefaultButton2, 1312, {"&Ja", "&Nein"}},
        {vbOKCancel + vbExclamation, 1072, {"OK", "&Abbrechen"}},
        {vbCritical, 1040, {"OK"}},
        {vbInformation + vbDefaultButton3 + vbYesNoCancel, 1600, {"&Ja", "&Nein", "&Abbrechen"}},
    };
    for (const Case& c : cases) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", 0);
        MsgBoxStd("Text", c.flags, "Titel");
        ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
        EXPECT_EQ(env.ui.styledBoxes[0].flags, c.sent) << c.flags;
        EXPECT_EQ(env.ui.styledBoxes[0].captions, c.captions) << c.flags;
    }
}

TEST(MsgBoxStd, EnglishPassesFlagsUnchanged) {
    for (std::int32_t flags : {0, 1, 2, 3, 4, 5, 36, 292, 64}) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", 1);
        MsgBoxStd("Text", flags, "Title");
        ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
        EXPECT_EQ(env.ui.styledBoxes[0].flags, flags);
        EXPECT_EQ(env.ui.styledBoxes[0].captions, Strings{"OK"});
    }
}

TEST(MsgBoxStd, PreparesPromptAndTitleForTheStyledService) {
    TestEnv env;
    env.ConnectHost("Microsoft Word");
    Module().ColorScheme = 7;
    MsgBoxStd("Daten & Fakten\r\nZeile 2", vbOKOnly, "A & B && C");
    ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
    const auto& box = env.ui.styledBoxes[0];
    EXPECT_EQ(box.prompt, "\r\nDaten && Fakten\r\nZeile 2");
    EXPECT_EQ(box.title, "A && B &&&& C");
    EXPECT_EQ(box.colorScheme, 7);

    MsgBoxStd("ohne Titel");
    EXPECT_EQ(env.ui.styledBoxes[1].title, "Veltrano Archivierungs-Assistent v3.00");
    EXPECT_EQ(env.ui.styledBoxes[1].prompt, "\r\nohne Titel");
    MsgBoxStd("leerer Titel", vbOKOnly, "");
    EXPECT_EQ(env.ui.styledBoxes[2].title, "");
}

TEST(MsgBoxStd, ReturnsTheServiceResult) {
    TestEnv env;
    env.ConnectHost("Microsoft Word");
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return vbNo; };
    EXPECT_EQ(MsgBoxStd("Frage?", vbYesNo + vbQuestion), vbNo);
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return vbCancel; };
    EXPECT_EQ(MsgBoxStd("Frage?", vbOKCancel), vbCancel);
}

TEST(MsgBoxStd, AFailingServiceGivesZero) {
    TestEnv env;
    env.ConnectHost("Microsoft Word");
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) -> int { throw std::runtime_error("down"); };
    EXPECT_EQ(MsgBoxStd("x", vbOKCancel), 0);
    platform::ports().ui = nullptr;
    EXPECT_EQ(MsgBoxStd("x"), 0);
}
