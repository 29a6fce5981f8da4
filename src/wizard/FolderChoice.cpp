#include "wizard/FolderChoice.h"

#include <variant>

#include "platform/Ports.h"
#include "platform/Registry.h"
#include "support/Paths.h"
#include "support/RegSubs.h"
#include "wizard/frmArdeko.h"

namespace ardeko {

namespace {

template <class Step>
void guarded(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

bool isBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

// The user's documents folder; without it the Windows folder, and where there is none (Linux)
// the home folder.
std::string defaultStartFolder() {
    std::string folder;
    guarded([&] {
        RegValue value;
        if (ReadRegValue(platform::HKEY_CURRENT_USER_, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         "Personal", platform::REG_SZ_, value, false))
            if (const auto* text = std::get_if<std::string>(&value)) folder = *text;
    });
    if (!folder.empty()) return folder;
    guarded([&] { folder = platform::Sh().Environ("windir"); });
    if (folder.empty()) guarded([&] { folder = platform::Sh().Environ("HOME"); });
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
    guarded([&] { path = form.lblSourcePath.Caption; });
    guarded([&] { path = BrowseForFolder("Startordner wählen:", path, false); });
    // Cancelled: neither the label nor the setting changes.
    if (path.empty()) return;
    // The label shows the folder without its trailing separator; the setting keeps the path
    // exactly as chosen (for a drive root the two differ).
    guarded([&] { form.lblSourcePath.Caption = StripBackslash(path); });
    guarded([&] { platform::Settings().SaveSetting("Veltrano", "OffArdeko\\" + form.HostAppName, "Startordner", path); });
}

void ExploreStartFolder(frmArdeko& form) {
    std::string p;
    guarded([&] { p = StripBackslash(form.lblSourcePath.Caption); });
    if (p.empty()) {
        guarded([] { platform::UI().Beep(); });
        return;
    }
    // Whether the file manager started is not the wizard's business.
    guarded([&] { platform::Sh().OpenFolderInFileManager(p); });
}

}  // namespace ardeko
