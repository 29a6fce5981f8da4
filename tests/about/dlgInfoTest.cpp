#include <gtest/gtest.h>

#include "about/About.h"
#include "about/dlgInfo.h"
#include "support/Identity.h"
#include "support/Version.h"
#include "testkit/TestEnv.h"

namespace ardeko::testkit {
namespace {

// A dialog loaded for the host and language, as the modal show would.
std::unique_ptr<dlgInfo> Loaded(TestEnv& env, const std::string& app, std::int16_t lang) {
    env.ConnectHost(app, "16.0", lang);
    auto d = std::make_unique<dlgInfo>();
    d->Load();
    return d;
}

// Clicks the control of this name; returns what it opened.
std::string Click(TestEnv& env, dlgInfo& d, const std::string& name) {
    env.shell.executed.clear();
    d.FindControl(name)->PerformClick();
    return env.shell.executed.empty() ? "" : env.shell.executed.back().file;
}

TEST(InfoTest, AdvertisingAndLinksPerHost) {
    const std::tuple<const char*, const char*, std::string, std::string> cases[] = {  // host, newsletter, pages
        {"Microsoft Word", "Word-Weekly", "word", "word"}, {"Microsoft Excel", "Excel-Weekly", "excel", "excel"},
        {"Microsoft Access", "Access-Weekly", "access", "access"},
        {"Microsoft PowerPoint", "Office-Weekly", "office", "powerpoint"}, {"Notepad", "Office-Weekly", "office", "office"}};
    const std::pair<const char*, const char*> links[] = {
        {"lblProdukt", "https://www.example.com/katalog/archivierungs-assistent/"},
        {"Image1", "https://www.example.com/"}, {"urlKatalog", "https://www.example.com/katalog/"},
        {"Label9", "mailto:support@example.com"}, {"lblAdresse", "mailto:support@example.com?Subject=Kataloganforderung..."}};
    for (const auto& [app, newsletter, page, catalogue] : cases) {
        SCOPED_TRACE(app);
        TestEnv env;
        auto d = Loaded(env, app, 0);
        EXPECT_NE(d->lblWerbung.Caption.find(newsletter), std::string::npos);
        EXPECT_GT(d->lblWerbung.Height, 195) << "the text wraps and the label grows";
        EXPECT_EQ(d->urlAbbo.Top, d->lblWerbung.Bottom() + 128);
        for (const char* name : {"urlAbbo", "imgWeekly"})
            EXPECT_EQ(Click(env, *d, name), "https://www.example.com/newsletter/" + page + "-weekly/") << name;
        EXPECT_EQ(Click(env, *d, "urlToolsKatalog"), "https://www.example.com/katalog/" + catalogue + "/");
        for (const auto& [name, target] : links) EXPECT_EQ(Click(env, *d, name), target) << name;
    }
}

TEST(InfoTest, TextsLayoutAndButtonsPerLanguage) {
    for (std::int16_t lang : {0, 1, 2}) {  // only 1 gives the English layout; 2 has no texts of its own
        SCOPED_TRACE(lang);
        TestEnv env;
        env.clock.now.year = 2031;
        auto d = Loaded(env, "Microsoft Excel", lang);
        const bool en = lang == 1;
        EXPECT_EQ(d->Caption, (lang ? "Veltrano Archiving Wizard v3.00" : "Veltrano Archivierungs-Assistent v3.00") + GetBuildText());
        EXPECT_EQ(d->XPForm.Caption, d->Caption);
        EXPECT_EQ(BuildTextFor(0) + BuildTextFor(1234), ", Build 1234");  // only a non-zero revision shows
        EXPECT_EQ(d->lblProdukt.Caption, lang ? "Archiving Wizard v3.00" : "Archivierungs-Assistent v3.00");
        EXPECT_EQ(d->lblCR.Caption, "Copyright © 2031 Veltrano Publishing");
        EXPECT_EQ(d->lblProg1.Caption, en ? "Programing && Documentation" : "Programmierung && Dokumentation");
        EXPECT_EQ(d->btnHelp.Caption, en ? "Help" : " Hilfe");
        EXPECT_EQ(d->Width, en ? dlgInfo::DesignWidth / 2 : dlgInfo::DesignWidth);
        EXPECT_EQ(d->lblWerbung.Caption.empty(), en) << "no advertising in the English UI";
        EXPECT_EQ(Click(env, *d, "imgMail"), std::string("mailto:support@example.com?Subject=") + (lang ? "Infos..." : "Kataloganforderung..."));
        EXPECT_EQ(d->Image1.ToolTipText.empty(), en) << "tooltips exist in German only";
        for (const ui::Control* c : d->Controls()) EXPECT_TRUE(!en || c->ToolTipText.empty()) << c->Name();
        for (auto c : std::initializer_list<const ui::Control*>{&d->lblKatAnforderung, &d->lblTTD, &d->urlKatalog, &d->imgInfo})
            EXPECT_EQ(c->Visible, !en) << c->Name();
        // The English window cuts off the advertising panel but not the buttons.
        EXPECT_TRUE(!en || (d->pfWerbung.Left >= d->Width && d->btnDone.Right() <= d->Width && d->btnHelp.Right() <= d->Width));
        env.shell.execResult = {2, 0};  // a link that cannot be opened: the opener reports it, the dialog stays
        Click(env, *d, "Image1");
        d->btnHelp.PerformClick();  // no documentation anywhere: the help's notice
        EXPECT_TRUE(env.ui.systemBoxes.size() == 1 && env.ui.styledBoxes.size() == 1 && d->Loaded());
        d->btnDone.PerformClick();
        EXPECT_FALSE(d->Loaded());
    }
}

TEST(InfoTest, EveryShowStartsFromTheDesign) {
    TestEnv env;
    std::vector<int> widths;
    env.ui.onModalByName["dlgInfo"] = [&](ui::Form& form) { widths.push_back(form.Width), form.Width = 1; };
    env.ConnectHost("Microsoft Excel", "16.0", 1);
    ShowInfoDialog();
    ShowInfoDialog();
    EXPECT_EQ(widths, (std::vector<int>{dlgInfo::DesignWidth / 2, dlgInfo::DesignWidth / 2}));
}

}  // namespace
}  // namespace ardeko::testkit
