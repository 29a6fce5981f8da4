#pragma once
// Small helpers shared by the Linux ports: error texts, the user's standard folders and the
// environment's locale.
#include <locale.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf8Text.h"

namespace ardeko::platform::posix {

// The system's description of an errno value ("No such file or directory").
std::string ErrnoText(int err);

// Value of an environment variable, nothing when unset or empty.
std::optional<std::string> EnvValue(const char* name);

// $HOME, else the password database's home folder, else "/".
std::string HomeFolder();

// $XDG_CONFIG_HOME or ~/.config; $XDG_DATA_HOME or ~/.local/share. Relative values are
// ignored, as the XDG rules demand.
std::string ConfigHome();
std::string DataHome();

// The user's documents folder: what `xdg-user-dir DOCUMENTS` answers when that program exists
// and names a folder other than the home folder itself, else ~/Documents.
std::string DocumentsFolder();

// The locale the environment asks for now (LC_ALL, LC_*, LANG), or "C" when it names a
// locale this machine does not have. Only used through the *_l functions; the process's
// global locale is never changed.
class EnvLocale {
public:
    EnvLocale();
    ~EnvLocale();
    EnvLocale(const EnvLocale&) = delete;
    EnvLocale& operator=(const EnvLocale&) = delete;
    locale_t get() const { return loc_; }  // (locale_t)0 only when even "C" failed
    std::string codeSet() const;

private:
    locale_t loc_;
};

// Code set of the environment's locale ("UTF-8", "ANSI_X3.4-1968", "ISO-8859-1", ...).
std::string EnvironmentCodeSet();

// A command line split into arguments as Windows programs split theirs: blanks separate,
// double quotes group, \" is a literal quote, "" inside quotes is one quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

// Converts UTF-8 text to one code set; characters the code set lacks (and malformed input)
// become '?', one for each character.
class TextEncoder {
public:
    explicit TextEncoder(const std::string& codeSet);
    ~TextEncoder();
    TextEncoder(const TextEncoder&) = delete;
    TextEncoder& operator=(const TextEncoder&) = delete;
    std::string encode(const std::string& text);

private:
    bool utf8_ = true;
    void* cd_ = nullptr;  // iconv_t
};

// Converts text of a code set ("UTF-16LE", "WINDOWS-1252", ...) to UTF-8; nothing when the
// code set is unknown or the bytes are not valid in it.
std::optional<std::string> ToUtf8(const std::string& bytes, const char* codeSet);

// The UTF-8 rules are portable; the Linux ports use them under their old names.
using platform::CodePointCount;
using platform::IsValidUtf8;
using platform::VisibleText;

// Folder part of a path ("." when there is none) and the name after the last '/'.
std::string ParentOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace ardeko::platform::posix
