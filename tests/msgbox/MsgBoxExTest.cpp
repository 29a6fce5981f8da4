#include <gtest/gtest.h>

#include "msgbox/MsgBox.h"
#include "msgbox/frmMsgBoxEx.h"
#include "support/Module.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Strings = std::vector<std::string>;

namespace {

// What the dialog looked like while it was shown.
struct Shot {
    struct Btn {
        std::string caption;
        int left, top, width;
        bool visible, isDefault, isCancel;
    };
    Btn btn[3];
    bool helpVisible = false;
    int helpTop = 0, helpLeft = 0;
    std::string helpCaption, helpText;
    bool dontShowVisible = false;
    int dontShowTop = 0;
    std::string dontShowCaption;
    int promptHeight = 0, promptWidth = 0, formHeight = 0, formWidth = 0;
    std::string caption, decorationCaption, icon, prompt;
    std::int16_t defaultButton = 0, cancelButton = 0;
    int colorScheme = -1;
    bool attached = false;
};

// A test with the dialog answered by `act` after its look has been recorded in `shot`.
class MsgBoxExTest : public ::testing::Test {
protected:
    TestEnv env;
    Shot shot;
    std::function<void(frmMsgBoxEx&)> act;

    void SetUp() override {
        env.ConnectHost("Microsoft Word", "16.0", 0);
        env.ui.onModalByName["frmMsgBoxEx"] = [this](ui::Form& form) {
            auto& f = dynamic_cast<frmMsgBoxEx&>(form);
            ui::Button* buttons[] = {&f.btn1, &f.btn2, &f.btn3};
            for (int i = 0; i < 3; ++i) {
                const ui::Button& b = *buttons[i];
                shot.btn[i] = {b.Caption, b.Left, b.Top, b.Width, b.Visible, b.Default, b.Cancel};
            }
            shot.helpVisible = f.btnHelp.Visible;
            shot.helpTop = f.btnHelp.Top;
            shot.helpLeft = f.btnHelp.Left;
            shot.helpCaption = f.btnHelp.Caption;
            shot.helpText = f.lblHelp.Caption;
            shot.dontShowVisible = f.cbDontShow.Visible;
            shot.dontShowTop = f.cbDontShow.Top;
            shot.dontShowCaption = f.cbDontShow.Caption;
            shot.promptHeight = f.lblPrompt.Height;
            shot.promptWidth = f.lblPrompt.Width;
            shot.formHeight = f.Height;
            shot.formWidth = f.Width;
            shot.caption = f.Caption;
            shot.decorationCaption = f.XPForm.Caption;
            shot.icon = f.imgIcon.Picture;
            shot.prompt = f.lblPrompt.Caption;
            shot.defaultButton = f.DefaultButton;
            shot.cancelButton = f.CancelButton;
            shot.colorScheme = f.XPForm.ColorScheme;
            shot.attached = f.XPForm.Attached;
            if (act) act(f);
        };
    }
    void TearDown() override { SetMsgBoxExFormFactory(nullptr); }
};

// With the renderer's default metrics (frame 3, caption 18): u = 2 * round(7.8 + 18) = 52.
constexpr int u = 52;
// Fixed-width measuring: 90 twips a character, 195 a line.
constexpr int cw = 90;

}  // namespace

TEST_F(MsgBoxExTest, LaysTheButtonsOutRightAlignedAtTheGuideLine) {
    act = [](frmMsgBoxEx& f) { f.btn2.PerformClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein", "Abbrechen"}, false), 2);

    // The icon (top 750, 480 high) reaches lower than the one-line prompt.
    const int y = 750 + 480 + u + 3 * u;
    const int w3 = 9 * cw + 500, w2 = 4 * cw + 500, w1 = 2 * cw + 500;
    EXPECT_EQ(shot.btn[2].left, 7275 - w3);
    EXPECT_EQ(shot.btn[1].left, 7275 - w3 - u - w2);
    EXPECT_EQ(shot.btn[0].left, 7275 - w3 - u - w2 - u - w1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shot.btn[i].top, y);
        EXPECT_TRUE(shot.btn[i].visible);
    }
    EXPECT_EQ(shot.btn[0].width, w1);
    EXPECT_EQ(shot.helpTop, y);
    EXPECT_EQ(shot.helpLeft, 150);
    EXPECT_EQ(shot.formHeight, y + 390 + 3 * u);
    EXPECT_EQ(shot.promptWidth, 7275 - 825);
    EXPECT_EQ(shot.promptHeight, 195);
    EXPECT_FALSE(shot.dontShowVisible);
}

TEST_F(MsgBoxExTest, LayoutUnitFollowsTheSystemMetrics) {
    struct Case {
        int frame, caption, unit;
    };
    const Case cases[] = {{3, 18, 52}, {4, 19, 58}, {5, 20, 66}, {1, 0, 6}, {0, 0, 0}};
    for (const Case& c : cases) {
        env.ui.metrics[platform::SM_CYDLGFRAME_] = c.frame;
        env.ui.metrics[platform::SM_CYCAPTION_] = c.caption;
        MsgBoxEx("Kurz", {"Ja", "Nein"}, false);
        const int w2 = 4 * cw + 500, w1 = 2 * cw + 500;
        EXPECT_EQ(shot.btn[0].left, 7275 - w2 - c.unit - w1) << c.frame << "/" << c.caption;
        EXPECT_EQ(shot.btn[0].top, 750 + 480 + c.unit + 3 * c.unit);
    }
}

TEST_F(MsgBoxExTest, AnEmptyCaptionHidesItsButtonButKeepsTheGap) {
    act = [](frmMsgBoxEx& f) { f.btn3.PerformClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "", "Abbrechen"}, false), 3);
    const int w3 = 9 * cw + 500;
    EXPECT_FALSE(shot.btn[1].visible);
    EXPECT_EQ(shot.btn[1].width, 1740);
    EXPECT_EQ(shot.btn[1].left, 7275 - w3 - u - 1740);
    EXPECT_EQ(shot.btn[0].left, 7275 - w3 - u - 1740 - u - (2 * cw + 500));
}

TEST_F(MsgBoxExTest, ShowsAtMostThreeButtonsAndLeavesUnusedOnesHidden) {
    act = [](frmMsgBoxEx& f) { f.btn1.PerformClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Eins", "Zwei", "Drei", "Vier"}, false), 1);
    EXPECT_EQ(shot.btn[2].caption, "Drei");
    EXPECT_EQ(shot.btn[2].left, 7275 - (4 * cw + 500));

    MsgBoxEx("Kurz", {"Allein"}, false);
    EXPECT_TRUE(shot.btn[0].visible);
    EXPECT_FALSE(shot.btn[1].visible);
    EXPECT_FALSE(shot.btn[2].visible);
    EXPECT_EQ(shot.btn[0].left, 7275 - (6 * cw + 500));
}

TEST_F(MsgBoxExTest, NarrowCaptionsKeepTheDesignedWidth) {
    env.ui.charWidth = 5;  // one character measures 5 twips: not more than 10
    MsgBoxEx("Kurz", {"J", "Nein"}, false);
    EXPECT_EQ(shot.btn[0].width, 1740);
    EXPECT_EQ(shot.btn[1].width, 4 * 5 + 500);
}

TEST_F(MsgBoxExTest, TheCheckBoxSitsBelowTheTextAndAddsToTheResult) {
    act = [](frmMsgBoxEx& f) {
        f.cbDontShow.Value = true;
        f.btn1.PerformClick();
    };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein"}, true), 257);
    const int top = 750 + 480 + u + 3 * u;
    EXPECT_TRUE(shot.dontShowVisible);
    EXPECT_EQ(shot.dontShowTop, top);
    EXPECT_EQ(shot.dontShowCaption, "Diese Meldung nicht mehr anzeigen");
    const int y = top + 255 + 3 * u;
    EXPECT_EQ(shot.btn[0].top, y);
    EXPECT_EQ(shot.formHeight, y + 390 + 3 * u);
}

TEST_F(MsgBoxExTest, DoubleClickOnTheFormEndsWith99) {
    act = [](frmMsgBoxEx& f) { f.DblClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja"}, true), 99);
    act = [](frmMsgBoxEx& f) {
        f.cbDontShow.Value = true;
        f.DblClick();
    };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja"}, true), 99 + 256);
}

TEST_F(MsgBoxExTest, ClosingWithoutAButtonKeepsThePreviousResult) {
    act = [](frmMsgBoxEx& f) { f.btn2.PerformClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein"}, false), 2);
    act = nullptr;  // closed through the window frame
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein"}, false), 2);
}

TEST_F(MsgBoxExTest, ALongPromptMakesTheDialogTallerNotWider) {
    MsgBoxEx("Kurz", {"OK"}, false);
    const int shortHeight = shot.formHeight, width = shot.formWidth;
    std::string prompt;
    for (int i = 0; i < 12; ++i) prompt += "Zeile " + std::to_string(i) + "\r\n";
    prompt += std::string(200, 'x');  // and one line that wraps
    MsgBoxEx(prompt, {"OK"}, false);
    const int perLine = (7275 - 825) / cw;
    const int lines = 12 + (200 + perLine - 1) / perLine;
    EXPECT_EQ(shot.promptHeight, lines * 195);
    EXPECT_EQ(shot.btn[0].top, 750 + lines * 195 + 3 * u);
    EXPECT_GT(shot.formHeight, shortHeight);
    EXPECT_EQ(shot.formWidth, width);
    EXPECT_EQ(shot.promptWidth, 7275 - 825);
}

TEST_F(MsgBoxExTest, IconsCopyTheirPictureAndOthersKeepTheDesignedOne) {
    const std::pair<std::optional<std::int32_t>, const char*> cases[] = {
        {vbQuestion, "Frage"}, {vbExclamation, "Warn"}, {vbCritical, "Stop"},
        {vbInformation, "Info"}, {std::nullopt, "Info"}, {0, "Info"},
    };
    for (const auto& [icon, picture] : cases) {
        MsgBoxEx("Kurz", {"OK"}, false, icon);
        EXPECT_EQ(shot.icon, picture);
    }
}

TEST_F(MsgBoxExTest, TitlePromptAndDecoration) {
    Module().ColorScheme = 3;
    MsgBoxEx("A & B", {"OK"}, false, std::nullopt, "Datei & Ordner");
    EXPECT_EQ(shot.caption, "Datei && Ordner");
    EXPECT_EQ(shot.decorationCaption, "Datei && Ordner");
    EXPECT_EQ(shot.prompt, "A & B");  // the prompt keeps its single "&"
    EXPECT_EQ(shot.colorScheme, 3);
    EXPECT_TRUE(shot.attached);

    MsgBoxEx("Kurz", {"OK"}, false);
    EXPECT_EQ(shot.caption, "MsgBoxEx...");
    EXPECT_EQ(env.ui.broughtToFront, (Strings{"frmMsgBoxEx", "frmMsgBoxEx"}));
    EXPECT_EQ(env.ui.shownForms, (Strings{"frmMsgBoxEx", "frmMsgBoxEx"}));
}

TEST_F(MsgBoxExTest, PumpsMessagesWhileLoadingAndAfterClosing) {
    act = [this](frmMsgBoxEx&) { EXPECT_EQ(env.ui.doEventsCalls, 1); };
    MsgBoxEx("Kurz", {"OK"}, false);
    EXPECT_EQ(env.ui.doEventsCalls, 2);
}

TEST_F(MsgBoxExTest, DefaultAndCancelButtonsAreMarkedAndStored) {
    MsgBoxEx("Kurz", {"Ja", "Nein", "Abbrechen"}, false, std::nullopt, std::nullopt, std::nullopt, 2, 3);
    EXPECT_EQ(shot.defaultButton, 2);
    EXPECT_EQ(shot.cancelButton, 3);
    EXPECT_TRUE(shot.btn[1].isDefault);
    EXPECT_TRUE(shot.btn[2].isCancel);
    EXPECT_FALSE(shot.btn[0].isDefault || shot.btn[0].isCancel);

    MsgBoxEx("Kurz", {"Ja"}, false);
    EXPECT_EQ(shot.defaultButton, -1);
    EXPECT_EQ(shot.cancelButton, -1);
    EXPECT_FALSE(shot.btn[1].isDefault);  // a new dialog each time
}

TEST_F(MsgBoxExTest, ErrorsAfterLoadingReachTheCaller) {
    EXPECT_THROW(MsgBoxEx("Kurz", {"Ja"}, false, std::nullopt, std::nullopt, std::nullopt, 4), std::exception);
    EXPECT_TRUE(env.ui.shownForms.empty());
    EXPECT_TRUE(env.ui.systemBoxes.empty());
}

TEST_F(MsgBoxExTest, AFormThatCannotBeLoadedGivesMinusOneAndASystemBox) {
    SetMsgBoxExFormFactory([]() -> std::unique_ptr<frmMsgBoxEx> { throw std::runtime_error("Ressource fehlt"); });
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja"}, false), -1);
    EXPECT_EQ(env.ui.beeps, 1);
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "MsgBoxEx: Form 'frmMsgBoxEx' nicht gefunden (Ressource fehlt)...");
    EXPECT_EQ(env.ui.systemBoxes[0].flags, vbOKOnly);
    EXPECT_TRUE(env.ui.shownForms.empty());

    SetMsgBoxExFormFactory(nullptr);
    act = [](frmMsgBoxEx& f) { f.btn1.PerformClick(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja"}, false), 1);
}

TEST_F(MsgBoxExTest, BlankHelpTextHidesTheHelpButton) {
    const std::pair<std::optional<std::string>, bool> cases[] = {
        {std::nullopt, false}, {"", false}, {"   ", false}, {"Mehr dazu", true}};
    for (const auto& [help, visible] : cases) {
        MsgBoxEx("Kurz", {"OK"}, false, std::nullopt, std::nullopt, help);
        EXPECT_EQ(shot.helpVisible, visible) << help.value_or("<none>");
        EXPECT_EQ(shot.helpText, visible ? *help : "");
    }
}

TEST_F(MsgBoxExTest, HelpButtonShowsTheHelpTextInTheLanguageOfTheUi) {
    act = [](frmMsgBoxEx& f) {
        f.btnHelp.PerformClick();
        f.btn1.PerformClick();
    };
    EXPECT_EQ(MsgBoxEx("Kurz", {"OK"}, false, std::nullopt, std::nullopt, "Mehr & dazu"), 1);
    EXPECT_EQ(shot.helpCaption, "Hilfe");
    ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
    EXPECT_EQ(env.ui.styledBoxes[0].prompt, "\r\nMehr && dazu");
    EXPECT_EQ(env.ui.styledBoxes[0].flags, vbInformation + 1024);
    EXPECT_EQ(env.ui.styledBoxes[0].title, "Hilfe:");

    Module().CurrLang = 1;
    MsgBoxEx("Short", {"OK"}, true, std::nullopt, std::nullopt, "More");
    EXPECT_EQ(shot.helpCaption, "Help");
    EXPECT_EQ(shot.dontShowCaption, "Don't show this message again");
    ASSERT_EQ(env.ui.styledBoxes.size(), 2u);
    EXPECT_EQ(env.ui.styledBoxes[1].flags, vbInformation);
    EXPECT_EQ(env.ui.styledBoxes[1].title, "Help:");
}

TEST_F(MsgBoxExTest, HelpButtonWithoutTextOnlyBeeps) {
    act = [](frmMsgBoxEx& f) {
        f.lblHelp.Caption.clear();
        f.btnHelp.Visible = true;
        f.btnHelp.PerformClick();
    };
    MsgBoxEx("Kurz", {"OK"}, false, std::nullopt, std::nullopt, "Mehr");
    EXPECT_EQ(env.ui.beeps, 1);
    EXPECT_TRUE(env.ui.styledBoxes.empty());
}
