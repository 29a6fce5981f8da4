// What a renderer's resync of the wizard costs at one message pump: a poll with nothing
// changed, and one after the status line moved (what a run does for every file).
//   form_sync [POLLS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"
#include "ui/Form.h"
#include "ui/HeadlessUi.h"
#include "wizard/frmArdeko.h"

int main(int argc, char** argv) {
    using namespace ardeko;
    const long polls = argc > 1 ? std::atol(argv[1]) : 200000;
    platform::posix::InstallPosixPorts();
    ui::HeadlessUi headless;
    platform::ports().ui = &headless;

    frmArdeko form;
    form.Load();
    ui::FormSync sync(form);
    sync.Poll();

    auto time = [&](const char* what, auto&& change) {
        std::size_t changed = 0;
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < polls; ++i) {
            change(i);
            changed += sync.Poll().controls.size();
        }
        const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        std::printf("%-34s %8.0f ns per poll (%zu controls, %.2f changed per poll)\n", what, took.count() / polls,
                    form.Controls().size(), static_cast<double>(changed) / static_cast<double>(polls));
    };
    time("nothing changed", [](long) {});
    time("status line changed", [&](long i) {
        form.lblStatus.Caption = "Prüfe Datei " + std::to_string(i) + ": /home/user/Dokumente/Bericht.doc";
    });
    platform::ports().ui = nullptr;
    return 0;
}
