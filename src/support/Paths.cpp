#include "support/Paths.h"

#include "platform/Ports.h"
#include "support/Identity.h"
#include "support/Module.h"

namespace ardeko {

namespace {

char Sep() {
    try {
        return platform::Fs().separator();
    } catch (...) {
        return '/';
    }
}

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

}  // namespace

std::string AddBackslash(const std::string& path) {
    try {
        if (IsBlank(path)) return path;
        const char sep = Sep();
        if (path.back() != sep) return path + sep;
        return path;
    } catch (...) {
        return path;
    }
}

std::string StripBackslash(const std::string& path) {
    try {
        const char sep = Sep();
        // A lone "/" is the root here, not a folder with a trailing separator; stripping it would
        // give "", which means "no folder" everywhere else.
        if (sep == '/' && path == "/") return path;
        if (!path.empty() && path.back() == sep) return path.substr(0, path.size() - 1);
        return path;
    } catch (...) {
        return path;
    }
}

bool CreatePath(const std::string& path) {
    try {
        const char sep = Sep();
        const std::string whole = StripBackslash(path);
        // Top down: every failure (exists already, invalid name, denied, a share part of a
        // network path) is ignored and the next level tried.
        for (auto p = whole.find(sep); p != std::string::npos; p = whole.find(sep, p + 1)) {
            const std::string prefix = whole.substr(0, p);
            if (prefix.empty() || prefix.back() == ':') continue;  // the root or a drive
            try {
                platform::Fs().createDirectory(prefix);
            } catch (...) {
            }
        }
        try {
            if (!whole.empty()) platform::Fs().createDirectory(whole);
        } catch (...) {
        }
    } catch (...) {
    }
    return true;
}

bool CreatePath(platform::OpenFolder& from, const std::string& relative) {
    try {
        const char sep = Sep();
        const auto end = relative.find(sep);
        const std::string first = relative.substr(0, end);
        if (first.empty()) return true;
        try {
            from.createFolder(first);
        } catch (...) {
        }
        if (end == std::string::npos) return true;
        if (auto level = from.openFolder(first)) CreatePath(*level, relative.substr(end + 1));
    } catch (...) {
    }
    return true;
}

std::string GetSpecialFolder(std::int32_t csidl) {
    try {
        auto folder = platform::Sh().SpecialFolder(csidl);
        if (!folder) return {};
        // Like a fixed 260-character buffer read up to its first NUL.
        std::string result = *folder;
        if (auto nul = result.find('\0'); nul != std::string::npos) result.resize(nul);
        return result;
    } catch (...) {
        return {};
    }
}

std::string DataFolderPath() {
    try {
        const char sep = Sep();
        const std::string folder = GetSpecialFolder(platform::CSIDL_APPDATA_);
        return AddBackslash(folder) + "Veltrano" + sep + GetHostName() + " " + Module().ProductName + sep;
    } catch (...) {
        return {};
    }
}

std::string GetDataFolder() {
    const std::string path = DataFolderPath();
    CreatePath(path);
    try {
        platform::UI().DoEvents();
    } catch (...) {
    }
    return path;
}

}  // namespace ardeko
