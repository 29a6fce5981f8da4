#pragma once
// The data by which Windows and the Office hosts find the add-in: the four connection classes
// and every registry value of their registration. Header-only and free of OS headers, so that
// the library's own registration and the build's Windows Installer package are made from the
// same rows and cannot disagree.
#include <cstdint>
#include <string>
#include <vector>

#include "about/About.h"

namespace ardeko {

// What a host needs to find and load its connection class.
struct AddinHostInfo {
    const char* className;         // "ConnectWD"
    const char* hostName;          // "Word"
    const char* progId;            // "VLT_Ardeko.ConnectWD"
    const char* classId;           // the class's fixed identifier
    const char* registryLocation;  // where the host keeps its per-user add-in list
    const char* friendlyName;      // shown in the host's add-in list
    bool keepsNormalTemplateSaved; // Word: the normal template must not look changed
};

inline constexpr const char* AddinLibraryName = "OffArdeko.dll";
inline constexpr const char* AddinTypeLibraryName = "VLT_Ardeko";
inline constexpr const char* AddinTypeLibraryDescription = "Veltrano Archivierungs-Assistent";
inline constexpr const char* AddinTypeLibraryId = "{BDBE34B5-1FCC-4482-A12C-731489742565}";
inline constexpr const char* AddinTypeLibraryVersion = "2.2";
inline constexpr std::uint32_t AddinLoadBehavior = 3;  // loaded at the host's start-up

// The description of every add-in entry: what it does, then the maker's notice.
inline std::string AddinDescription() { return std::string("Assistent zur Archivierung von Dateien") + " · " + MakerNotice; }

// The four classes' data: Word, Excel, PowerPoint, Access.
inline const std::vector<AddinHostInfo>& AddinHosts() {
    static const std::vector<AddinHostInfo> hosts{
        {"ConnectWD", "Word", "VLT_Ardeko.ConnectWD", "{BFCF4E1B-E09A-4DA2-953D-5EB7F582D764}",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Word",
         "Veltrano Publishing · Archivierungs-Assistent", true},
        {"ConnectXL", "Excel", "VLT_Ardeko.ConnectXL", "{68F796AA-5F64-4427-A1A5-1ADDA2C15C64}",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Excel",
         "Veltrano Publishing · Archivierungs-Assistent", false},
        // PowerPoint's entry keeps the spelling it was registered under; a corrected name
        // would leave users with a second, stale entry in the host's add-in list.
        {"ConnectPP", "PowerPoint", "VLT_Ardeko.ConnectPP", "{ECE00A3E-50EC-4F77-8C11-42840B551492}",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\PowerPoint",
         "Veltrano Publishing · Archivierungs-Asistent", false},
        {"ConnectAC", "Access", "VLT_Ardeko.ConnectAC", "{44F92A68-F8C6-415A-9DE4-5EDEE0C03FA8}",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Access",
         "Veltrano Publishing · Archivierungs-Assistent", false},
    };
    return hosts;
}

// One value of the registration, its key relative to the registry root (HKEY_CURRENT_USER for
// one user, HKEY_LOCAL_MACHINE for all). An empty name is the key's default value.
struct AddinRegistryRow {
    std::string key;
    std::string name;
    std::string text;           // a string value
    std::uint32_t number = 0;   // a DWORD value
    bool isNumber = false;
};

// Every value that registering the library writes, in writing order. libraryPath and
// libraryFolder are the installed library and its folder as they are to appear in the
// registry; win64 names the library's bitness, whose type library entry it writes.
inline std::vector<AddinRegistryRow> AddinRegistryRows(const std::string& libraryPath, const std::string& libraryFolder,
                                                       bool win64) {
    std::vector<AddinRegistryRow> rows;
    const auto text = [&](const std::string& key, const std::string& name, const std::string& value) {
        rows.push_back({key, name, value});
    };
    const std::string classes = "Software\\Classes\\";
    for (const auto& h : AddinHosts()) {
        const std::string clsid = h.classId, progId = h.progId;
        const std::string description = std::string("Veltrano Archivierungs-Assistent (") + h.hostName + ")";
        const std::string clsKey = classes + "CLSID\\" + clsid;
        text(clsKey, "", description);
        text(clsKey + "\\InprocServer32", "", libraryPath);
        text(clsKey + "\\InprocServer32", "ThreadingModel", "Apartment");
        text(clsKey + "\\ProgID", "", progId);
        text(clsKey + "\\TypeLib", "", AddinTypeLibraryId);
        text(clsKey + "\\VERSION", "", AddinTypeLibraryVersion);
        text(clsKey + "\\Programmable", "", "");
        text(classes + progId, "", description);
        text(classes + progId + "\\CLSID", "", clsid);

        const std::string addin = std::string("Software\\Microsoft\\Office\\") + h.hostName + "\\Addins\\" + progId;
        text(addin, "FriendlyName", h.friendlyName);
        text(addin, "Description", AddinDescription());
        rows.push_back({addin, "LoadBehavior", "", AddinLoadBehavior, true});
    }
    const std::string lib = classes + "TypeLib\\" + AddinTypeLibraryId + "\\" + AddinTypeLibraryVersion;
    text(lib, "", AddinTypeLibraryDescription);
    text(lib + (win64 ? "\\0\\win64" : "\\0\\win32"), "", libraryPath);
    text(lib + "\\FLAGS", "", "0");
    text(lib + "\\HELPDIR", "", libraryFolder);
    return rows;
}

}  // namespace ardeko
