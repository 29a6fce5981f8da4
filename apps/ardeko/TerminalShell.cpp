#include "TerminalShell.h"

#include <cctype>
#include <fstream>
#include <iterator>

#include "Utf8Path.h"

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

std::optional<std::string> TerminalShell::SpecialFolder(int csidl) {
    const auto known = specialFolders_.find(csidl);
    if (known != specialFolders_.end()) return known->second;
    auto folder = inner_.SpecialFolder(csidl);
    specialFolders_.emplace(csidl, folder);
    return folder;
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
    std::ifstream in(PathFromUtf8(request.file), std::ios::binary);
    if (!in) return {kFileNotFound, 0};
    std::string text{std::istreambuf_iterator<char>(in), {}};
    if (documentText_) text = documentText_(std::move(text));
    out_ << "\n--- " << request.file << " ---\n";
    for (std::size_t at = 0; at < text.size();) {
        auto end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out_ << line << '\n';
        at = end + 1;
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
