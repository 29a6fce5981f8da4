#pragma once
// UTF-8 inside, UTF-16 at every Windows call: the two conversions, and the ANSI code page for
// the one place whose bytes must be in it.
#include <windows.h>

#include <string>
#include <string_view>

namespace ardeko::win32 {

inline std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

inline std::string FromWide(UINT codePage, std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

inline std::wstring Wide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
inline std::string Utf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }

// Text in the ANSI code page: what a character of it lacks becomes '?'.
inline std::string Ansi(std::string_view utf8) { return FromWide(CP_ACP, Wide(utf8)); }
inline std::string FromAnsi(std::string_view ansi) { return Utf8(ToWide(CP_ACP, ansi)); }

// Text in the ANSI code page for a file that names files: a character the code page lacks
// becomes '?', never a look-alike ("Ω.txt" must not read as the name of another file, "O.txt").
// Where the ANSI code page is UTF-8 every character fits, and the flag is not allowed there.
inline std::string AnsiExact(std::string_view utf8) {
    if (GetACP() == CP_UTF8) return std::string(utf8);
    const std::wstring wide = Wide(utf8);
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, "?", nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), n, "?", nullptr);
    return out;
}

}  // namespace ardeko::win32
