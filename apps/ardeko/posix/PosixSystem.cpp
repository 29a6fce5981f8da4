// The command line on Linux: file descriptors, signals and the terminal's ioctl.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "PosixInput.h"
#include "System.h"
#include "platform/posix/PosixPorts.h"

namespace ardeko::cli {

InputSource::Result FdInput::Read(std::string& buffer, int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0) return Result::Timeout;
    if (ready < 0) return errno == EINTR ? Result::Timeout : Result::End;
    char chunk[4096];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
        buffer.append(chunk, static_cast<std::size_t>(n));
        return Result::Data;
    }
    return n < 0 && errno == EINTR ? Result::Timeout : Result::End;
}

namespace sys {

namespace {
extern "C" void OnInterrupt(int) { gInterruptRequested.store(true); }
}  // namespace

void InstallMachinePorts() { platform::posix::InstallPosixPorts(); }

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

void CatchInterrupt() {
    // SA_RESTART keeps file operations from failing half-way.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

// File names and texts are UTF-8 on Linux already.
std::string DocumentText(std::string bytes) { return bytes; }

struct StandardStreams::State {
    FdInput input{STDIN_FILENO};
};

StandardStreams::StandardStreams() : state_(std::make_unique<State>()) {}
StandardStreams::~StandardStreams() = default;

TerminalIo StandardStreams::Io(std::ostream* out, std::ostream* err) {
    TerminalIo io;
    io.in = &state_->input;
    io.out = out;
    io.err = err;
    io.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    io.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    winsize ws{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) io.columns = ws.ws_col;
    return io;
}

}  // namespace sys
}  // namespace ardeko::cli
