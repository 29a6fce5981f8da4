#include "TerminalShell.h"

#include <cctype>
#include <fstream>

namespace ardeko::cli {

namespace {
constexpr std::intptr_t kOpened = 42;        // anything from 32 up means success
constexpr std::intptr_t kFileNotFound = 2;
}  // namespace

bool IsAddress(const std::string& target) {
    const auto colon = target.find(':');
    if (colon == std::string::npos || colon < 2) return false;  // "C:" is a drive, not a scheme
    if (!std::isalpha(static_cast<unsigned char>(target[0]))) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(target[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool TerminalShell::PlainTerminal() {
    return inner_.Environ("ARDEKO_OPENER").empty() && inner_.Environ("DISPLAY").empty() &&
           inner_.Environ("WAYLAND_DISPLAY").empty();
}

platform::ShellExecResult TerminalShell::ShellExecute(const platform::ShellExecRequest& request) {
    // Starting a program with parameters is not "showing" anything: leave it to the platform.
    if (request.parameters.has_value() || !PlainTerminal()) return inner_.ShellExecute(request);
    if (IsAddress(request.file)) {
        out_ << request.file << '\n' << std::flush;
        return {kOpened, 0};
    }
    std::ifstream in(request.file, std::ios::binary);
    if (!in) return {kFileNotFound, 0};
    out_ << "\n--- " << request.file << " ---\n";
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out_ << line << '\n';
    }
    out_ << std::flush;
    return {kOpened, 0};
}

std::uint32_t TerminalShell::WaitForProcess(platform::ProcessHandle process, std::uint32_t ms) {
    // What was printed has no process; it is over as soon as it is on the screen.
    if (process == 0) return platform::WAIT_FAILED_;
    return inner_.WaitForProcess(process, ms);
}

void TerminalShell::CloseProcess(platform::ProcessHandle process) {
    if (process != 0) inner_.CloseProcess(process);
}

bool TerminalShell::OpenFolderInFileManager(const std::string& folder) {
    if (!PlainTerminal()) return inner_.OpenFolderInFileManager(folder);
    out_ << folder << '\n' << std::flush;
    return true;
}

}  // namespace ardeko::cli
