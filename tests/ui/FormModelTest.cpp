#include <gtest/gtest.h>

#include "platform/Ports.h"
#include "ui/Form.h"
#include "ui/HeadlessUi.h"
#include "ui/StandardButtons.h"

using namespace ardeko;
using namespace ardeko::ui;

namespace {

struct SampleForm : Form {
    SampleForm() : Form("frmSample") {
        btnOk.Click = [this] { ++clicks; Unload(); };
        lst.ItemCheck = [this](int i) { checked.push_back(i); };
    }
    Label lbl{*this, "lblText"};
    Button btnOk{*this, "btnOk"};
    OptionButton obA{*this, "obA", "g1"}, obB{*this, "obB", "g1"}, obOther{*this, "obOther", "g2"};
    CheckListBox lst{*this, "lstTypes"};
    ComboList cl{*this, "clYear"};
    Line line{*this, "Line1"};
    int clicks = 0, loads = 0, unloads = 0;
    std::vector<int> checked;

protected:
    void Form_Load() override { ++loads; }
    void Form_Unload() override { ++unloads; }
};

struct WithUi : ::testing::Test {
    HeadlessUi ui;
    platform::ScopedPorts scope{platform::Ports{nullptr, nullptr, nullptr, nullptr, nullptr, &ui}};
};

}  // namespace

TEST(FormModel, ControlsKeepDeclarationOrderAndTypeNames) {
    SampleForm f;
    std::vector<std::string> names, types;
    for (auto* c : f.Controls()) {
        names.push_back(c->Name());
        types.push_back(c->TypeName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"lblText", "btnOk", "obA", "obB", "obOther", "lstTypes",
                                               "clYear", "Line1"}));
    EXPECT_EQ(types[1], "XPButton");
    EXPECT_EQ(types[5], "ListBox");
    EXPECT_FALSE(f.line.HasCaption());
    EXPECT_FALSE(f.line.HasToolTip());
    EXPECT_EQ(f.FindControl("clYear"), &f.cl);
    EXPECT_EQ(f.FindControl("nope"), nullptr);
}

TEST(FormModel, ClicksReachOnlyEnabledVisibleControls) {
    SampleForm f;
    f.Load();
    f.btnOk.Enabled = false;
    f.btnOk.PerformClick();
    f.btnOk.Enabled = true;
    f.btnOk.Visible = false;
    f.btnOk.PerformClick();
    EXPECT_EQ(f.clicks, 0);
    f.btnOk.Visible = true;
    f.btnOk.PerformClick();
    EXPECT_EQ(f.clicks, 1);
    EXPECT_FALSE(f.Loaded());
}

TEST(FormModel, OptionButtonsExcludeEachOtherWithinTheirGroupOnly) {
    SampleForm f;
    f.obOther.Select();
    f.obA.Select();
    f.obB.Select();
    EXPECT_FALSE(f.obA.Value);
    EXPECT_TRUE(f.obB.Value);
    EXPECT_TRUE(f.obOther.Value);
}

TEST(FormModel, OnlyAUsersTickRaisesItemCheck) {
    SampleForm f;
    f.lst.AddItem("a");
    f.lst.AddItem("b");
    f.lst.Items[0].Selected = true;  // programmatic: silent
    f.lst.UserSetSelected(1, true);
    f.lst.UserSetSelected(5, true);  // out of range: ignored
    EXPECT_EQ(f.checked, std::vector<int>{1});
    EXPECT_EQ(f.lst.ListIndex, 1);
    EXPECT_TRUE(f.lst.Items[1].Selected);
}

TEST(FormModel, ComboListTextFollowsTheSelection) {
    SampleForm f;
    EXPECT_EQ(f.cl.Text(), "");
    f.cl.AddItem("2026");
    f.cl.AddItem("2025");
    EXPECT_TRUE(f.cl.SetText("2025"));
    EXPECT_EQ(f.cl.ListIndex, 1);
    EXPECT_FALSE(f.cl.SetText("1999"));
    EXPECT_EQ(f.cl.Text(), "2025");
}

TEST_F(WithUi, LoadRunsOnceAndModalShowClosesAFormTheScriptLeftOpen) {
    SampleForm f;
    f.ShowModal();
    EXPECT_EQ(f.loads, 1);
    EXPECT_EQ(f.unloads, 1);
    EXPECT_FALSE(f.Loaded());
    ui.onModalByName["frmSample"] = [](Form& form) { static_cast<SampleForm&>(form).btnOk.PerformClick(); };
    f.ShowModal();
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(f.loads, 2);
    EXPECT_EQ(ui.shownForms, (std::vector<std::string>{"frmSample", "frmSample"}));
}

TEST_F(WithUi, PostedEventsRunAtTheNextPumpAndEventsPostedThenWaitForTheOneAfter) {
    std::vector<int> order;
    ui.Post([&] {
        order.push_back(1);
        ui.Post([&] { order.push_back(2); });
    });
    EXPECT_TRUE(order.empty());
    ui.DoEvents();
    EXPECT_EQ(order, std::vector<int>{1});
    ui.DoEvents();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(WithUi, TextIsMeasuredByCodePointsAndWrapsAtTheLabelWidth) {
    SampleForm f;
    EXPECT_EQ(f.TextWidth("Größe"), 5 * ui.charWidth);
    EXPECT_EQ(f.TextWidth("ab\r\nabcd"), 4 * ui.charWidth);
    EXPECT_EQ(f.TextHeight("", 900), ui.lineHeight);
    EXPECT_EQ(f.TextHeight(std::string(25, 'x'), 10 * ui.charWidth), 3 * ui.lineHeight);
    EXPECT_EQ(f.TextHeight("a\r\nb", 900), 2 * ui.lineHeight);
}

TEST(HeadlessUi, UnscriptedStandardBoxesAnswerWithTheirFirstButton) {
    struct Case {
        std::int32_t flags;
        int result;
    } cases[] = {{0, 1}, {1, 1}, {2, 3}, {3, 6}, {4 + 32, 6}, {5, 4}};
    for (auto c : cases) EXPECT_EQ(HeadlessUi::FirstButtonResult(c.flags), c.result) << c.flags;
}

TEST(StandardButtons, GermanCaptionListsStandForTheSetTheFlagsNoLongerCarry) {
    using R = platform::StyledMsgBoxRequest;
    struct Case {
        R request;
        std::vector<int> results;
        std::string firstCaption;
    } cases[] = {
        {R{"", 1024 + 32, "", {"&Ja", "&Nein"}}, {6, 7}, "&Ja"},
        {R{"", 1024, "", {"&Ja", "&Nein", "&Abbrechen"}}, {6, 7, 2}, "&Ja"},
        {R{"", 1024, "", {"&Abbrechen", "&Wiederholen", "&Ignorieren"}}, {3, 4, 5}, "&Abbrechen"},
        {R{"", 1024, "", {"&Wiederholen", "&Abbrechen"}}, {4, 2}, "&Wiederholen"},
        {R{"", 1024, "", {"OK", "&Abbrechen"}}, {1, 2}, "OK"},
        {R{"", 1024 + 48, "", {"OK"}}, {1}, "OK"},
        {R{"", 36, "", {"OK"}}, {6, 7}, "Yes"},  // English: the flags keep the set
        {R{"", 0, "", {}}, {1}, "OK"},
    };
    for (const auto& c : cases) {
        auto buttons = StandardButtons(c.request);
        std::vector<int> results;
        for (auto& b : buttons) results.push_back(b.result);
        EXPECT_EQ(results, c.results) << c.request.flags;
        EXPECT_EQ(buttons.front().caption, c.firstCaption);
    }
    EXPECT_EQ(DefaultButtonIndex(R{"", 4 + 256, "", {}}, 2), 1);
    EXPECT_EQ(DefaultButtonIndex(R{"", 512, "", {}}, 2), 0);  // no third button
}
