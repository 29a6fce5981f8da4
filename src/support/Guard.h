#pragma once
// The system's failure style: a step that fails is skipped and the next one runs; nothing
// reaches the caller or the host.
namespace ardeko {

template <class Step>
void Guarded(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
    }
}

// Lets pending window messages be processed once; a failing renderer is ignored.
void PumpMessages() noexcept;
// The system beep; ignored where it fails.
void SystemBeep() noexcept;

}  // namespace ardeko
