#pragma once
// The connection classes that the Office hosts load: one per host, alike except for their
// data and Word's care for its normal template.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addin/AddinTable.h"
#include "platform/OfficeHost.h"

namespace ardeko {

// The File-menu button of hosts without a ribbon.
inline constexpr const char* MenuButtonTag = "VLTArdeko";
inline constexpr const char* MenuButtonCaption = "Veltrano Archivierungs-Assistent...";
inline constexpr int MenuButtonFaceId = 1022;
inline constexpr int MenuButtonStyle = 3;  // icon and caption
inline constexpr int MenuButtonPriority = 1;
inline constexpr int FileMenuControlId = 30002;
inline constexpr const char* MenuButtonPictureFile = "Logo.bmp";

// The leading number of a settings text as a 16-bit integer, rounded to the nearest whole
// number (halves to even); 0 when the text does not start with a number. Nothing when the
// number does not fit.
std::optional<std::int16_t> LeadingNumberAsInt16(const std::string& text);

class AddinConnection {
public:
    using CustomArray = std::vector<std::string>;

    explicit AddinConnection(const AddinHostInfo& info) : info_(&info) {}
    virtual ~AddinConnection();
    AddinConnection(const AddinConnection&) = delete;
    AddinConnection& operator=(const AddinConnection&) = delete;

    const AddinHostInfo& Info() const { return *info_; }

    // --- the add-in connection interface ---
    void OnConnection(std::shared_ptr<host::Application> application, int connectMode,
                      std::shared_ptr<host::AddInInstance> addInInst, const CustomArray& custom = {});
    void OnDisconnection(int removeMode, const CustomArray& custom = {});

    // --- ribbon extensibility and the callbacks the XML names ---
    std::string GetCustomUI(const std::string& ribbonId);
    std::string GetImage(host::RibbonControl& control);
    std::string GetLabel(host::RibbonControl& control);
    std::optional<std::string> GetScreentip(host::RibbonControl& control);  // nothing: empty variant
    std::optional<std::string> GetSupertip(host::RibbonControl& control);   // nothing: empty variant
    void RibbonHandler(host::RibbonControl& control);
    void RibbonOnLoad(std::shared_ptr<host::RibbonUI> ribbon);

    // The File-menu button's click: opens the wizard; both arguments are left alone.
    void objMenuButton_Click(host::CommandBarControl& ctrl, bool& cancelDefault);

    // Puts the wizard's button into the File menu of hosts before version 12; nothing in
    // ribbon hosts or when the button cannot be added.
    std::shared_ptr<host::CommandBarControl> AddMenuButton();

    std::shared_ptr<host::CommandBarControl> objMenuButton;  // empty in ribbon hosts
    std::shared_ptr<host::RibbonUI> objRibbon;

private:
    void releaseMenuButton();
    const AddinHostInfo* info_;
};

class ConnectWD : public AddinConnection {
public:
    ConnectWD();
};
class ConnectXL : public AddinConnection {
public:
    ConnectXL();
};
class ConnectPP : public AddinConnection {
public:
    ConnectPP();
};
class ConnectAC : public AddinConnection {
public:
    ConnectAC();
};

}  // namespace ardeko
