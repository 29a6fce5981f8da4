// What the desktop renderer's message pump costs a run: QtUi::DoEvents with the wizard shown
// and its status line changed before every call, as the walk does once per file.
//   qt_pump [PUMPS]        (offscreen unless QT_QPA_PLATFORM says otherwise)
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"
#include "ui/qt/QtUi.h"
#include "wizard/frmArdeko.h"

int main(int argc, char** argv) {
    using namespace ardeko;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long pumps = argc > 1 ? std::atol(argv[1]) : 200000;
    platform::posix::InstallPosixPorts();
    ui::QtUi renderer;
    platform::ports().ui = &renderer;

    frmArdeko form;
    QTimer::singleShot(0, [&] {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < pumps; ++i) {
            form.lblStatus.Caption = "Prüfe Datei " + std::to_string(i) + ": /home/user/Dokumente/Bericht.doc";
            renderer.DoEvents();
        }
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        std::printf("DoEvents with the wizard shown: %.2f us per pump (%ld pumps, %.2f s)\n", took.count() / pumps,
                    pumps, took.count() / 1e6);
        form.Unload();
    });
    form.ShowModal();
    platform::ports().ui = nullptr;
    return 0;
}
