#include <gtest/gtest.h>

#include "about/About.h"
#include "about/dlgInfo.h"
#include "support/Identity.h"
#include "testkit/TestEnv.h"

namespace ardeko::testkit {
namespace {

class InfoTest : public ::testing::Test {
protected:
    // Loads a fresh dialog for the host and language, as the modal show would.
    std::unique_ptr<dlgInfo> Loaded(const std::string& hostName, std::int16_t lang) {
        env.ConnectHost(hostName, "16.0", lang);
        auto d = std::make_unique<dlgInfo>();
        d->Load();
        return d;
    }
    std::string LastOpened() const { return env.shell.executed.empty() ? "" : env.shell.executed.back().file; }

    TestEnv env;
};

TEST_F(InfoTest, AdvertisingPerHost) {
    struct Case {
        const char* host;
        const char* newsletter;
        const char* signUp;
        const char* catalogue;
    };
    const Case cases[] = {
        {"Microsoft Word", "Word-Weekly", "https://www.example.com/newsletter/word-weekly/", "https://www.example.com/katalog/word/"},
        {"Microsoft Excel", "Excel-Weekly", "https://www.example.com/newsletter/excel-weekly/", "https://www.example.com/katalog/excel/"},
        {"Microsoft Access", "Access-Weekly", "https://www.example.com/newsletter/access-weekly/", "https://www.example.com/katalog/access/"},
        {"Microsoft PowerPoint", "Office-Weekly", "https://www.example.com/newsletter/office-weekly/", "https://www.example.com/katalog/powerpoint/"},
        {"Notepad", "Office-Weekly", "https://www.example.com/newsletter/office-weekly/", "https://www.example.com/katalog/office/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        auto d = Loaded(c.host, 0);
        EXPECT_NE(d->lblWerbung.Caption.find(c.newsletter), std::string::npos) << d->lblWerbung.Caption;
        EXPECT_NE(d->urlAbbo.ToolTipText.find(c.newsletter), std::string::npos);
        EXPECT_EQ(d->urlAbbo.Caption, "Kostenloses Abo anfordern");
        EXPECT_EQ(d->urlAbbo.Top, d->lblWerbung.Bottom() + 128);
        EXPECT_GT(d->lblWerbung.Height, 195) << "the text wraps and the label grows";

        d->urlAbbo.PerformClick();
        EXPECT_EQ(LastOpened(), c.signUp);
        d->imgWeekly.PerformClick();
        EXPECT_EQ(LastOpened(), c.signUp);
        const long pumps = env.ui.doEventsCalls;
        d->urlToolsKatalog.PerformClick();
        EXPECT_EQ(LastOpened(), c.catalogue);
        EXPECT_GT(env.ui.doEventsCalls, pumps);
        EXPECT_EQ(d->Width, dlgInfo::DesignWidth);
    }
}

TEST_F(InfoTest, GermanDialog) {
    env.clock.now.year = 2031;
    auto d = Loaded("Microsoft Word", 0);
    EXPECT_EQ(d->Caption, "Veltrano Archivierungs-Assistent v3.00" + GetBuildText());
    EXPECT_EQ(d->XPForm.Caption, d->Caption);
    EXPECT_TRUE(d->XPForm.Attached);
    EXPECT_EQ(d->lblProdukt.Caption, "Archivierungs-Assistent v3.00");
    EXPECT_NE(d->lblCR.Caption.find("2031"), std::string::npos) << d->lblCR.Caption;
    EXPECT_EQ(d->lblProg1.Caption, "Programmierung && Dokumentation");
    EXPECT_EQ(d->btnHelp.Caption, " Hilfe");
    EXPECT_EQ(d->btnDone.Caption, "OK");
    EXPECT_EQ(d->btnDone.ToolTipText, " Zurück...");
    for (const ui::Control* c : {static_cast<const ui::Control*>(&d->lblKatAnforderung),
                                 static_cast<const ui::Control*>(&d->lblTTD),
                                 static_cast<const ui::Control*>(&d->urlKatalog),
                                 static_cast<const ui::Control*>(&d->imgInfo)})
        EXPECT_TRUE(c->Visible) << c->Name();
    EXPECT_FALSE(d->Image1.ToolTipText.empty());
}

TEST_F(InfoTest, EnglishDialogIsHalfWideWithoutTooltips) {
    auto d = Loaded("Microsoft Excel", 1);
    EXPECT_EQ(d->Width, dlgInfo::DesignWidth / 2);
    EXPECT_EQ(d->Caption, "Veltrano Archiving Wizard v3.00" + GetBuildText());
    EXPECT_EQ(d->lblProdukt.Caption, "Archiving Wizard v3.00");
    EXPECT_EQ(d->lblProg1.Caption, "Programing && Documentation");
    EXPECT_EQ(d->btnHelp.Caption, "Help");
    EXPECT_NE(d->lblAdresse.Caption.find("Germany"), std::string::npos);
    for (const ui::Control* c : {static_cast<const ui::Control*>(&d->lblKatAnforderung),
                                 static_cast<const ui::Control*>(&d->lblTTD),
                                 static_cast<const ui::Control*>(&d->urlKatalog),
                                 static_cast<const ui::Control*>(&d->imgInfo)})
        EXPECT_FALSE(c->Visible) << c->Name();
    for (const ui::Control* c : d->Controls()) EXPECT_EQ(c->ToolTipText, "") << c->Name();
    // The advertising panel lies outside the window; the buttons stay inside.
    EXPECT_GE(d->pfWerbung.Left, d->Width);
    EXPECT_LE(d->btnDone.Right(), d->Width);
    EXPECT_LE(d->btnHelp.Right(), d->Width);
    EXPECT_TRUE(d->lblWerbung.Caption.empty()) << "no advertising in the English UI";
}

TEST_F(InfoTest, OtherNonZeroLanguageKeepsTheGermanLayout) {
    // Only 1 switches the dialog to English; the language index 2 has no texts of its own.
    auto d = Loaded("Microsoft Access", 2);
    EXPECT_EQ(d->Width, dlgInfo::DesignWidth);
    EXPECT_NE(d->lblWerbung.Caption.find("Access-Weekly"), std::string::npos);
    EXPECT_TRUE(d->lblTTD.Visible);
}

TEST_F(InfoTest, LinksOpenTheirTargets) {
    struct Case {
        std::int16_t lang;
        ui::Control& (*control)(dlgInfo&);
        const char* target;
    };
    const Case cases[] = {
        {0, [](dlgInfo& d) -> ui::Control& { return d.lblProdukt; }, "https://www.example.com/katalog/archivierungs-assistent/"},
        {0, [](dlgInfo& d) -> ui::Control& { return d.Image1; }, "https://www.example.com/"},
        {0, [](dlgInfo& d) -> ui::Control& { return d.urlKatalog; }, "https://www.example.com/katalog/"},
        {0, [](dlgInfo& d) -> ui::Control& { return d.Label9; }, "mailto:support@example.com"},
        {0, [](dlgInfo& d) -> ui::Control& { return d.lblAdresse; }, "mailto:support@example.com?Subject=Kataloganforderung..."},
        {0, [](dlgInfo& d) -> ui::Control& { return d.imgMail; }, "mailto:support@example.com?Subject=Kataloganforderung..."},
        {1, [](dlgInfo& d) -> ui::Control& { return d.lblAdresse; }, "mailto:support@example.com?Subject=Infos..."},
        {1, [](dlgInfo& d) -> ui::Control& { return d.imgMail; }, "mailto:support@example.com?Subject=Infos..."},
        {1, [](dlgInfo& d) -> ui::Control& { return d.Label9; }, "mailto:support@example.com"},
    };
    for (const auto& c : cases) {
        auto d = Loaded("Microsoft Word", c.lang);
        SCOPED_TRACE(c.control(*d).Name() + " / " + std::to_string(c.lang));
        env.shell.executed.clear();
        c.control(*d).PerformClick();
        ASSERT_EQ(env.shell.executed.size(), 1u);
        EXPECT_EQ(env.shell.executed[0].file, c.target);
        EXPECT_EQ(env.shell.executed[0].parameters, std::nullopt);
        EXPECT_EQ(env.shell.executed[0].showCommand, 3);
    }
}

TEST_F(InfoTest, LinkThatCannotBeOpenedIsReportedByTheOpener) {
    env.shell.execResult = {2, 0};
    auto d = Loaded("Microsoft Word", 0);
    d->Image1.PerformClick();
    ASSERT_EQ(env.ui.systemBoxes.size(), 1u);
    EXPECT_EQ(env.ui.systemBoxes[0].text, "Client konnte nicht gestartet werden...");
    EXPECT_TRUE(d->Loaded());
}

TEST_F(InfoTest, ButtonsCloseAndHelp) {
    auto d = Loaded("Microsoft Word", 0);
    d->btnHelp.PerformClick();  // no documentation anywhere: the help's notice
    ASSERT_EQ(env.ui.styledBoxes.size(), 1u);
    EXPECT_NE(env.ui.styledBoxes[0].prompt.find("Kurz-Anleitung"), std::string::npos);
    EXPECT_TRUE(d->Loaded());
    d->btnDone.PerformClick();
    EXPECT_FALSE(d->Loaded());
}

TEST_F(InfoTest, EveryShowStartsFromTheDesign) {
    env.ConnectHost("Microsoft Excel", "16.0", 1);
    std::vector<int> widths;
    env.ui.onModalByName["dlgInfo"] = [&](ui::Form& form) {
        widths.push_back(form.Width);
        form.Width = 1;  // whatever the user did to the last one
        static_cast<dlgInfo&>(form).btnDone.PerformClick();
    };
    ShowInfoDialog();
    ShowInfoDialog();
    EXPECT_EQ(env.ui.shownForms, (std::vector<std::string>{"dlgInfo", "dlgInfo"}));
    EXPECT_EQ(widths, (std::vector<int>{dlgInfo::DesignWidth / 2, dlgInfo::DesignWidth / 2}));
}

TEST_F(InfoTest, NoHostStillOpens) {
    auto d = std::make_unique<dlgInfo>();
    d->Load();  // no host and no product texts yet
    EXPECT_EQ(d->lblProdukt.Caption, " v3.00");
    EXPECT_NE(d->lblWerbung.Caption.find("Office-Weekly"), std::string::npos);
}

TEST(NoticeLine, CarriesTheYear) {
    EXPECT_EQ(NoticeLine(2026), "Copyright © 2026 Veltrano Publishing");
}

}  // namespace
}  // namespace ardeko::testkit
