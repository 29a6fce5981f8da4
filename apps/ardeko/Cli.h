#pragma once
// The `ardeko` command line: fills the archiving wizard from the arguments and clicks its
// buttons, so a run from the terminal is the same run the dialog makes.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ardeko::cli {

class TerminalUi;

enum ExitCode : int {
    ExitOk = 0,         // a run without errors; a protocol command that did its job
    ExitErrors = 1,     // errors were counted; the protocol was missing or not deleted
    ExitUsage = 2,      // bad arguments, or the run was refused by its checks
    ExitStopped = 3,    // the run was stopped (Ctrl+C or "Abbrechen")
};

// Runs one command (the arguments without the program name). Every platform port but the
// user interface must be installed; `ui` is made the user interface for the call. Help and
// usage errors go to `out` and `err`; message boxes go through `ui`.
int RunArdeko(const std::vector<std::string>& args, TerminalUi& ui, std::ostream& out, std::ostream& err);

// What the connection event does for a host named on the command line (Office when none):
// the module-wide values the forms read. No Office program is asked, so the host's version is
// unknown unless the user gives it. The user interface port must be installed.
void ConnectHost(const std::optional<std::string>& hostName, std::optional<int> hostVersion = std::nullopt);

// A host's name as the programs spell it, whatever the letter case the user typed: "Word",
// "Excel", "PowerPoint", "Access" or "Office"; nothing for any other name.
std::optional<std::string> CanonicalHostName(const std::string& name);

// A host major version as the user types it ("12"); nothing for anything but a number from 1.
std::optional<int> ParseHostVersion(const std::string& text);

// "M/YYYY" with a month from 1 to 12 and a four-digit year; false for anything else.
bool ParseUntil(const std::string& text, int& month, int& year);

}  // namespace ardeko::cli
