// Per-user settings in a small text file per application:
//
//   $XDG_CONFIG_HOME/<application>/settings.ini     (default ~/.config/...)
//
//   [OffArdeko\Word]
//   Startordner=C:\\Daten\\Briefe
//
// Sections and keys are written as given and found without regard to case. In values a
// backslash, a line feed and a carriage return are written as \\, \n and \r, so that every
// value stays on one line and comes back unchanged.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Escape(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out.push_back(c);
    }
    return out;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        const char next = text[++i];
        if (next == 'n') out.push_back('\n');
        else if (next == 'r') out.push_back('\r');
        else out.push_back(next);
    }
    return out;
}

struct Entry {
    std::string key;
    std::string value;  // unescaped
};

struct Section {
    std::string name;
    std::vector<Entry> entries;
};

// Lines that are neither a section nor a key are dropped on the next write; nothing of the
// system's own is ever kept in such lines.
std::vector<Section> Parse(const std::string& text) {
    std::vector<Section> sections;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            sections.push_back(Section{line.substr(1, line.size() - 2), {}});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || sections.empty()) continue;
        sections.back().entries.push_back(Entry{line.substr(0, eq), Unescape(line.substr(eq + 1))});
    }
    return sections;
}

std::string Render(const std::vector<Section>& sections) {
    std::string out;
    for (const auto& s : sections) {
        if (!out.empty()) out += "\n";
        out += "[" + s.name + "]\n";
        for (const auto& e : s.entries) out += e.key + "=" + Escape(e.value) + "\n";
    }
    return out;
}

// Names that would break the file's layout or lead out of the configuration folder.
bool UsableApp(const std::string& app) {
    return !app.empty() && app != "." && app != ".." && app.find('/') == std::string::npos &&
           app.find('\0') == std::string::npos;
}
bool UsableSection(const std::string& s) { return s.find_first_of("\r\n]") == std::string::npos; }
bool UsableKey(const std::string& k) {
    return !k.empty() && k.find_first_of("\r\n=") == std::string::npos && k.front() != '[' && k.front() != ';' &&
           k.front() != '#';
}

bool MakeFolders(const std::string& path) {
    std::string built;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        built = path.substr(0, pos);
        if (built.empty()) continue;
        if (mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class PosixSettings final : public SettingsStore {
public:
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        if (!UsableApp(app)) return def;
        std::ifstream in(FilePath(app), std::ios::binary);
        if (!in) return def;
        std::ostringstream text;
        text << in.rdbuf();
        for (const auto& s : Parse(text.str())) {
            if (!SameName(s.name, section)) continue;
            for (const auto& e : s.entries)
                if (SameName(e.key, key)) return e.value;
        }
        return def;
    }

    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        if (!UsableApp(app) || !UsableSection(section) || !UsableKey(key)) return false;
        const std::string folder = ConfigHome() + "/" + app;
        if (!MakeFolders(folder)) return false;
        const std::string path = FilePath(app);

        // Two programs saving at the same moment must not drop each other's value: the
        // read-change-write below runs under a lock on a file beside the settings.
        const int lockFd = open((folder + "/.settings.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (lockFd >= 0)
            while (flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
            }
        const bool saved = SaveLocked(path, section, key, value);
        if (lockFd >= 0) close(lockFd);
        return saved;
    }

private:
    static bool SaveLocked(const std::string& path, const std::string& section, const std::string& key,
                           const std::string& value) {
        std::vector<Section> sections;
        if (std::ifstream in(path, std::ios::binary); in) {
            std::ostringstream text;
            text << in.rdbuf();
            sections = Parse(text.str());
        }
        Section* target = nullptr;
        for (auto& s : sections)
            if (SameName(s.name, section)) target = &s;
        if (target == nullptr) {
            sections.push_back(Section{section, {}});
            target = &sections.back();
        }
        bool replaced = false;
        for (auto& e : target->entries) {
            if (SameName(e.key, key)) {
                e.value = value;
                replaced = true;
            }
        }
        if (!replaced) target->entries.push_back(Entry{key, value});
        return WriteAtomically(path, Render(sections));
    }

    static std::string FilePath(const std::string& app) { return ConfigHome() + "/" + app + "/settings.ini"; }

    // The new content goes into a hidden file beside the old one and replaces it in one rename:
    // a crash or a full disk leaves the old settings, never half of them.
    static bool WriteAtomically(const std::string& path, const std::string& content) {
        std::string temp = ParentOf(path) + "/.settings-XXXXXX";
        const int fd = mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = fchmod(fd, 0600) == 0;
        for (std::size_t done = 0; ok && done < content.size();) {
            const ssize_t put = write(fd, content.data() + done, content.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) ok = false;
            else done += static_cast<std::size_t>(put);
        }
        ok = fsync(fd) == 0 && ok;
        ok = close(fd) == 0 && ok;
        ok = ok && rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) unlink(temp.c_str());
        return ok;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> MakePosixSettings() { return std::make_unique<PosixSettings>(); }

}  // namespace ardeko::platform::posix
