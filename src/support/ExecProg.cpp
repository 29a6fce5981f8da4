#include "support/ExecProg.h"

#include "platform/Ports.h"

namespace ardeko {

clsExecProg::clsExecProg() {
    try {
        workDir_ = platform::Sh().Environ("windir");
    } catch (...) {
        workDir_.clear();
    }
}

clsExecProg::~clsExecProg() { ReleaseProcess(); }

void clsExecProg::ReleaseProcess() {
    if (process_ == 0) return;
    try {
        platform::Sh().CloseProcess(process_);
    } catch (...) {
    }
    process_ = 0;
}

void clsExecProg::ExecProg() {
    epError_ = false;
    ReleaseProcess();
    try {
        platform::ShellExecRequest request;
        if (!progName_.empty()) {
            request.file = progName_;
            request.parameters = progParas_;
        } else {
            request.file = progParas_;
            request.parameters = std::nullopt;  // no parameters at all, not an empty string
        }
        request.directory = workDir_;
        request.showCommand = winMode_;
        const platform::ShellExecResult result = platform::Sh().ShellExecute(request);
        process_ = result.process;
        epError_ = result.instApp < 32;
    } catch (...) {
        epError_ = true;
    }
}

bool clsExecProg::IsRunning() {
    // Without a process there is nothing to wait on; never block.
    if (process_ == 0) return false;
    try {
        const std::uint32_t wait = platform::Sh().WaitForProcess(process_, 10);
        if (wait == platform::WAIT_FAILED_) {
            epError_ = true;
            return false;
        }
        return wait != platform::WAIT_OBJECT_0_;
    } catch (...) {
        epError_ = true;
        return false;
    }
}

void OpenDocument(const std::string& target) {
    bool failed = false;
    try {
        clsExecProg runner;
        runner.ProgName("");
        runner.ProgParas(target);
        runner.WinMode(3);
        runner.ExecProg();
        failed = runner.EPError();
        try {
            platform::UI().DoEvents();
        } catch (...) {
        }
        if (failed) {
            try {
                platform::UI().Beep();
            } catch (...) {
            }
            try {
                platform::UI().SystemMessageBox("Client konnte nicht gestartet werden...", "!!! Problem !!!", 64);
            } catch (...) {
            }
        }
    } catch (...) {
    }
    try {
        platform::UI().DoEvents();
    } catch (...) {
    }
}

}  // namespace ardeko
