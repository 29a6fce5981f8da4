#include <fmt/format.h>
#include <gtest/gtest.h>

#include "support/Translate.h"
#include "testkit/TestEnv.h"

using namespace ardeko;

namespace {

struct frmSample : ui::Form {
    frmSample() : ui::Form("frmSample") {
        Caption = "designed"; Tag = "Archivierung|Archiving";
        btnHelp.Caption = "designed help"; btnHelp.Tag = "Hilfe| Klicken Sie hier...|Help|Click for documentation...";
        btnTwo.Caption = "kept"; btnTwo.Tag = "Zwei|Teile";  // not four parts: reported, and the next controls still get theirs
        lblMarked.ToolTipText = "designed tip"; lblMarked.Tag = "°PN für °AN & mehr||°PN for °AN & more|";
        lblPlain.Tag = "A & B||C & D|";
        btnWide.Caption = "x"; btnWide.Width = 1000; btnWide.Tag = "~Breiter Knopf||~Wide|";
        lvFiles.ColumnHeaders = {"1", "2", "3"}; lvFiles.Tag = "Name|Größe|Datum|Name|Size|Date";
        imgLogo.Tag = "Bild|Logo-Tipp|Picture|Logo tip";
    }
    // What the user sees of it, "|" between the controls.
    std::string Texts() const {
        return fmt::format("{}|{}/{}|{}|{}/{}|{}|{}:{}|{}|{}", Caption, btnHelp.Caption, btnHelp.ToolTipText, btnTwo.Caption,
                           lblMarked.Caption, lblMarked.ToolTipText, lblPlain.Caption, btnWide.Caption, btnWide.Width,
                           fmt::join(lvFiles.ColumnHeaders, ","), imgLogo.ToolTipText);
    }
    ui::Button btnHelp{*this, "btnHelp"}, btnTwo{*this, "btnTwo"}, btnWide{*this, "btnWide"};
    ui::Label lblMarked{*this, "lblMarked"}, lblPlain{*this, "lblPlain"};
    ui::ListView lvFiles{*this, "lvFiles"};
    ui::Image imgLogo{*this, "imgLogo"};
};

}  // namespace

TEST(TranslateForm, TakesTheLanguagesPartOfEachFourPartTag) {
    // Tool tips get a leading blank; "°PN"/"°AN" become product and host, and then every "&" is
    // doubled; a "~" caption loses the "~" and is fitted to its text (90 a character + 300).
    const std::tuple<std::int16_t, const char*, const char*> cases[] = {
        {0, "Microsoft Excel", " Archivierung|Hilfe/  Klicken Sie hier...|kept|Archivierungs-Assistent für Excel "
                               "&& mehr/designed tip|A & B|Breiter Knopf:1470|Name,Größe,Datum| Logo-Tipp"},
        {1, "Microsoft Access", " Archiving|Help/ Click for documentation...|kept|Archiving Wizard for Access && "
                                "more/designed tip|C & D|Wide:660|Name,Size,Date| Logo tip"},
        // A language beyond the tags leaves the texts alone.
        {5, "Microsoft Word", "designed|designed help/|kept|/designed tip||x:1000|1,2,3|"},
    };
    for (const auto& [lang, host, texts] : cases) {
        testkit::TestEnv env;
        env.ConnectHost(host, "16.0", lang);
        frmSample f;
        TranslateForm(f);
        EXPECT_EQ(f.Texts(), texts);
        EXPECT_EQ(f.btnHelp.SoundClick + " " + f.btnHelp.SoundHover,
                  env.shell.programFolder + "/Click.wav " + env.shell.programFolder + "/Hover.wav");
        EXPECT_EQ(f.MousePointer, ui::MousePointerDefault);
        EXPECT_EQ(env.ui.beeps, 1);
        ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
        const auto& box = env.ui.systemBoxes[0];
        EXPECT_EQ(box.text + "|" + box.title + "|" + std::to_string(box.flags),
                  "Please check translation settings: (F: frmSample, C: btnTwo)\r\n\r\n"
                  "(Msg logged, send LOG file to Tamrel...)|An Tamrel:|16");
    }
}
