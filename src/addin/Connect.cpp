#include "addin/Connect.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "about/About.h"
#include "addin/modArdeko.h"
#include "platform/Ports.h"
#include "support/Identity.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Paths.h"

namespace ardeko {

namespace {

// Every step of the connection code is tried on its own: a failing host call skips the step
// and the next one runs, so the add-in always connects.
// A late-bound call on an empty object fails; so does using a reference the host did not give.
template <class T>
T& need(const std::shared_ptr<T>& p) {
    if (!p) throw host::HostError("object variable not set");
    return *p;
}

std::optional<std::string> controlId(host::RibbonControl& control) {
    try {
        return control.Id();
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<std::int16_t> LeadingNumberAsInt16(const std::string& text) {
    // Blanks, tabs and line breaks are skipped wherever they stand, as the classic
    // number-prefix reading does ("1 2" reads 12).
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') s += c;

    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t start = i;
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
    }
    if (!digits) return std::int16_t{0};
    std::string number = s.substr(start, i - start);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        const std::size_t expDigits = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) exponent += s[j++];
        if (j > expDigits) number += exponent;
    }
    if (number.front() == '.') number.insert(number.begin(), '0');

    double value = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size()) return std::nullopt;
    if (negative) value = -value;
    const double rounded = std::nearbyint(value);  // the default rounding mode: halves to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

AddinConnection::~AddinConnection() { releaseMenuButton(); }

void AddinConnection::OnConnection(std::shared_ptr<host::Application> application, int /*connectMode*/,
                                   std::shared_ptr<host::AddInInstance> addInInst, const CustomArray& /*custom*/) {
    ModuleValues& m = Module();
    Guarded([&] { m.HostApp = application; });
    Guarded([&] { m.HostCommandBars = need(m.HostApp).GetCommandBars(); });
    Guarded([&] { m.AddinProgId = need(addInInst).ProgId(); });
    Guarded([&] {
        const std::string stored = platform::Settings().GetSetting("Veltrano", "OffArdeko", "CurrLang", "0");
        if (auto lang = LeadingNumberAsInt16(stored)) m.CurrLang = *lang;
    });
    Guarded([&] { m.ColorScheme = platform::UI().CurrentColorScheme(); });
    Guarded([] { InitProductTexts(); });
    Guarded([&] {
        releaseMenuButton();
        objMenuButton = AddMenuButton();
        if (objMenuButton)
            objMenuButton->ConnectClick([this](host::CommandBarControl& ctrl, bool& cancelDefault) {
                objMenuButton_Click(ctrl, cancelDefault);
            });
    });
    if (Info().keepsNormalTemplateSaved)
        Guarded([&] { need(need(m.HostApp).NormalTemplate()).SetSaved(true); });
}

void AddinConnection::OnDisconnection(int /*removeMode*/, const CustomArray& /*custom*/) {
    ModuleValues& m = Module();
    const bool word = Info().keepsNormalTemplateSaved;
    bool templateWasSaved = false;
    if (word) Guarded([&] { templateWasSaved = need(need(m.HostApp).NormalTemplate()).Saved(); });
    // Ribbon hosts have no button: the search then fails, which is fine.
    Guarded([&] { need(need(need(m.HostApp).GetCommandBars()).FindControlByTag(MenuButtonTag)).Delete(); });
    if (word && templateWasSaved) Guarded([&] { need(need(m.HostApp).NormalTemplate()).SetSaved(true); });
    releaseMenuButton();
}

void AddinConnection::releaseMenuButton() {
    if (objMenuButton) Guarded([&] { objMenuButton->ConnectClick(nullptr); });
    objMenuButton.reset();
}

std::shared_ptr<host::CommandBarControl> AddinConnection::AddMenuButton() {
    // Hosts from version 12 on show the ribbon instead; an unreadable version (-1) gets the button.
    try {
        if (GetHostVersion() > 11) return nullptr;
    } catch (...) {
    }

    std::shared_ptr<host::CommandBarControl> fileMenu;
    Guarded([&] { fileMenu = need(Module().HostCommandBars).FindControlById(FileMenuControlId); });

    int position = 4;
    Guarded([&] { position = GetHostName() == "Access" ? 5 : 4; });

    // A button left over from an earlier session (a host that ended without unloading us)
    // would otherwise show twice.
    Guarded([&] {
        const auto controlsRef = need(fileMenu).Controls();
        auto& controls = need(controlsRef);
        const int count = controls.Count();
        for (int i = 1; i <= count; ++i) {
            auto control = controls.Item(i);
            if (control && control->Tag() == MenuButtonTag) {
                control->Delete();
                break;
            }
        }
    });

    std::shared_ptr<host::CommandBarControl> button;
    try {
        button = need(need(fileMenu).Controls()).Add(1, position, true);
    } catch (...) {
        return nullptr;
    }
    if (!button) return nullptr;

    host::CommandBarControl& b = *button;
    Guarded([&] { b.SetStyle(MenuButtonStyle); });
    Guarded([&] { b.SetCaption(MenuButtonCaption); });
    Guarded([&] { b.SetFaceId(MenuButtonFaceId); });
    Guarded([&] { b.SetTag(MenuButtonTag); });
    Guarded([&] { b.SetOnAction("!<" + Module().AddinProgId + ">"); });
    Guarded([&] { b.SetBeginGroup(true); });
    Guarded([&] { b.SetPriority(MenuButtonPriority); });
    Guarded([&] {
        if (GetHostVersion() <= 9) return;
        const std::string picture = AddBackslash(platform::Sh().ProgramFolder()) + MenuButtonPictureFile;
        const auto attributes = platform::Fs().attributes(picture);
        // Without the picture the button keeps its face id.
        if (attributes && !attributes->directory) b.SetPicture(picture);
    });
    return button;
}

void AddinConnection::objMenuButton_Click(host::CommandBarControl& /*ctrl*/, bool& /*cancelDefault*/) {
    Guarded([] { ShowWizard(); });
}

std::string AddinConnection::GetCustomUI(const std::string& /*ribbonId*/) {
    std::string xml;
    try {
        xml = GetRibbonXml();
    } catch (...) {
        return {};
    }
    PumpMessages();
    return xml;
}

std::string AddinConnection::GetImage(host::RibbonControl& control) {
    try {
        const auto id = controlId(control);
        return id ? ribbon::Image(*id) : std::string();
    } catch (...) {
        return {};
    }
}

std::string AddinConnection::GetLabel(host::RibbonControl& control) {
    try {
        const auto id = controlId(control);
        return id ? ribbon::Label(*id).value_or("") : std::string();
    } catch (...) {
        return {};
    }
}

std::optional<std::string> AddinConnection::GetScreentip(host::RibbonControl& control) {
    try {
        const auto id = controlId(control);
        return id ? ribbon::Screentip(*id) : std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> AddinConnection::GetSupertip(host::RibbonControl& control) {
    try {
        const auto id = controlId(control);
        return id ? ribbon::Supertip(*id) : std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

void AddinConnection::RibbonHandler(host::RibbonControl& control) {
    Guarded([&] {
        if (const auto id = controlId(control)) ribbon::Run(*id);
    });
    PumpMessages();
}

void AddinConnection::RibbonOnLoad(std::shared_ptr<host::RibbonUI> ribbon) { objRibbon = std::move(ribbon); }

ConnectWD::ConnectWD() : AddinConnection(AddinHosts()[0]) {}
ConnectXL::ConnectXL() : AddinConnection(AddinHosts()[1]) {}
ConnectPP::ConnectPP() : AddinConnection(AddinHosts()[2]) {}
ConnectAC::ConnectAC() : AddinConnection(AddinHosts()[3]) {}

}  // namespace ardeko
