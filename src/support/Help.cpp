#include "support/Help.h"

#include <memory>
#include <string>
#include <variant>

#include "msgbox/MsgBox.h"
#include "platform/Ports.h"
#include "support/ExecProg.h"
#include "support/Guard.h"
#include "support/Module.h"
#include "support/Paths.h"
#include "support/RegSubs.h"

namespace ardeko {

namespace {

// Hidden and system entries do not count as documentation, nor do folders.
bool isNormal(const platform::FileAttributes& a) { return !a.directory && !a.hidden && !a.system; }

bool normalFileExists(const std::string& path) {
    if (path.empty()) return false;
    try {
        const auto attributes = platform::Fs().attributes(path);
        return attributes && isNormal(*attributes);
    } catch (...) {
        return false;
    }
}

// The first normal file of `folder` whose name matches `pattern`, in listing order.
std::string firstMatch(const std::string& folder, const std::string& pattern) {
    auto search = platform::Fs().openSearch(folder);
    if (!search) return {};
    platform::DirEntry entry;
    while (search->next(entry))
        if (isNormal(entry.attributes) && platform::WildcardMatch(pattern, entry.name)) return entry.name;
    return {};
}

}  // namespace

void ShowHelp() {
    std::string doc;
    Guarded([&] { doc = platform::Settings().GetSetting("Veltrano", "OffArdeko", "Doku", ""); });
    if (doc.empty()) {
        Guarded([&] {
            RegValue value;
            if (ReadRegValue(platform::HKEY_LOCAL_MACHINE_, "Software\\Veltrano\\OffArdeko", "Doku",
                             platform::REG_SZ_, value, false))
                if (const auto* text = std::get_if<std::string>(&value)) doc = *text;
        });
    }

    // A recorded path whose file is gone is no error: the copy beside the add-in takes over.
    if (!normalFileExists(doc)) {
        std::string folder, name;
        Guarded([&] { folder = AddBackslash(platform::Sh().ProgramFolder()); });
        Guarded([&] { name = firstMatch(folder, Module().ManualName + ".*"); });
        if (name.empty() || !normalFileExists(folder + name)) {
            SystemBeep();
            Guarded([] {
                const ModuleValues& m = Module();
                const std::string text =
                    m.CurrLang == 0
                        ? std::string("Sie finden eine Kurz-Anleitung zu diesem Add-In im ") +
                              "Start-Menü unter 'Programme-Veltrano'..."
                        : std::string("You'll find a first steps documentation in 'Start-Programs-Veltrano'...");
                MsgBoxStd(text, vbInformation, m.ProductTitle);
            });
            return;
        }
        doc = folder + name;
    }

    Guarded([&] { OpenDocument(doc); });
    PumpMessages();
}

}  // namespace ardeko
