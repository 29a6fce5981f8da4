// record-open.exe LOG DOCUMENT: stands in for the browser that a document's file type names.
// Appends DOCUMENT, as UTF-8 on a line of its own, to LOG and ends at once, so that a test can
// see what a click asked the shell to open without a browser being there.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/WinText.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    FILE* log = _wfopen(argv[1], L"ab");
    if (!log) return 3;
    const std::string line = ardeko::win32::Utf8(argv[2]) + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), log) == line.size();
    return std::fclose(log) == 0 && written ? 0 : 4;
}
