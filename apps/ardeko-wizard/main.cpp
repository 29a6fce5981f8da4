// ardeko-wizard: the archiving wizard as a desktop window on Linux. The same form and logic
// as the command line and the add-in; Qt only draws it.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "Cli.h"
#include "addin/modArdeko.h"
#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"
#include "support/Module.h"
#include "ui/qt/FormWindow.h"
#include "ui/qt/QtUi.h"

namespace {

const char* const kHelp =
    "ardeko-wizard - Veltrano Archivierungs-Assistent als Dialog\n"
    "\n"
    "Aufruf: ardeko-wizard [--host Word|Excel|PowerPoint|Access]\n"
    "\n"
    "  --host NAME   Office-Programm, für das archiviert wird: es bestimmt die Liste der\n"
    "                Dateitypen, den gespeicherten Startordner und die Protokolldatei.\n"
    "                Ohne --host: Office, nur 'Alle Dateien (*.*)'.\n"
    "  -h, --help    Diese Hilfe\n"
    "\n"
    "Dazu die üblichen Optionen von Qt (z.B. -platform offscreen).\n";

// Without a screen Qt would abort with a message of its own; say it in our words instead.
bool ScreenAvailable(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "-platform") return true;
    for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(var); value && *value) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ardeko;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    if (!ScreenAvailable(argc, argv)) {
        std::fputs("ardeko-wizard: Kein Bildschirm gefunden (DISPLAY und WAYLAND_DISPLAY sind leer).\n"
                   "Ohne Bildschirm archiviert die Kommandozeile: ardeko --help\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);  // takes Qt's own options out of the arguments
    QApplication::setApplicationName(QStringLiteral("ardeko-wizard"));
    QApplication::setDesktopFileName(QStringLiteral("ardeko-wizard"));
    QApplication::setWindowIcon(QIcon(ui::Picture("Icon", QSize(64, 64))));

    std::optional<std::string> host;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString arg = args[i];
        QString value;
        if (arg == QLatin1String("--host")) {
            if (i + 1 >= args.size()) {
                std::fputs("ardeko-wizard: Nach --host fehlt der Name des Office-Programms.\n", stderr);
                return 2;
            }
            value = args[++i];
        } else if (arg.startsWith(QLatin1String("--host="))) {
            value = arg.mid(7);
        } else {
            std::fprintf(stderr, "ardeko-wizard: Unbekannte Angabe '%s'.\nHilfe: ardeko-wizard --help\n",
                         arg.toLocal8Bit().constData());
            return 2;
        }
        host = cli::CanonicalHostName(value.toStdString());
        if (!host) {
            std::fprintf(stderr, "ardeko-wizard: Unbekanntes Office-Programm '%s': Word, Excel, PowerPoint oder Access.\n",
                         value.toLocal8Bit().constData());
            return 2;
        }
        if (*host == "Office") host.reset();
    }

    platform::posix::InstallPosixPorts();
    ui::QtUi renderer;
    platform::ports().ui = &renderer;
    cli::ConnectHost(host);
    renderer.SetLanguage(Module().CurrLang == 0);
    ShowWizard();
    platform::ports().ui = nullptr;
    return 0;
}
