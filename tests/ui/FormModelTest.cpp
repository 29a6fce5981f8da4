#include <gtest/gtest.h>

#include "platform/Ports.h"
#include "ui/HeadlessUi.h"
#include "ui/StandardButtons.h"

using namespace ardeko;
using namespace ardeko::ui;

// Option groups, list ticks and drop-down lists are exercised through the wizard's tests, the
// yes/no and retry lists of the standard buttons through the terminal renderer's, posted events
// (a click on "Stopp!" during a run) through the run driver's; wrapped text through the message
// dialog's layout.

struct SampleForm : Form {
    SampleForm() : Form("frmSample") { btnOk.Click = [this] { ++clicks; }; }
    void Form_Load() override { ++loads; }
    Button btnOk{*this, "btnOk"};
    int clicks = 0, loads = 0;
};

TEST(FormModel, ModalShowLoadsOnceClosesWhatTheScriptLeftOpenAndClicksOnlyEnabledVisibleControls) {
    HeadlessUi ui;
    platform::ScopedPorts scope{platform::Ports{nullptr, nullptr, nullptr, nullptr, nullptr, &ui}};
    SampleForm f;
    ui.onModal = [&](Form&) {
        f.Load();  // already loaded: no second Form_Load
        for (auto [enabled, visible] : {std::pair{false, true}, {true, false}, {true, true}}) {
            f.btnOk.Enabled = enabled;
            f.btnOk.Visible = visible;
            f.btnOk.PerformClick();
        }
    };
    f.ShowModal();
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(f.loads, 1);
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(f.TextWidth("Größe\r\nab"), 5 * ui.charWidth);  // code points of the widest line
}

TEST(StandardButtons, GermanCaptionListsStandForTheSetTheFlagsNoLongerCarry) {
    using R = platform::StyledMsgBoxRequest;
    const std::pair<R, const char*> cases[] = {
        {R{"", 1024, "", {"&Abbrechen", "&Wiederholen", "&Ignorieren"}}, "&Abbrechen=3 &Wiederholen=4 &Ignorieren=5 "},
        {R{"", 1024, "", {"OK", "&Abbrechen"}}, "OK=1 &Abbrechen=2 "},
        {R{"", 36, "", {"OK"}}, "Yes=6 No=7 "},             // English: the flags keep the set
        {R{"", 1024 + 4, "", {"Si", "No"}}, "Si=6 No=7 "},  // an unknown list: the flags decide
    };
    for (const auto& [request, buttons] : cases) {
        std::string shown;
        for (const auto& b : StandardButtons(request)) shown += b.caption + "=" + std::to_string(b.result) + " ";
        EXPECT_EQ(shown, buttons);
    }
    EXPECT_EQ(DefaultButtonIndex(R{"", 4 + 256, "", {}}, 2), 1);
    EXPECT_EQ(DefaultButtonIndex(R{"", 512, "", {}}, 2), 0);  // no third button
}
