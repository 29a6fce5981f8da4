#include <gtest/gtest.h>

#include "msgbox/frmMsgBoxEx.h"
#include "support/Module.h"
#include "support/Translate.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;

namespace {

class frmSample : public ui::Form {
public:
    frmSample() : ui::Form("frmSample") {
        Caption = "designed";
        btnHelp.Caption = "designed help";
        btnHelp.Tag = "Hilfe| Klicken Sie hier, um die Dokumentation anzuzeigen...|Help|Click for documentation...";
        btnInfo.Caption = "designed info";
        btnInfo.Tag = "Info| Klicken Sie hier, um Infos zum Add-In anzuzeigen...|Info| Click for infos...";
        btnDone.Caption = "designed done";
        btnDone.Tag = "OK|Zurück...|OK|Return...";
        lblMarked.Caption = "designed marked";
        lblMarked.Tag = "°PN für °AN & mehr||°PN for °AN & more|";
        lblPlain.Caption = "plain";
        lblPlain.Tag = "A & B||C & D|";
        btnWide.Caption = "x";
        btnWide.Width = 1000;
        btnWide.Tag = "~Breiter Knopf||~Wide|";
        btnTwo.Caption = "kept";
        btnTwo.Tag = "Zwei|Teile";
        btnBang.Caption = "bang";
        btnBang.Tag = "!";
        btnNoBar.Caption = "no bar";
        btnNoBar.Tag = "Nur Deutsch";
        lvFiles.ColumnHeaders = {"1", "2", "3"};
        lvFiles.Tag = "Name|Größe|Datum|Name|Size|Date";
        imgLogo.Tag = "Bild|Logo-Tipp|Picture|Logo tip";
        Line1.Tag = "Linie||Line|";
    }
    ui::Button btnHelp{*this, "btnHelp"};
    ui::Button btnInfo{*this, "btnInfo"};
    ui::Button btnDone{*this, "btnDone"};
    ui::Label lblMarked{*this, "lblMarked"};
    ui::Label lblPlain{*this, "lblPlain"};
    ui::Button btnWide{*this, "btnWide"};
    ui::Button btnTwo{*this, "btnTwo"};
    ui::Button btnBang{*this, "btnBang"};
    ui::Button btnNoBar{*this, "btnNoBar"};
    ui::ListView lvFiles{*this, "lvFiles"};
    ui::Image imgLogo{*this, "imgLogo"};
    ui::Line Line1{*this, "Line1"};
};

}  // namespace

TEST(TranslateForm, GivesTheMessageDialogItsCaptionsInBothLanguages) {
    struct Case {
        std::int16_t lang;
        const char* help;
        const char* dontShow;
    };
    const Case cases[] = {
        {0, "Hilfe", "Diese Meldung nicht mehr anzeigen"},
        {1, "Help", "Don't show this message again"},
    };
    for (const Case& c : cases) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", c.lang);
        frmMsgBoxEx form;
        form.btnHelp.ToolTipText = "designed tip";
        TranslateForm(form);
        EXPECT_EQ(form.btnHelp.Caption, c.help);
        EXPECT_EQ(form.cbDontShow.Caption, c.dontShow);
        EXPECT_EQ(form.btnHelp.ToolTipText, "designed tip");  // an empty tool-tip part changes nothing
        EXPECT_EQ(form.Caption, "MsgBoxEx...");                // no form tag
        EXPECT_EQ(form.MousePointer, ui::MousePointerDefault);
        EXPECT_EQ(env.ui.beeps, 0);
    }
}

TEST(TranslateForm, SetsCaptionsToolTipsAndSoundsFromFourPartTags) {
    TestEnv env;
    env.ConnectHost("Microsoft Word", "16.0", 0);
    frmSample f;
    TranslateForm(f);
    EXPECT_EQ(f.btnHelp.Caption, "Hilfe");
    EXPECT_EQ(f.btnHelp.ToolTipText, "  Klicken Sie hier, um die Dokumentation anzuzeigen...");
    EXPECT_EQ(f.btnDone.ToolTipText, " Zurück...");
    const std::string sounds = env.shell.programFolder + "/";
    EXPECT_EQ(f.btnHelp.SoundClick, sounds + "Click.wav");
    EXPECT_EQ(f.btnHelp.SoundHover, sounds + "Hover.wav");
    EXPECT_EQ(f.imgLogo.ToolTipText, " Logo-Tipp");  // no caption, but the tool tip is still set

    TestEnv english;
    english.ConnectHost("Microsoft Word", "16.0", 1);
    frmSample e;
    TranslateForm(e);
    EXPECT_EQ(e.btnHelp.Caption, "Help");
    EXPECT_EQ(e.btnHelp.ToolTipText, " Click for documentation...");
    EXPECT_EQ(e.btnInfo.ToolTipText, "  Click for infos...");
    EXPECT_EQ(e.btnDone.Caption, "OK");
}

TEST(TranslateForm, ReplacesMarkersAndThenDoublesAmpersands) {
    struct Case {
        std::int16_t lang;
        const char* host;
        const char* marked;
        const char* plain;
    };
    const Case cases[] = {
        {0, "Microsoft Excel", "Archivierungs-Assistent für Excel && mehr", "A & B"},
        {1, "Microsoft Access", "Archiving Wizard for Access && more", "C & D"},
    };
    for (const Case& c : cases) {
        TestEnv env;
        env.ConnectHost(c.host, "16.0", c.lang);
        frmSample f;
        TranslateForm(f);
        EXPECT_EQ(f.lblMarked.Caption, c.marked);
        EXPECT_EQ(f.lblPlain.Caption, c.plain);  // without "°" the "&" stays single
    }
}

TEST(TranslateForm, TildeCaptionsLoseTheTildeAndFitTheirText) {
    for (std::int16_t lang : {0, 1}) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", lang);
        frmSample f;
        TranslateForm(f);
        const std::string expected = lang == 0 ? "Breiter Knopf" : "Wide";
        EXPECT_EQ(f.btnWide.Caption, expected);
        EXPECT_EQ(f.btnWide.Width, static_cast<int>(expected.size()) * env.ui.charWidth + 300);
    }
}

TEST(TranslateForm, ReportsATagThatIsNotFourPartsAndKeepsTheCaption) {
    TestEnv env;
    env.ConnectHost("Microsoft Word");
    frmSample f;
    TranslateForm(f);
    EXPECT_EQ(f.btnTwo.Caption, "kept");
    EXPECT_EQ(env.ui.beeps, 1);
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text,
              "Please check translation settings: (F: frmSample, C: btnTwo)\r\n\r\n"
              "(Msg logged, send LOG file to Tamrel...)");
    EXPECT_EQ(env.ui.systemBoxes[0].title, "An Tamrel:");
    EXPECT_EQ(env.ui.systemBoxes[0].flags, 16);
    EXPECT_EQ(f.btnBang.Caption, "bang");      // "!" is not translated
    EXPECT_EQ(f.btnNoBar.Caption, "no bar");   // nor is a tag without "|"
    EXPECT_TRUE(f.btnBang.SoundClick.empty());
    EXPECT_EQ(f.btnHelp.Caption, "Hilfe");     // the controls after the faulty one still get theirs
}

TEST(TranslateForm, SetsListViewHeadersForTheLanguage) {
    for (std::int16_t lang : {0, 1}) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", lang);
        frmSample f;
        TranslateForm(f);
        EXPECT_EQ(f.lvFiles.ColumnHeaders, lang == 0 ? (std::vector<std::string>{"Name", "Größe", "Datum"})
                                                     : (std::vector<std::string>{"Name", "Size", "Date"}));
    }
}

TEST(TranslateForm, TakesTheFormCaptionFromTheFormTag) {
    for (std::int16_t lang : {0, 1}) {
        TestEnv env;
        env.ConnectHost("Microsoft Word", "16.0", lang);
        frmSample f;
        f.Tag = "Archivierung|Archiving";
        TranslateForm(f);
        EXPECT_EQ(f.Caption, lang == 0 ? " Archivierung" : " Archiving");
    }
}

TEST(TranslateForm, ALanguageBeyondTheTagsLeavesTextsAlone) {
    TestEnv env;
    env.ConnectHost("Microsoft Word", "16.0", 5);
    frmSample f;
    f.Tag = "Archivierung|Archiving";
    TranslateForm(f);
    EXPECT_EQ(f.Caption, "designed");
    EXPECT_EQ(f.btnHelp.Caption, "designed help");
    EXPECT_EQ(f.lvFiles.ColumnHeaders, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(f.MousePointer, ui::MousePointerDefault);
}
