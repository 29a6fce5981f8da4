#include "wizard/FolderChoice.h"
#include "support/Guard.h"

#include <variant>

#include "platform/Ports.h"
#include "platform/Registry.h"
#include "support/Paths.h"
#include "support/RegSubs.h"
#include "wizard/frmArdeko.h"

namespace ardeko {

namespace {

bool isBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The user's documents folder; without it the Windows folder, and where there is none (Linux)
// the home folder.
std::string defaultStartFolder() {
    std::string folder;
    Guarded([&] {
        RegValue value;
        if (ReadRegValue(platform::HKEY_CURRENT_USER_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         "Personal", platform::REG_SZ_, value, false))
            if (const auto* text = std::get_if<std::string>(&value)) folder = *text;
    });
    if (!folder.empty()) return folder;
    Guarded([&] { folder = platform::Sh().Environ("windir"); });
    if (folder.empty()) Guarded([&] { folder = platform::Sh().Environ("HOME"); });
    return folder;
}

}  // namespace

std::string BrowseForFolder(const std::string& title, std::string& startFolder, bool newStyle) {
    try {
        if (isBlank(startFolder)) startFolder = defaultStartFolder();
        return platform::UI().BrowseForFolder(title, startFolder, newStyle);
    } catch (...) {
        return {};
    }
}

void ChooseStartFolder(frmArdeko& form) {
    std::string path;
    Guarded([&] { path = form.lblSourcePath.Caption; });
    Guarded([&] { path = BrowseForFolder("Startordner wählen:", path, false); });
    // Cancelled: neither the label nor the setting changes.
    if (path.empty()) return;
    // The label shows the folder without its trailing separator; the setting keeps the path
    // exactly as chosen (for a drive root the two differ).
    Guarded([&] { form.lblSourcePath.Caption = StripBackslash(path); });
    Guarded([&] { platform::Settings().SaveSetting("Veltrano", "OffArdeko\\" + form.HostAppName, "Startordner", path); });
}

void ExploreStartFolder(frmArdeko& form) {
    std::string p;
    Guarded([&] { p = StripBackslash(form.lblSourcePath.Caption); });
    if (p.empty()) {
        SystemBeep();
        return;
    }
    // Whether the file manager started is not the wizard's business.
    Guarded([&] { platform::Sh().OpenFolderInFileManager(p); });
}

}  // namespace ardeko
