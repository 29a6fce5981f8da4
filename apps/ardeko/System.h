#pragma once
// What the program `ardeko` needs from its operating system: the machine's ports, its
// arguments, the interrupt and the standard streams. apps/ardeko/posix and apps/ardeko/win32
// each implement it; the build picks one.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "TerminalUi.h"

namespace ardeko::cli::sys {

// The file system, settings, registry, shell and clock of this machine.
void InstallMachinePorts();

// The arguments after the program name, in UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// From now on Ctrl+C only sets gInterruptRequested; a run notices it between two files and
// ends with its closing protocol lines. A reader that goes away (`ardeko ... | more`) does not
// end the program either: output then simply stops.
void CatchInterrupt();

// A text file's bytes as the terminal shows them (UTF-8).
std::string DocumentText(std::string bytes);

// The process's standard streams as the terminal renderer needs them. It puts a terminal into
// the state the program needs while it lives and restores it when it goes.
class StandardStreams {
public:
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;

    TerminalIo Io(std::ostream* out, std::ostream* err);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ardeko::cli::sys
