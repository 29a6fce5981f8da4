#pragma once
// The About dialog: product, version, the maker's notice, credits, contact block and, in the
// German UI, the newsletter of the current host.
#include <string>

#include "ui/Form.h"

namespace ardeko {

// The maker's addresses, all under the reserved example domain.
namespace maker {
inline constexpr const char* WebSite = "https://www.example.com/";
inline constexpr const char* Catalogue = "https://www.example.com/katalog/";
inline constexpr const char* ProductPage = "https://www.example.com/katalog/archivierungs-assistent/";
inline constexpr const char* SupportMail = "support@example.com";
}  // namespace maker

class dlgInfo : public ui::Form {
public:
    dlgInfo();

    // Design width; the English dialog shows only the left half.
    static constexpr int DesignWidth = 9840;

    ui::XPFormDecoration XPForm{*this, "XPForm"};
    ui::LinkLabel lblProdukt{*this, "lblProdukt"};
    ui::Label lblCR{*this, "lblCR"};
    ui::Label lblProg1{*this, "lblProg1"};
    ui::Label Label2{*this, "Label2"};
    ui::Label lblTTD{*this, "lblTTD"};
    ui::LinkLabel lblAdresse{*this, "lblAdresse"};
    ui::Image imgMail{*this, "imgMail"};
    ui::Label lblKatAnforderung{*this, "lblKatAnforderung"};
    ui::LinkLabel urlKatalog{*this, "urlKatalog"};
    ui::Image Image1{*this, "Image1"};
    ui::Image imgInfo{*this, "imgInfo"};
    ui::Image imgQuestion{*this, "imgQuestion"};
    ui::Label Label10{*this, "Label10"};
    ui::LinkLabel Label9{*this, "Label9"};
    ui::Frame pfWerbung{*this, "pfWerbung", "XPPicturePanel"};
    ui::Image imgWeekly{*this, "imgWeekly"};
    ui::Label lblWerbung{*this, "lblWerbung"};
    ui::LinkLabel urlAbbo{*this, "urlAbbo"};
    ui::Label lblTools{*this, "lblTools"};
    ui::LinkLabel urlToolsKatalog{*this, "urlToolsKatalog"};
    ui::Frame pfButtons{*this, "pfButtons", "XPPicturePanel"};
    ui::Button btnHelp{*this, "btnHelp"};
    ui::Button btnDone{*this, "btnDone"};

protected:
    void Form_Load() override;

private:
    void fillAdvertising();
    void showEnglish();
};

}  // namespace ardeko
