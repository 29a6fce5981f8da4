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

// Output held back to be written in bulk (a test run's protocol lines) is written out through
// one hook: with `all` false at every message pump, where the holder decides whether it is due,
// and with `all` true before any message box shows.
using HeldOutputHook = void (*)(bool all) noexcept;
void SetHeldOutputHook(HeldOutputHook hook) noexcept;
void WriteHeldOutput(bool all) noexcept;

// Lets pending window messages be processed once; a failing renderer is ignored.
void PumpMessages() noexcept;
// The system beep; ignored where it fails.
void SystemBeep() noexcept;

}  // namespace ardeko
