#pragma once
// Structured exceptions (an access violation, a division by zero) are no C++ exceptions: no
// catch of ours sees them, and left alone they end the host's process. Every call from the
// host into the add-in runs through here.
#include <memory>
#include <string>

namespace ardeko::addin::win32 {

// Runs body(context). When a structured exception that nothing inside handles is raised, the
// call ends there and its code is returned (0: body ran to its end). The frames in between end
// without their destructors, so the add-in's state may be broken afterwards; the windows that
// came up during the call are closed and the host's windows that it disabled are enabled again.
// Only the 64-bit build can do this: its table-based unwinding lets a handler of ours end the
// call. The 32-bit build's C++ frames (DWARF unwinding) register no handler that a fault could
// be resumed from; there body simply runs, and a fault still ends the host.
unsigned long RunContained(void (*body)(void*), void* context);

template <class F>
unsigned long Contained(F&& body) {
    auto* f = std::addressof(body);
    using P = decltype(f);
    return RunContained([](void* c) { (*static_cast<P>(c))(); }, const_cast<void*>(static_cast<const void*>(f)));
}

// The fault as the user reads it in the box: "Access violation (exception 0xC0000005)".
std::string FaultDescription(unsigned long code);

// The first fault of the session is reported as a command's failure is (beep and the box
// "Error displaying dialog: " + its description); later ones only end their calls.
void NoteFault(unsigned long code);
// After a fault the add-in's state may be broken: every further command of the session is
// refused with the box of that fault. True when it was refused.
bool RefuseAfterFault();

// One call from the host into our code, whose own C++ failures end inside `body`. False when
// a fault ended it.
template <class F>
bool Entry(F&& body) {
    const unsigned long code = Contained(body);
    if (code != 0) NoteFault(code);
    return code == 0;
}

// A command of the user: a ribbon button or the File menu's button.
template <class F>
void Command(F&& body) {
    if (!RefuseAfterFault()) Entry(body);
}

}  // namespace ardeko::addin::win32
