// ardeko: the archiving assistant on the command line.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"
#include "TerminalShell.h"
#include "TerminalUi.h"
#include "platform/Ports.h"
#include "platform/posix/PosixPorts.h"

namespace {

extern "C" void OnInterrupt(int) { ardeko::cli::gInterruptRequested.store(true); }

int TerminalColumns() {
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
    return 80;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ardeko;
    std::ios::sync_with_stdio(false);

    platform::posix::InstallPosixPorts();
    cli::TerminalShell shell(*platform::ports().shell, std::cout);
    platform::ports().shell = &shell;

    cli::TerminalIo io;
    io.inFd = STDIN_FILENO;
    io.out = &std::cout;
    io.err = &std::cerr;
    io.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    io.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    io.columns = TerminalColumns();
    cli::TerminalUi ui(io);
    platform::ports().ui = &ui;

    // Ctrl+C only raises a flag; the run notices it between files and ends properly, with
    // its closing protocol lines. SA_RESTART keeps file operations from failing half-way.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    // A reader that goes away (`ardeko ... | head`) must not kill a run between two files;
    // output then simply stops.
    ::signal(SIGPIPE, SIG_IGN);

    const std::vector<std::string> args(argv + 1, argv + argc);
    const int code = cli::RunArdeko(args, ui, std::cout, std::cerr);
    std::cout << std::flush;
    platform::ports().ui = nullptr;
    platform::ports().shell = nullptr;
    return code;
}
