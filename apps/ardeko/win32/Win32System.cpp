// The command line on Windows: the console, pipes and files behind the standard handles, the
// console's Ctrl+C, and arguments from the wide command line.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>

#include "System.h"
#include "platform/Utf8Text.h"
#include "platform/win32/Win32Ports.h"
#include "platform/win32/WinText.h"

namespace ardeko::cli::sys {

namespace {

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

// Standard input behind whatever handle it is. A console is waited on and read as UTF-16; a
// pipe is polled, since a pipe handle cannot be waited on; a file or the NUL device never
// makes anyone wait.
class HandleInput : public InputSource {
public:
    explicit HandleInput(HANDLE h) : h_(h) {
        if (h_ == nullptr || h_ == INVALID_HANDLE_VALUE) kind_ = Kind::None;
        else if (IsConsole(h_)) kind_ = Kind::Console;
        else if (GetFileType(h_) == FILE_TYPE_PIPE) kind_ = Kind::Pipe;
        else kind_ = Kind::File;
    }

    Result Read(std::string& buffer, int timeoutMs) override {
        switch (kind_) {
            case Kind::None: return Result::End;
            case Kind::Console: return ReadConsoleLine(buffer, timeoutMs);
            case Kind::Pipe: return ReadPipe(buffer, timeoutMs);
            case Kind::File: return ReadBytes(buffer, sizeof chunk_);
        }
        return Result::End;
    }

private:
    enum class Kind { None, Console, Pipe, File };

    Result ReadBytes(std::string& buffer, DWORD most) {
        DWORD got = 0;
        if (!ReadFile(h_, chunk_, std::min<DWORD>(most, sizeof chunk_), &got, nullptr) || got == 0)
            return Result::End;
        buffer.append(chunk_, got);
        return Result::Data;
    }

    Result ReadPipe(std::string& buffer, int timeoutMs) {
        const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(std::max(timeoutMs, 0));
        while (true) {
            DWORD available = 0;
            if (!PeekNamedPipe(h_, nullptr, 0, nullptr, &available, nullptr)) {
                // The writer is gone; anything else means this is no pipe that can be peeked
                // at, so it is read as a file.
                if (GetLastError() == ERROR_BROKEN_PIPE) return Result::End;
                kind_ = Kind::File;
                return ReadBytes(buffer, sizeof chunk_);
            }
            if (available > 0) return ReadBytes(buffer, available);
            if (GetTickCount64() >= until) return Result::Timeout;
            Sleep(10);
        }
    }

    Result ReadConsoleLine(std::string& buffer, int timeoutMs) {
        if (WaitForSingleObject(h_, static_cast<DWORD>(std::max(timeoutMs, 0))) != WAIT_OBJECT_0)
            return Result::Timeout;
        // The handle also signals focus, mouse and key-release events; only a typed character
        // is worth a read, which then waits for the line's Enter (a Ctrl+C ends it early).
        INPUT_RECORD records[64];
        DWORD count = 0;
        if (!PeekConsoleInputW(h_, records, 64, &count)) return Result::End;
        const bool typed = std::any_of(records, records + count, [](const INPUT_RECORD& r) {
            return r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown && r.Event.KeyEvent.uChar.UnicodeChar != 0;
        });
        if (!typed) {
            ReadConsoleInputW(h_, records, count, &count);
            return Result::Timeout;
        }
        wchar_t wide[1024];
        DWORD got = 0;
        if (!ReadConsoleW(h_, wide, 1024, &got, nullptr))
            return GetLastError() == ERROR_OPERATION_ABORTED ? Result::Timeout : Result::End;  // Ctrl+C, or gone
        std::wstring text = pendingHigh_ + std::wstring(wide, got);
        pendingHigh_.clear();
        // A character beyond the first plane may arrive in two reads.
        if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) {
            pendingHigh_ = text.back();
            text.pop_back();
        }
        // Ctrl+Z at the start of a line is the console's end of input.
        if (!text.empty() && text.front() == 0x1A) return Result::End;
        buffer += ardeko::win32::Utf8(text);
        return got > 0 ? Result::Data : Result::Timeout;
    }

    HANDLE h_;
    Kind kind_;
    char chunk_[4096];
    std::wstring pendingHigh_;
};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        gInterruptRequested.store(true);
        return TRUE;
    }
    return FALSE;  // closing the window or logging off ends the program as usual
}

}  // namespace

void InstallMachinePorts() {
    // Handing a document to its program may go through COM (shell extensions, handlers that
    // take it over by DDE or as a server): the thread needs its apartment, and the program ends
    // right after the call, so the call returns only once the program has the document.
    // The apartment stays until the process ends.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    platform::win32::InstallWin32Ports(platform::win32::ShellHandOver::BeforeReturning);
}

// Never the narrow argv: it holds the arguments in the ANSI code page, and a folder name with a
// character outside it would arrive as '?'.
std::vector<std::string> Arguments(int, char**) {
    std::vector<std::string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) args.push_back(ardeko::win32::Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

// A pipe's reader going away makes writes fail, not end the program, on Windows already.
void CatchInterrupt() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

// A text file that is not UTF-8 is in the ANSI code page, as Windows programs write them (the
// protocol among them).
std::string DocumentText(std::string bytes) {
    if (platform::IsValidUtf8(bytes)) return bytes;
    return ardeko::win32::FromAnsi(bytes);
}

struct StandardStreams::State {
    explicit State(HANDLE in) : input(in) {}
    HandleInput input;
    UINT savedOutputCodePage = 0;
    HANDLE err = INVALID_HANDLE_VALUE;
    DWORD savedErrMode = 0;
    bool errModeChanged = false;
    bool errUnderstandsEscapes = false;
};

StandardStreams::StandardStreams() : state_(std::make_unique<State>(GetStdHandle(STD_INPUT_HANDLE))) {
    // The program writes UTF-8; a console shows it as such only in that code page. Bytes to a
    // pipe or a file stay UTF-8 in any case.
    if (IsConsole(GetStdHandle(STD_OUTPUT_HANDLE)) || IsConsole(GetStdHandle(STD_ERROR_HANDLE))) {
        state_->savedOutputCodePage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
    // The progress line redraws itself with escape sequences, which a console only follows
    // with virtual-terminal processing on. Where it cannot be had, no progress line is drawn.
    state_->err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (IsConsole(state_->err) && GetConsoleMode(state_->err, &mode)) {
        state_->savedErrMode = mode;
        if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) {
            state_->errUnderstandsEscapes = true;
        } else if (SetConsoleMode(state_->err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
            state_->errUnderstandsEscapes = true;
            state_->errModeChanged = true;
        }
    }
}

StandardStreams::~StandardStreams() {
    if (state_->errModeChanged) SetConsoleMode(state_->err, state_->savedErrMode);
    // The console outlives the program; the shell that started it gets its code page back.
    if (state_->savedOutputCodePage != 0) SetConsoleOutputCP(state_->savedOutputCodePage);
}

TerminalIo StandardStreams::Io(std::ostream* out, std::ostream* err) {
    TerminalIo io;
    io.in = &state_->input;
    io.out = out;
    io.err = err;
    io.inIsTerminal = IsConsole(GetStdHandle(STD_INPUT_HANDLE));
    io.errIsTerminal = state_->errUnderstandsEscapes;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (IsConsole(state_->err) && GetConsoleScreenBufferInfo(state_->err, &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 0) io.columns = width;
    }
    // Backslashes separate the folders of a Windows path, and names here hold no control
    // characters that an escape could stand for.
    io.doubleBackslashes = false;
    return io;
}

}  // namespace ardeko::cli::sys
