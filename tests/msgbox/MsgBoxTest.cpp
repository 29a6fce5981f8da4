#include <fmt/format.h>
#include <gtest/gtest.h>

#include "msgbox/MsgBox.h"
#include "msgbox/frmMsgBoxEx.h"
#include "testkit/TestEnv.h"

using namespace ardeko;
using ardeko::testkit::TestEnv;
using Strings = std::vector<std::string>;
using Text = std::optional<std::string>;

// The button row as the user saw it: "caption@left+width" per button ("-" when hidden), the
// check box's top when shown, the row's top and the dialog's height.
static std::string Layout(const frmMsgBoxEx& f) {
    std::string s;
    for (const ui::Button* b : {&f.btn1, &f.btn2, &f.btn3})
        s += b->Visible ? fmt::format("{}@{}+{} ", b->Caption, b->Left, b->Width) : "- ";
    if (f.cbDontShow.Visible) s += fmt::format("cb{} ", f.cbDontShow.Top);
    return s + fmt::format("y{} h{}", f.btn1.Top, f.Height);
}

struct MsgBoxTest : ::testing::Test {
    TestEnv env;
    std::string seen;                       // Layout of the last dialog shown
    std::function<void(frmMsgBoxEx&)> act;  // what the user does while it is shown

    MsgBoxTest() {
        env.ConnectHost("Microsoft Word", "16.0", 0);
        env.ui.onModalByName["frmMsgBoxEx"] = [this](ui::Form& form) {
            auto& f = dynamic_cast<frmMsgBoxEx&>(form);
            seen = Layout(f);
            if (act) act(f);
        };
    }
    ~MsgBoxTest() override { SetMsgBoxExFormFactory(nullptr); }
};

TEST_F(MsgBoxTest, ExLaysTheButtonsOutRightAlignedBelowTextIconAndCheckBox) {
    // Unit u = 2 * round(2.6 * dialog frame + caption height): 52 for the renderer's 3 and 18. A button is 90
    // twips a character + 500 wide (the designed 1740 when its text measures 10 or less); the row
    // ends at the guide line (7275), u apart, 3u below the lower of text (from 750) and icon
    // (750 + 480) + u, or 3u below the check box (255 high) placed there; the dialog ends 3u below.
    const std::tuple<std::string, Strings, bool, int, const char*> cases[] = {  // ..., twips a character, layout
        {"Kurz", {"Ja", "Nein", "Abbrechen"}, false, 90, "Ja@4321+680 Nein@5053+860 Abbrechen@5965+1310 y1438 h1984"},
        {"Kurz", {"Ja", "", "Abbrechen"}, false, 90, "Ja@3441+680 - Abbrechen@5965+1310 y1438 h1984"},  // gap stays
        {"Kurz", {"Eins", "Zwei", "Drei", "Vier"}, false, 90, "Eins@4591+860 Zwei@5503+860 Drei@6415+860 y1438 h1984"},
        {"Kurz", {"J", "Nein"}, false, 5, "J@4963+1740 Nein@6755+520 - y1438 h1984"},  // "J" measures 5: not > 10
        {"Kurz", {"Ja", "Nein"}, true, 90, "Ja@5683+680 Nein@6415+860 - cb1438 y1849 h2395"},
        {std::string(145, 'x'), {"OK"}, false, 90, "OK@6595+680 - - y1491 h2037"},  // wraps at 6450 to 3 lines
    };
    for (const auto& [prompt, captions, dontShow, charWidth, layout] : cases) {
        env.ui.charWidth = charWidth;
        MsgBoxEx(prompt, captions, dontShow);
        EXPECT_EQ(seen, layout);
    }
}

TEST_F(MsgBoxTest, ExGivesTheButtonNumberOr99ForADoubleClickPlus256WhenTicked) {
    const std::pair<std::function<void(frmMsgBoxEx&)>, int> cases[] = {
        {[](frmMsgBoxEx& f) { f.btn1.PerformClick(); }, 1},
        {nullptr, 3},  // closed through the window frame: as the last visible button, never as the last answer
        {[](frmMsgBoxEx& f) { f.cbDontShow.Value = true; f.btn1.PerformClick(); }, 257},
        {[](frmMsgBoxEx& f) { f.PerformDblClick(); }, 99},
        {[](frmMsgBoxEx& f) { f.cbDontShow.Value = true; f.PerformDblClick(); }, 355},
    };
    for (const auto& [answer, result] : cases) {
        act = answer;
        EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein", "Abbrechen"}, true), result);
    }
    act = [](frmMsgBoxEx& f) { f.cbDontShow.Value = true; f.Unload(); };
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein", ""}, true), 258);
    act = nullptr;
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja", "Nein", "Abbrechen"}, false, std::nullopt, std::nullopt, std::nullopt, 1, 2), 2);
}

TEST_F(MsgBoxTest, ExShowsIconTitleAndDefaultAndCancelButtons) {
    std::string shown;
    act = [&](frmMsgBoxEx& f) {
        shown = fmt::format("icon={} prompt={} title={}/{} scheme={} attached={} default={}:{} cancel={}:{}",
                            f.imgIcon.Picture, f.lblPrompt.Caption, f.Caption, f.XPForm.Caption, f.XPForm.ColorScheme,
                            f.XPForm.Attached, f.DefaultButton, f.btn2.Default, f.CancelButton, f.btn3.Cancel);
    };
    Module().ColorScheme = 3;
    const std::pair<std::optional<std::int32_t>, const char*> icons[] = {
        {vbQuestion, "Frage"}, {vbExclamation, "Warn"}, {vbCritical, "Stop"}, {vbInformation, "Info"}};
    for (const auto& [icon, picture] : icons) {
        MsgBoxEx("A & B", {"Ja", "Nein", "Abbrechen"}, false, icon, "Datei & Ordner", std::nullopt, 2, 3);
        EXPECT_EQ(shown, fmt::format("icon={} prompt=A & B title=Datei && Ordner/Datei && Ordner scheme=3 "
                                     "attached=true default=2:true cancel=3:true", picture));
    }
    MsgBoxEx("Kurz", {"Ja", "Nein", "Abbrechen"}, false);  // a new dialog each time
    EXPECT_EQ(shown, "icon=Info prompt=Kurz title=MsgBoxEx.../MsgBoxEx... scheme=3 attached=true "
                     "default=-1:false cancel=-1:false");
    EXPECT_EQ(env.ui.broughtToFront, Strings(5, "frmMsgBoxEx"));
}

TEST_F(MsgBoxTest, ExFailsWithMinusOneWhenTheFormCannotLoadAndPassesLaterErrorsOn) {
    EXPECT_THROW(MsgBoxEx("Kurz", {"Ja"}, false, std::nullopt, std::nullopt, std::nullopt, 4), std::exception);
    SetMsgBoxExFormFactory([]() -> std::unique_ptr<frmMsgBoxEx> { throw std::runtime_error("Ressource fehlt"); });
    EXPECT_EQ(MsgBoxEx("Kurz", {"Ja"}, false), -1);
    EXPECT_EQ(std::to_string(env.ui.beeps) + " " + env.SystemBoxes(),
              "1 Veltrano Archivierungs-Assistent v3.00|0|MsgBoxEx: Form 'frmMsgBoxEx' nicht gefunden (Ressource fehlt)...\n");
}

TEST_F(MsgBoxTest, ExHelpButtonShowsTheHelpTextInTheLanguageOfTheUi) {
    std::string shown;
    act = [&](frmMsgBoxEx& f) {
        shown += fmt::format("{} {} {}\n", f.btnHelp.Visible, f.btnHelp.Caption, f.cbDontShow.Caption);
        f.btnHelp.PerformClick();  // a hidden button cannot be clicked
    };
    for (const Text& help : {Text(), Text(" \t "), Text("Mehr & dazu")})
        MsgBoxEx("Kurz", {"OK"}, true, std::nullopt, std::nullopt, help);
    Module().CurrLang = 1;
    MsgBoxEx("Short", {"OK"}, true, std::nullopt, std::nullopt, "More");
    EXPECT_EQ(shown, "false Hilfe Diese Meldung nicht mehr anzeigen\nfalse Hilfe Diese Meldung nicht mehr anzeigen\n"
                     "true Hilfe Diese Meldung nicht mehr anzeigen\ntrue Help Don't show this message again\n");
    EXPECT_EQ(env.StyledBoxes(), "Hilfe:|1088|\r\nMehr && dazu\nHelp:|64|\r\nMore\n");
    EXPECT_EQ(env.ui.beeps, 0);
}

TEST_F(MsgBoxTest, StdGermanReplacesTheButtonSetByCaptionsAndEnglishPassesTheFlags) {
    const std::tuple<std::int16_t, std::int32_t, const char*> cases[] = {  // flags sent, captions
        {0, vbOKOnly, "1024 OK"}, {0, vbAbortRetryIgnore, "1024 &Abbrechen,&Wiederholen,&Ignorieren"},
        {0, vbOKCancel + vbExclamation, "1072 OK,&Abbrechen"}, {0, vbRetryCancel, "1024 &Wiederholen,&Abbrechen"},
        {0, vbYesNoCancel + vbInformation + vbDefaultButton3, "1600 &Ja,&Nein,&Abbrechen"}, {1, vbRetryCancel, "5 OK"},
        {0, vbYesNo + vbQuestion + vbDefaultButton2, "1312 &Ja,&Nein"},
    };
    for (const auto& [lang, flags, sent] : cases) {
        Module().CurrLang = lang;
        MsgBoxStd("Text", flags, "Titel");
        const auto& box = env.ui.styledBoxes.back();
        EXPECT_EQ(fmt::format("{} {}", box.flags, fmt::join(box.captions, ",")), sent);
    }
}

TEST_F(MsgBoxTest, StdDoublesAmpersandsTitlesWithTheProductByDefaultAndGivesZeroWhenItFails) {
    Module().ColorScheme = 7;
    MsgBoxStd("Daten & Fakten\r\nZeile 2", vbOKOnly, "A & B && C");
    MsgBoxStd("ohne");
    MsgBoxStd("leer", vbOKOnly, "");
    EXPECT_EQ(env.StyledBoxes(), "A && B &&&& C|1024|\r\nDaten && Fakten\r\nZeile 2\n"
                                   "Veltrano Archivierungs-Assistent v3.00|1024|\r\nohne\n|1024|\r\nleer\n");
    EXPECT_EQ(env.ui.styledBoxes[0].colorScheme, 7);
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) { return vbNo; };
    EXPECT_EQ(MsgBoxStd("Frage?", vbYesNo), vbNo);
    env.ui.onStyledBox = [](const platform::StyledMsgBoxRequest&) -> int { throw std::runtime_error("down"); };
    EXPECT_EQ(MsgBoxStd("x", vbOKCancel), 0);
    platform::ports().ui = nullptr;
    EXPECT_EQ(MsgBoxStd("x"), 0);
}
