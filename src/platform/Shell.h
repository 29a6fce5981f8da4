#pragma once
// Shell port: special folders, opening documents in their programs, starting processes,
// the environment and the folder of our own program file.
#include <cstdint>
#include <optional>
#include <string>

namespace ardeko::platform {

inline constexpr int CSIDL_PERSONAL_ = 5;
inline constexpr int CSIDL_APPDATA_ = 26;

using ProcessHandle = std::intptr_t;  // 0: none

struct ShellExecRequest {
    std::string file;                       // program, document or address
    std::optional<std::string> parameters;  // nothing: no parameters at all (not an empty string)
    std::string directory;                  // working directory
    int showCommand = 3;                    // window-show value; 3 shows maximized
};

struct ShellExecResult {
    std::intptr_t instApp = 0;  // below 32 means failure, as on Windows
    ProcessHandle process = 0;
};

inline constexpr std::uint32_t WAIT_OBJECT_0_ = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT_ = 0x102;
inline constexpr std::uint32_t WAIT_FAILED_ = 0xFFFFFFFFu;

class Shell {
public:
    virtual ~Shell() = default;

    // The folder's path without trailing separator, or nothing when the platform has none.
    virtual std::optional<std::string> SpecialFolder(int csidl) = 0;

    virtual ShellExecResult ShellExecute(const ShellExecRequest& request) = 0;
    virtual std::uint32_t WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) = 0;
    virtual void CloseProcess(ProcessHandle process) = 0;

    // Opens a folder in the platform's file manager as a new process, shown normally and
    // focused; the caller does not wait. False when it could not be started.
    virtual bool OpenFolderInFileManager(const std::string& folder) = 0;

    // Value of an environment variable, "" when unset.
    virtual std::string Environ(const std::string& name) = 0;

    // Folder of the add-in's own program file, without trailing separator.
    virtual std::string ProgramFolder() = 0;
};

}  // namespace ardeko::platform
