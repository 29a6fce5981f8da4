#include "about/dlgInfo.h"

#include <algorithm>
#include <cctype>

#include "about/About.h"
#include "platform/Ports.h"
#include "support/ExecProg.h"
#include "support/Help.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Translate.h"
#include "ui/FormCatalogue.h"

namespace ardeko {

namespace {

// A label would turn a single "&" into an access key.
std::string doubleAmpersands(const std::string& text) {
    if (text.find("&&") != std::string::npos) return text;
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

// The newsletter and catalogue page offered in the German UI for one host.
struct Advertising {
    const char* newsletter;
    const char* picture;
    const char* signUpPage;
    const char* topic;  // what the newsletter is about
};

Advertising advertisingFor(const std::string& hostAppName) {
    if (hostAppName == "Word")
        return {"Veltrano Word-Weekly", "WeeklyWord", "https://www.example.com/newsletter/word-weekly/",
                "Word: Dokumente, Vorlagen, Makros"};
    if (hostAppName == "Excel")
        return {"Veltrano Excel-Weekly", "WeeklyExcel", "https://www.example.com/newsletter/excel-weekly/",
                "Excel: Formeln, Diagramme, Makros"};
    if (hostAppName == "Access")
        return {"Veltrano Access-Weekly", "WeeklyAccess", "https://www.example.com/newsletter/access-weekly/",
                "Access: Tabellen, Abfragen, Formulare"};
    // PowerPoint and every other host get the general newsletter.
    return {"Veltrano Office-Weekly", "WeeklyOffice", "https://www.example.com/newsletter/office-weekly/",
            "Word, Excel, PowerPoint und Access"};
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void open(const std::string& target) {
    Guarded([&] { OpenDocument(target); });
}

}  // namespace

std::string NoticeLine(int year) { return "Copyright © " + std::to_string(year) + " Veltrano Publishing"; }

void ShowInfoDialog() {
    // A fresh instance per opening: the dialog always starts from its design state.
    Guarded([] {
        dlgInfo dialog;
        dialog.ShowModal();
    });
}

dlgInfo::dlgInfo() : ui::Form("dlgInfo") {
    Caption = "Info";
    Width = DesignWidth;
    Height = 5640;

    XPForm.Move(0, 0, DesignWidth, 435);
    XPForm.Caption = "Info";

    // The left half holds everything the English dialog shows; the logo stands beside the
    // short support lines, clear of the longer lines above them.
    lblProdukt.Move(240, 600, 4440, 285);
    lblProdukt.FontSize = 10;
    lblProdukt.Caption = "Archivierungs-Assistent v3.00";
    lblProdukt.ToolTipText = " Klicken Sie hier, um die Produktseite im Online-Katalog anzuzeigen...";
    lblCR.Move(240, 900, 4440, 225);
    lblProg1.Move(240, 1260, 4440, 195);
    lblProg1.Caption = "Programmierung && Dokumentation";
    Label2.Move(240, 1470, 4440, 195);
    Label2.Caption = "Das Entwicklerteam von Veltrano Publishing";

    lblTTD.Move(240, 1800, 4440, 195);
    lblTTD.Caption = "Tipps, Tools && Downloads:";
    lblAdresse.Move(720, 2040, 3960, 975);
    lblAdresse.Caption = "Veltrano Publishing\r\nBeispielweg 1\r\n00000 Musterstadt\r\nTel. (0000) 00 00 00\r\n" +
                         std::string(maker::SupportMail);
    lblAdresse.ToolTipText = " Klicken Sie hier, um uns eine E-Mail zu senden...";
    imgMail.Move(240, 2040, 360, 360);
    imgMail.Picture = "Mail";
    imgMail.ToolTipText = lblAdresse.ToolTipText;
    Image1.Move(3240, 3900, 1440, 540);
    Image1.Picture = "VeltranoLogo";
    Image1.ToolTipText = " Klicken Sie hier, um uns im Internet zu besuchen...";
    lblKatAnforderung.Move(720, 3240, 3960, 195);
    lblKatAnforderung.Caption = "Fordern Sie unseren kostenlosen Katalog an:";
    urlKatalog.Move(720, 3480, 3960, 195);
    urlKatalog.Caption = "www.example.com/katalog";
    urlKatalog.ToolTipText = " Klicken Sie hier, um unseren Online-Katalog anzuzeigen...";
    imgInfo.Move(240, 3240, 360, 360);
    imgInfo.Picture = "Info";

    imgQuestion.Move(240, 3960, 360, 360);
    imgQuestion.Picture = "Question";
    Label10.Move(720, 3960, 2400, 195);
    Label10.Caption = "Fragen, Probleme?";
    Label9.Move(720, 4180, 2400, 195);
    Label9.Caption = maker::SupportMail;
    Label9.ToolTipText = " Klicken Sie hier, um unserem Support eine E-Mail zu senden...";

    pfWerbung.Move(5040, 600, 4560, 4080);
    imgWeekly.Move(5160, 720, 1200, 900);
    lblWerbung.Move(6480, 720, 3000, 195);
    lblWerbung.WordWrap = true;
    urlAbbo.Move(6480, 1080, 3000, 195);
    urlAbbo.Caption = "Kostenloses Abo anfordern";
    lblTools.Move(5160, 3720, 4320, 195);
    urlToolsKatalog.Move(5160, 3960, 4320, 195);

    pfButtons.Move(0, 4800, DesignWidth, 840);
    // Help at the left end of the bar, OK at its right end (placed again for the English width).
    btnHelp.Move(240, 4980, 1200, 390);
    btnHelp.Caption = " Hilfe";
    btnHelp.ToolTipText = " Klicken Sie hier, um die Dokumentation anzuzeigen...";
    btnDone.Move(DesignWidth - 240 - 1200, 4980, 1200, 390);
    btnDone.Caption = "OK";
    btnDone.Tag = "OK|Zurück...|OK|Return...";
    btnDone.Default = true;
    btnDone.Cancel = true;

    for (ui::Control* c : {static_cast<ui::Control*>(&imgWeekly), static_cast<ui::Control*>(&lblWerbung),
                           static_cast<ui::Control*>(&urlAbbo), static_cast<ui::Control*>(&lblTools),
                           static_cast<ui::Control*>(&urlToolsKatalog)})
        c->SetContainer(pfWerbung);
    btnHelp.SetContainer(pfButtons);
    btnDone.SetContainer(pfButtons);

    btnDone.Click = [this] { Unload(); };
    btnHelp.Click = [] { Guarded([] { ShowHelp(); }); };
    lblProdukt.Click = [] { open(maker::ProductPage); };
    Image1.Click = [] { open(maker::WebSite); };
    urlKatalog.Click = [] { open(maker::Catalogue); };
    Label9.Click = [] { open(std::string("mailto:") + maker::SupportMail); };
    auto mailWithSubject = [] {
        const char* subject = Module().CurrLang == 0 ? "Kataloganforderung..." : "Infos...";
        open(std::string("mailto:") + maker::SupportMail + "?Subject=" + subject);
    };
    lblAdresse.Click = mailWithSubject;
    imgMail.Click = mailWithSubject;
    urlAbbo.Click = [this] { open(urlAbbo.Tag); };
    imgWeekly.Click = [this] { open(imgWeekly.Tag); };
    urlToolsKatalog.Click = [this] {
        open(urlToolsKatalog.Tag);
        PumpMessages();
    };
}

void dlgInfo::Form_Load() {
    const ModuleValues& m = Module();
    Guarded([&] { XPForm.Attach(); });
    Guarded([&] { TranslateForm(*this); });
    Guarded([&] {
        const std::string title = doubleAmpersands(m.ProductTitle + GetBuildText());
        Caption = title;
        XPForm.Caption = title;
    });
    Guarded([&] { lblProdukt.Caption = doubleAmpersands(m.ProductName) + " " + ProductVersion; });
    Guarded([&] { lblCR.Caption = NoticeLine(platform::Clock().Now().year); });
    if (m.CurrLang != 1) Guarded([&] { fillAdvertising(); });
    if (m.CurrLang == 1) Guarded([&] { showEnglish(); });
    PumpMessages();
}

void dlgInfo::fillAdvertising() {
    const std::string host = GetHostName();
    const Advertising ad = advertisingFor(host);
    const std::string signUpTip = std::string(" Klicken Sie hier, um den Newsletter ") + ad.newsletter +
                                  " kostenlos zu abonnieren...";
    const std::string cataloguePage = std::string(maker::Catalogue) + lower(host) + "/";

    Guarded([&] {
        lblWerbung.Caption = std::string(ad.newsletter) + ": jede Woche kostenlos Tipps, Tricks und Neuigkeiten rund um " +
                             ad.topic + ", direkt in Ihr Postfach.";
        lblWerbung.Height = TextHeight(lblWerbung.Caption, lblWerbung.Width);
    });
    Guarded([&] {
        imgWeekly.Picture = ad.picture;
        imgWeekly.Tag = ad.signUpPage;
        imgWeekly.ToolTipText = signUpTip;
    });
    Guarded([&] {
        urlAbbo.Tag = ad.signUpPage;
        urlAbbo.ToolTipText = signUpTip;
        urlAbbo.Top = lblWerbung.Top + lblWerbung.Height + 128;
    });
    Guarded([&] {
        lblTools.Caption = "Weitere Tools und Vorlagen für " + host + ":";
        urlToolsKatalog.Caption = host + "-Tools im Online-Katalog";
        urlToolsKatalog.Tag = cataloguePage;
        urlToolsKatalog.ToolTipText = " Klicken Sie hier, um die " + host + "-Seite unseres Katalogs anzuzeigen...";
    });
}

void dlgInfo::showEnglish() {
    for (ui::Control* c : {static_cast<ui::Control*>(&lblKatAnforderung), static_cast<ui::Control*>(&lblTTD),
                           static_cast<ui::Control*>(&urlKatalog), static_cast<ui::Control*>(&imgInfo)})
        Guarded([&] { c->Visible = false; });
    Guarded([&] { lblProg1.Caption = "Programing && Documentation"; });
    Guarded([&] {
        lblAdresse.Caption = "Veltrano Publishing\r\nBeispielweg 1\r\n00000 Musterstadt, Germany\r\n"
                             "Phone +49 0000 00 00 00\r\n" +
                             std::string(maker::SupportMail);
    });
    Guarded([&] { btnHelp.Caption = "Help"; });
    // Only the left half remains; the advertising panel lies outside the window.
    Guarded([&] {
        Width = Width / 2;
        pfWerbung.Visible = false;
        XPForm.Width = pfButtons.Width = Width;
        btnDone.Left = Width - 240 - btnDone.Width;
    });
    // No gaps where the hidden rows were: the contact block takes the heading's place, the
    // support lines the catalogue's, and the window ends below them.
    Guarded([&] {
        const int heading = lblAdresse.Top - lblTTD.Top;
        for (ui::Control* c : {static_cast<ui::Control*>(&lblAdresse), static_cast<ui::Control*>(&imgMail)})
            c->Top -= heading;
        const int rows = heading + imgQuestion.Top - lblKatAnforderung.Top;
        for (ui::Control* c : {static_cast<ui::Control*>(&imgQuestion), static_cast<ui::Control*>(&Label10),
                               static_cast<ui::Control*>(&Label9), static_cast<ui::Control*>(&Image1),
                               static_cast<ui::Control*>(&pfButtons),
                               static_cast<ui::Control*>(&btnHelp), static_cast<ui::Control*>(&btnDone)})
            c->Top -= rows;
        Height -= rows;
    });
    // The tooltips exist in German only.
    for (ui::Control* c : Controls())
        Guarded([&] {
            if (c->HasToolTip()) c->ToolTipText.clear();
        });
}

namespace {
const ui::RegisterForm registered{"dlgInfo", [] { return std::make_unique<dlgInfo>(); }};
}  // namespace

}  // namespace ardeko
