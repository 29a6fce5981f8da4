#pragma once
// Opening documents and addresses in their associated programs.
#include <cstdint>
#include <string>

#include "platform/Shell.h"

namespace ardeko {

class clsExecProg {
public:
    clsExecProg();
    ~clsExecProg();
    clsExecProg(const clsExecProg&) = delete;
    clsExecProg& operator=(const clsExecProg&) = delete;

    bool EPError() const { return epError_; }
    void ExecProg();
    bool IsRunning();
    std::int32_t WinMode() const { return winMode_; }
    void WinMode(std::int32_t mode) { winMode_ = mode; }
    void WorkDir(const std::string& dir) { workDir_ = dir; }
    void ProgName(const std::string& name) { progName_ = name; }
    void ProgParas(const std::string& paras) { progParas_ = paras; }

private:
    // Hands the kept process handle back to the platform; nothing when there is none.
    void ReleaseProcess();

    bool epError_ = false;
    std::int32_t winMode_ = 3;
    std::string workDir_;
    std::string progName_;
    std::string progParas_;
    platform::ProcessHandle process_ = 0;
};

// Opens a file or an address in its associated program, maximized; reports a failure itself.
void OpenDocument(const std::string& target);

}  // namespace ardeko
