#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "about/dlgInfo.h"
#include "msgbox/frmMsgBoxEx.h"
#include "platform/Ports.h"
#include "testkit/TestEnv.h"
#include "ui/HeadlessUi.h"
#include "ui/StandardButtons.h"
#include "wizard/frmArdeko.h"

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
    EXPECT_EQ(std::tie(f.clicks, f.loads), std::make_tuple(1, 1));
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

// --- what a renderer relies on ---------------------------------------------------------------

struct PanelForm : Form {
    PanelForm() : Form("frmPanel") {
        cbOne.SetContainer(frGroup);
        btnGo.Click = [this] {
            lblStatus.Caption = "läuft";
            platform::UI().DoEvents();
            platform::UI().DoEvents();  // nothing new: no second repaint
        };
    }
    Frame frGroup{*this, "frGroup"};
    CheckBox cbOne{*this, "cbOne"};
    OptionButton obA{*this, "obA", "g"}, obB{*this, "obB", "g"};
    CheckListBox lstItems{*this, "lstItems"};
    ComboList clPick{*this, "clPick"};
    Label lblStatus{*this, "lblStatus"};
    Button btnGo{*this, "btnGo"};
};

std::vector<std::string> Names(const std::vector<Control*>& controls) {
    std::vector<std::string> names;
    for (const Control* c : controls) names.push_back(c->Name());
    return names;
}

TEST(FormModel, SyncReportsEverythingFirstThenOnlyWhatChanged) {
    PanelForm f;
    f.lstItems.AddItem("a");
    FormSync sync(f);
    auto first = sync.Poll();
    ASSERT_TRUE(first.form);
    EXPECT_EQ(first.controls.size(), f.Controls().size());
    EXPECT_TRUE(sync.Poll().empty());

    f.lstItems.Items[0].Selected = true;  // a tick made by code
    f.obB.Select();
    f.lblStatus.ForeColor = Rgb(255, 0, 0);
    auto changes = sync.Poll();
    EXPECT_FALSE(changes.form);
    EXPECT_EQ(Names(changes.controls), (std::vector<std::string>{"obB", "lstItems", "lblStatus"}));

    f.MousePointer = MousePointerHourglass;
    changes = sync.Poll();
    ASSERT_TRUE(changes.form);
    EXPECT_EQ(changes.form->mousePointer, MousePointerHourglass);
    EXPECT_TRUE(changes.controls.empty());
}

TEST(FormModel, UserActionsRaiseEventsOnlyForRealChangesOfReachableControls) {
    PanelForm f;
    int clicks = 0, itemChecks = 0;
    for (Control* c : f.Controls()) c->Click = [&clicks] { ++clicks; };
    f.lstItems.ItemCheck = [&](int) { ++itemChecks; };
    f.lstItems.AddItem("a"), f.clPick.AddItem("x"), f.clPick.AddItem("y");
    // A widget reporting back what the code just set: no events.
    f.cbOne.Value = true, f.obA.Select(), f.lstItems.Items[0].Selected = true, f.clPick.ListIndex = 1;
    f.cbOne.UserSetValue(true), f.obA.UserSelect(), f.lstItems.UserSetSelected(0, true), f.clPick.UserSetListIndex(1);
    EXPECT_EQ(clicks + itemChecks, 0);
    f.cbOne.UserSetValue(false), f.obB.UserSelect(), f.lstItems.UserSetSelected(0, false), f.clPick.UserSetListIndex(0);
    EXPECT_EQ(std::tie(clicks, itemChecks, f.obA.Value), std::make_tuple(3, 1, false));
    // Disabled or hidden: the user cannot reach it.
    f.cbOne.Enabled = false, f.cbOne.UserSetValue(true);
    f.clPick.Visible = false, f.clPick.UserSetListIndex(1);
    EXPECT_EQ(std::tie(clicks, f.cbOne.Value, f.clPick.ListIndex), std::make_tuple(3, false, 0));
}

TEST(FormModel, NestedModalFormsKnowTheirOwnerAndReportTheirUnload) {
    HeadlessUi ui;
    platform::ScopedPorts scope{platform::Ports{nullptr, nullptr, nullptr, nullptr, nullptr, &ui}};
    SampleForm outer;
    PanelForm inner;
    Form* activeInside = nullptr;
    Form* ownerInside = nullptr;
    int unloads = 0;
    ui.onModalByName["frmSample"] = [&](Form&) {
        inner.ShowModal();
        outer.Unload();
    };
    ui.onModalByName["frmPanel"] = [&](Form&) {
        activeInside = Form::ActiveForm();
        ownerInside = inner.Owner();
        inner.btnGo.PerformClick();
    };
    inner.Unloaded = [&] { ++unloads; };  // set outside a show: the renderer's hook wins while shown
    outer.ShowModal();
    EXPECT_EQ(activeInside, &inner);
    EXPECT_EQ(ownerInside, &outer);
    EXPECT_EQ(ui.shownOwners, (std::vector<std::string>{"", "frmSample"}));
    EXPECT_EQ(Form::ActiveForm(), nullptr);
    EXPECT_EQ(inner.Owner(), nullptr);
    EXPECT_FALSE(inner.Loaded());
    EXPECT_EQ(unloads, 0);
    inner.Load();
    inner.Unload();
    EXPECT_EQ(unloads, 1);  // the hook is back once the show is over
    // The inner form's pumps saw its status label change once.
    EXPECT_EQ(ui.repaints, (std::map<std::string, int>{{"frmPanel.lblStatus", 1}}));
}

TEST(FormModel, AccessKeysAreMarkedInCaptionsOfEveryKindButNeverInListEntries) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"&Ja", "Ja", "J"},
        {"Pack && Go", "Pack & Go", ""},
        {"&&Über &Änderung", "&Über Änderung", "Ä"},
        {"Ende&", "Ende", ""},
    };
    for (const auto& [caption, shown, key] : cases) {
        EXPECT_EQ(DisplayText(caption), shown);
        EXPECT_EQ(AccessKey(caption), key);
    }
    PanelForm f;
    for (Control* c : f.Controls())
        EXPECT_EQ(c->AccessKeys(), c->HasCaption()) << c->Name();
}

TEST(FormModel, TheSystemsFormsPutContainersFirstAndTheirControlsInsideThem) {
    testkit::TestEnv env;
    env.ConnectHost("Excel");
    frmArdeko wizard;
    dlgInfo info;
    frmMsgBoxEx msgBox;
    std::set<std::string> boxes;
    for (Form* f : std::initializer_list<Form*>{&wizard, &info, &msgBox}) {
        f->Load();
        const auto& controls = f->Controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control *c = controls[i], *box = c->Container();
            if (!box) continue;
            boxes.insert(box->Name());
            EXPECT_LT(static_cast<std::size_t>(std::find(controls.begin(), controls.end(), box) - controls.begin()), i) << c->Name();
            EXPECT_TRUE(c->Left >= box->Left && c->Top >= box->Top && c->Right() <= box->Right() && c->Bottom() <= box->Bottom())
                << c->Name() << " outside " << box->Name();
        }
    }
    EXPECT_EQ(boxes.size(), 6u);  // four frames of the wizard, two panels of the About dialog
}
