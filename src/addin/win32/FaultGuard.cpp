#include "addin/win32/FaultGuard.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "platform/win32/WinText.h"
#include "support/Module.h"

#if defined(__x86_64__)
extern "C" unsigned long ardeko_CallContained(void (*body)(void*), void* context);
extern "C" char ardeko_CallContained_resume[];

// The call with a frame of its own whose unwind data names our handler. Written out here so
// that the frame, and the place the handler resumes at, are exactly known: the handler unwinds
// to this frame and continues at the resume label with the exception code in rax.
asm(R"(
    .text
    .globl ardeko_CallContained
    .globl ardeko_CallContained_resume
    .def ardeko_CallContained; .scl 2; .type 32; .endef
    .seh_proc ardeko_CallContained
ardeko_CallContained:
    pushq %rbp
    .seh_pushreg %rbp
    subq $32, %rsp
    .seh_stackalloc 32
    .seh_endprologue
    .seh_handler ardeko_FaultHandler, @except
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    xorl %eax, %eax
ardeko_CallContained_resume:
    nop
    addq $32, %rsp
    popq %rbp
    ret
    .seh_endproc
)");

// Called while the system looks for a handler. Errors and warnings (the top bit of the code)
// end the call; our own C++ exceptions and the system's notices carry other codes and go on to
// whoever handles them.
extern "C" EXCEPTION_DISPOSITION ardeko_FaultHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT* context,
                                                     DISPATCHER_CONTEXT* dispatch) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) return ExceptionContinueSearch;
    if ((record->ExceptionCode & 0x80000000u) == 0) return ExceptionContinueSearch;
    RtlUnwindEx(frame, ardeko_CallContained_resume, record,
                reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(record->ExceptionCode)), context,
                dispatch->HistoryTable);
    return ExceptionContinueSearch;  // not reached: the unwind continues at the resume label
}
#endif

namespace ardeko::addin::win32 {
namespace {

// The thread's top-level windows and whether each was enabled, taken before a call.
class ThreadWindows {
public:
    ThreadWindows() { EnumThreadWindows(GetCurrentThreadId(), &ThreadWindows::Add, reinterpret_cast<LPARAM>(&windows_)); }

    // What a modal loop that ended without its destructors leaves: its windows up and the
    // windows it disabled disabled.
    void RestoreAfterFault() const {
        std::vector<std::pair<HWND, bool>> now;
        EnumThreadWindows(GetCurrentThreadId(), &ThreadWindows::Add, reinterpret_cast<LPARAM>(&now));
        for (const auto& [hwnd, enabled] : now) {
            bool known = false, wasEnabled = false;
            for (const auto& [old, e] : windows_)
                if (old == hwnd) known = true, wasEnabled = e;
            if (!known) {
                // Its window procedure is ours: whatever it does on the way out stays contained.
                HWND h = hwnd;
                Contained([h] { DestroyWindow(h); });
            } else if (wasEnabled && !enabled) {
                EnableWindow(hwnd, TRUE);
            }
        }
    }

private:
    static BOOL CALLBACK Add(HWND hwnd, LPARAM list) {
        reinterpret_cast<std::vector<std::pair<HWND, bool>>*>(list)->emplace_back(hwnd, IsWindowEnabled(hwnd) != FALSE);
        return TRUE;
    }
    std::vector<std::pair<HWND, bool>> windows_;
};

}  // namespace

unsigned long RunContained(void (*body)(void*), void* context) {
#if defined(__x86_64__)
    const ThreadWindows before;
    const unsigned long code = ardeko_CallContained(body, context);
    if (code != 0) before.RestoreAfterFault();
    return code;
#else
    body(context);
    return 0;
#endif
}

std::string FaultDescription(unsigned long code) {
    const char* what = nullptr;
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION: what = "Access violation"; break;
        case EXCEPTION_IN_PAGE_ERROR: what = "Page fault"; break;
        case EXCEPTION_STACK_OVERFLOW: what = "Stack overflow"; break;
        case EXCEPTION_INT_DIVIDE_BY_ZERO: what = "Division by zero"; break;
        case EXCEPTION_ILLEGAL_INSTRUCTION: what = "Illegal instruction"; break;
        default: break;
    }
    char text[64];
    if (what)
        std::snprintf(text, sizeof text, "%s (exception 0x%08lX)", what, code);
    else
        std::snprintf(text, sizeof text, "Exception 0x%08lX", code);
    return text;
}

namespace {
std::string& FirstFault() {
    static std::string description;
    return description;
}

// The beep and the box of a command that failed, titled with the product title; English in
// both UI languages. Not through the renderer: its stack of windows may still name the ones
// the fault left behind.
void ReportFault() {
    Contained([] {
        std::wstring title;
        try {
            title = ardeko::win32::Wide(Module().ProductTitle);
        } catch (...) {
        }
        MessageBeep(MB_OK);
        MessageBoxW(nullptr, ardeko::win32::Wide("Error displaying dialog: " + FirstFault()).c_str(), title.c_str(),
                    MB_OK | MB_ICONERROR | MB_TASKMODAL);
    });
}
}  // namespace

void NoteFault(unsigned long code) {
    if (!FirstFault().empty()) return;
    FirstFault() = FaultDescription(code);
    ReportFault();
}

bool RefuseAfterFault() {
    if (FirstFault().empty()) return false;
    ReportFault();
    return true;
}

}  // namespace ardeko::addin::win32
