// ardeko: the archiving assistant on the command line.
#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"
#include "System.h"
#include "TerminalShell.h"
#include "TerminalUi.h"
#include "platform/Ports.h"

int main(int argc, char** argv) {
    using namespace ardeko;
    std::ios::sync_with_stdio(false);

    cli::sys::InstallMachinePorts();
    cli::TerminalShell shell(*platform::ports().shell, std::cout, &cli::sys::DocumentText);
    platform::ports().shell = &shell;

    cli::sys::StandardStreams streams;
    cli::TerminalUi ui(streams.Io(&std::cout, &std::cerr));
    platform::ports().ui = &ui;
    cli::sys::CatchInterrupt();

    const int code = cli::RunArdeko(cli::sys::Arguments(argc, argv), ui, std::cout, std::cerr);
    std::cout << std::flush;
    std::cerr << std::flush;
    platform::ports().ui = nullptr;
    platform::ports().shell = nullptr;
    return code;
}
