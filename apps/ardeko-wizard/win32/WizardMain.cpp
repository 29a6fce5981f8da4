// ardeko-wizard.exe: the archiving wizard on Windows without Office. The same form and logic
// as the add-in, drawn by the Windows renderer; the host named on the command line decides the
// file types, the stored start folder and the protocol's name.
#include <windows.h>
#include <ole2.h>

#include <optional>
#include <string>
#include <vector>

#include "Cli.h"
#include "System.h"
#include "addin/modArdeko.h"
#include "platform/Ports.h"
#include "platform/win32/WinText.h"
#include "ui/win32/Win32Ui.h"

namespace {

const char* const kHelp =
    "ardeko-wizard - Veltrano Archivierungs-Assistent als Dialog\r\n"
    "\r\n"
    "Aufruf: ardeko-wizard [--host Word|Excel|PowerPoint|Access]\r\n"
    "\r\n"
    "--host NAME: Office-Programm, für das archiviert wird. Es bestimmt die Liste der "
    "Dateitypen, den gespeicherten Startordner und die Protokolldatei. Ohne --host: Office, "
    "nur 'Alle Dateien (*.*)'.";

// No console belongs to a window program: what it has to say comes as a message box.
int Say(const std::string& text, UINT icon, int code) {
    MessageBoxW(nullptr, ardeko::win32::Wide(text).c_str(), L"ardeko-wizard", MB_OK | icon);
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace ardeko;
    std::optional<std::string> host;
    const std::vector<std::string> args = cli::sys::Arguments(0, nullptr);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        if (arg == "-h" || arg == "--help" || arg == "/?") return Say(kHelp, MB_ICONINFORMATION, 0);
        if (arg == "--host") {
            if (i + 1 >= args.size()) return Say("Nach --host fehlt der Name des Office-Programms.", MB_ICONERROR, 2);
            value = args[++i];
        } else if (arg.rfind("--host=", 0) == 0) {
            value = arg.substr(7);
        } else {
            return Say("Unbekannte Angabe '" + arg + "'.\r\n\r\n" + kHelp, MB_ICONERROR, 2);
        }
        host = cli::CanonicalHostName(value);
        if (!host)
            return Say("Unbekanntes Office-Programm '" + value + "': Word, Excel, PowerPoint oder Access.", MB_ICONERROR, 2);
        if (*host == "Office") host.reset();
    }

    // The folder choice and the shell need COM on this thread, as they have it inside Office.
    const HRESULT com = OleInitialize(nullptr);
    cli::sys::InstallMachinePorts();
    ui::win32::Win32Ui renderer(instance);
    platform::ports().ui = &renderer;
    cli::ConnectHost(host);
    ShowWizard();
    platform::ports().ui = nullptr;
    if (SUCCEEDED(com)) OleUninitialize();
    return 0;
}
