// Writes the add-in's registration, as the library's own registration writes it, for the
// installers, so that a package and the library can never disagree about a key or a value:
//   registry_rows OUT wix x64|x86   the Windows Installer rows of one library (a WiX include)
//   registry_rows OUT nsis          the per-user installer's repair of the hosts' load behaviour
// Built for the build machine and run while the packages are made.
#include <cstdio>
#include <string>

#include "addin/AddinTable.h"

namespace {

std::string Xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// The package's own rows: the library's path and folder are those the package installs it to
// (the file and folder ids of OffArdeko.wxs), in HKEY_LOCAL_MACHINE, for every user.
void Wix(std::FILE* out, const std::string& arch) {
    const std::string file = "[#OffArdeko_" + arch + "]", folder = "[INSTALLDIR_" + arch + "]";
    std::fprintf(out, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Include>\n");
    for (const auto& row : ardeko::AddinRegistryRows(file, folder, arch == "x64")) {
        std::fprintf(out, "  <RegistryValue Root=\"HKLM\" Key=\"%s\"", Xml(row.key).c_str());
        if (!row.name.empty()) std::fprintf(out, " Name=\"%s\"", Xml(row.name).c_str());
        if (row.isNumber)
            std::fprintf(out, " Type=\"integer\" Value=\"%u\"/>\n", static_cast<unsigned>(row.number));
        else
            std::fprintf(out, " Type=\"string\" Value=\"%s\"/>\n", Xml(row.text).c_str());
    }
    std::fprintf(out, "</Include>\n");
}

// Running the installer again sets every host's entry back to loading at start-up, which a
// host turns off after a failed load.
void Nsis(std::FILE* out) {
    std::fprintf(out, "!macro ARDEKO_RESET_LOAD_BEHAVIOR\n");
    for (const auto& row : ardeko::AddinRegistryRows("", "", false))
        if (row.isNumber && row.name == "LoadBehavior")
            std::fprintf(out, "  WriteRegDWORD HKCU \"%s\" \"%s\" %u\n", row.key.c_str(), row.name.c_str(),
                        static_cast<unsigned>(row.number));
    std::fprintf(out, "!macroend\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 2 ? argv[2] : "", arch = argc > 3 ? argv[3] : "";
    if (!(what == "wix" && (arch == "x64" || arch == "x86")) && what != "nsis") {
        std::fprintf(stderr, "usage: registry_rows OUT wix x64|x86 | registry_rows OUT nsis\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) return 1;
    if (what == "wix")
        Wix(out, arch);
    else
        Nsis(out);
    return std::fclose(out) == 0 ? 0 : 1;
}
