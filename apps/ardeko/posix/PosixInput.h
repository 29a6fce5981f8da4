#pragma once
// Answers from a file descriptor: a terminal, a pipe or a file, waited for with poll().
#include "TerminalUi.h"

namespace ardeko::cli {

class FdInput : public InputSource {
public:
    explicit FdInput(int fd) : fd_(fd) {}
    Result Read(std::string& buffer, int timeoutMs) override;

private:
    int fd_;
};

}  // namespace ardeko::cli
