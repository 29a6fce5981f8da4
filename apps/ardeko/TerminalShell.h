#pragma once
// Opening documents from the command line. With a desktop session (or an opener named in
// $ARDEKO_OPENER) documents go to their programs as usual; on a plain terminal there is no
// program to hand them to, so a text file is printed and an address is shown. On Windows, where
// no display variable is set, the same holds: documents are printed unless $ARDEKO_OPENER asks
// for the desktop's programs.
#include <map>
#include <ostream>

#include "platform/Shell.h"

namespace ardeko::cli {

class TerminalShell : public platform::Shell {
public:
    // `documentText` turns a printed file's bytes into UTF-8; none takes them as they are.
    TerminalShell(platform::Shell& inner, std::ostream& out, std::string (*documentText)(std::string) = nullptr)
        : inner_(inner), out_(out), documentText_(documentText) {}

    // True when nothing could show a document but the terminal itself.
    bool PlainTerminal();

    // Asked once per folder and command: every protocol line needs the data folder, and the
    // system's answer can cost more than the line itself (Wine records it in the registry on
    // every call). A user's folders do not move while one command runs.
    std::optional<std::string> SpecialFolder(int csidl) override;
    platform::ShellExecResult ShellExecute(const platform::ShellExecRequest& request) override;
    std::uint32_t WaitForProcess(platform::ProcessHandle process, std::uint32_t ms) override;
    void CloseProcess(platform::ProcessHandle process) override;
    bool OpenFolderInFileManager(const std::string& folder) override;
    std::string Environ(const std::string& name) override { return inner_.Environ(name); }
    std::string ProgramFolder() override { return inner_.ProgramFolder(); }

private:
    platform::Shell& inner_;
    std::ostream& out_;
    std::string (*documentText_)(std::string);
    std::map<int, std::optional<std::string>> specialFolders_;
};

// "http://...", "mailto:..." and the like: a scheme of two or more letters and a colon.
bool IsAddress(const std::string& target);

}  // namespace ardeko::cli
