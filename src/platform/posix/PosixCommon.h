#pragma once
// Small helpers shared by the Linux ports: error texts, the user's standard folders and the
// environment's locale.
#include <locale.h>

#include <optional>
#include <string>

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

// The locale the environment asks for (LANG, LC_*), or "C" when it names a locale this
// machine does not have. Created once; never installed globally.
locale_t EnvironmentLocale();

// Code set of the environment's locale ("UTF-8", "ANSI_X3.4-1968", "ISO-8859-1", ...).
std::string EnvironmentCodeSet();

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

// Folder part of a path ("." when there is none) and the name after the last '/'.
std::string ParentOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace ardeko::platform::posix
