#include "platform/posix/PosixRegistry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {
namespace {

constexpr std::uint32_t REG_BINARY_ = 3;
constexpr std::uint32_t REG_MULTI_SZ_ = 7;

std::string Lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// Key paths compare without regard to case and to surplus backslashes at either end.
std::string NormalKey(const std::string& path) {
    std::size_t first = 0;
    std::size_t last = path.size();
    while (first < last && path[first] == '\\') ++first;
    while (last > first && path[last - 1] == '\\') --last;
    return Lower(path.substr(first, last - first));
}

std::string RootAlias(const std::string& root) {
    const std::string r = Lower(root);
    if (r == "hkcu") return "hkey_current_user";
    if (r == "hklm") return "hkey_local_machine";
    return r;
}

// Reads the whole file; nothing when it cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The file's text as UTF-8, with the dialect it was written in.
std::optional<std::string> DecodeFile(const std::string& bytes, bool& unicodeDialect) {
    std::string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        auto converted = ToUtf8(bytes.substr(2), "UTF-16LE");
        if (!converted) return std::nullopt;
        text = std::move(*converted);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = bytes.substr(3);
    } else if (IsValidUtf8(bytes)) {
        text = bytes;
    } else {
        auto converted = ToUtf8(bytes, "WINDOWS-1252");
        if (!converted) return std::nullopt;
        text = std::move(*converted);
    }
    unicodeDialect = text.rfind("Windows Registry Editor Version 5.00", 0) == 0;
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "12,ab,00" -> bytes; nothing on a malformed list.
std::optional<std::string> HexBytes(const std::string& list) {
    std::string bytes;
    std::string item;
    std::istringstream in(list);
    while (std::getline(in, item, ',')) {
        item = Trim(item);
        if (item.empty()) continue;
        if (item.size() > 2) return std::nullopt;
        int value = 0;
        for (char c : item) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            value = value * 16 + d;
        }
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// Text bytes of a hex(1)/hex(2)/hex(7) list as UTF-8 with one terminating NUL per string
// and, for multi-text, the closing empty string.
std::optional<std::string> HexText(const std::string& raw, bool unicodeDialect, bool multi) {
    std::string text;
    if (unicodeDialect) {
        std::string even = raw;
        if (even.size() % 2 != 0) even.pop_back();
        auto converted = ToUtf8(even, "UTF-16LE");
        if (!converted) return std::nullopt;
        text = std::move(*converted);
    } else {
        auto converted = IsValidUtf8(raw) ? std::optional<std::string>(raw) : ToUtf8(raw, "WINDOWS-1252");
        if (!converted) return std::nullopt;
        text = std::move(*converted);
    }
    if (!multi) {
        if (auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
        return text + '\0';
    }
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text + std::string(2, '\0');
}

// A quoted string starting at `pos` (on the opening quote); `pos` ends after the closing one.
std::optional<std::string> QuotedString(const std::string& line, std::size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < line.size()) ++pos;  // \\ and \" stand for the character itself
        out.push_back(line[pos]);
    }
    return std::nullopt;
}

std::optional<RegFileValue> ParseData(const std::string& dataText, bool unicodeDialect) {
    const std::string data = Trim(dataText);
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        auto text = QuotedString(data, pos);
        if (!text || !Trim(data.substr(pos)).empty()) return std::nullopt;
        return RegFileValue{REG_SZ_, *text + '\0'};
    }
    const std::string lower = Lower(data);
    if (lower.rfind("dword:", 0) == 0) {
        const std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        std::uint32_t value = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return RegFileValue{REG_DWORD_, bytes};
    }
    if (lower.rfind("hex", 0) == 0) {
        std::uint32_t type = REG_BINARY_;
        std::size_t colon = lower.find(':');
        if (colon == std::string::npos) return std::nullopt;
        const std::string kind = lower.substr(3, colon - 3);
        if (!kind.empty()) {  // "(2)", "(7)", "(b)", ...
            if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')') return std::nullopt;
            type = 0;
            for (char c : kind.substr(1, kind.size() - 2)) {
                const int d = HexDigit(c);
                if (d < 0) return std::nullopt;
                type = type * 16 + static_cast<std::uint32_t>(d);
            }
        }
        auto raw = HexBytes(data.substr(colon + 1));
        if (!raw) return std::nullopt;
        if (type == REG_SZ_ || type == REG_EXPAND_SZ_ || type == REG_MULTI_SZ_) {
            auto text = HexText(*raw, unicodeDialect, type == REG_MULTI_SZ_);
            if (!text) return std::nullopt;
            return RegFileValue{type, *text};
        }
        return RegFileValue{type, *raw};
    }
    return std::nullopt;
}

// Joins the physical lines that end in a backslash (long hex lists) into logical lines.
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    bool continuing = false;
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string piece = continuing ? Trim(raw) : raw;
        const std::string trimmed = Trim(piece);
        // Only value lines of hex data are continued; a section or a text never ends so.
        const bool continues = !trimmed.empty() && trimmed.back() == '\\' && trimmed.front() != '[' &&
                               Lower(trimmed).find("=hex") != std::string::npos;
        if (continuing || continues) {
            const bool more = !trimmed.empty() && trimmed.back() == '\\';
            current += more ? trimmed.substr(0, trimmed.size() - 1) : trimmed;
            continuing = more;
            if (!continuing) {
                lines.push_back(current);
                current.clear();
            }
            continue;
        }
        lines.push_back(raw);
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

void AddKeyWithParents(RegHive& hive, const std::string& path) {
    std::size_t pos = 0;
    while ((pos = path.find('\\', pos)) != std::string::npos) {
        hive.keys.try_emplace(path.substr(0, pos));
        ++pos;
    }
    hive.keys.try_emplace(path);
}

void RemoveKeyTree(RegHive& hive, const std::string& path) {
    for (auto it = hive.keys.begin(); it != hive.keys.end();) {
        const std::string& k = it->first;
        if (k == path || (k.size() > path.size() && k.compare(0, path.size(), path) == 0 && k[path.size()] == '\\'))
            it = hive.keys.erase(it);
        else
            ++it;
    }
}

}  // namespace

std::optional<RegHive> ParseRegFile(const std::string& bytes, const std::string& rootName, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<RegHive> {
        if (error != nullptr) *error = why;
        return std::nullopt;
    };
    bool unicodeDialect = false;
    auto text = DecodeFile(bytes, unicodeDialect);
    if (!text) return fail("the file's text cannot be decoded");
    const auto lines = LogicalLines(*text);
    if (lines.empty()) return fail("empty file");
    const std::string header = Trim(lines.front());
    if (header != "REGEDIT4" && header != "Windows Registry Editor Version 5.00")
        return fail("not a registry export file: " + header);

    RegHive hive;
    hive.keys.try_emplace("");  // the root itself always exists
    const std::string root = Lower(rootName);
    RegFileKey* current = nullptr;  // null: outside any section of our root
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            current = nullptr;
            const auto close = line.rfind(']');
            if (close == std::string::npos) continue;
            std::string name = line.substr(1, close - 1);
            const bool remove = !name.empty() && name.front() == '-';
            if (remove) name.erase(0, 1);
            const auto slash = name.find('\\');
            if (RootAlias(name.substr(0, slash)) != root) continue;
            const std::string path = slash == std::string::npos ? "" : NormalKey(name.substr(slash + 1));
            if (remove) {
                RemoveKeyTree(hive, path);
                continue;
            }
            AddKeyWithParents(hive, path);
            current = &hive.keys[path];
            continue;
        }
        if (current == nullptr) continue;
        std::string name;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else {
            auto quoted = QuotedString(line, pos);
            if (!quoted) continue;  // not a value line: skipped, as the registry editor does
            name = *quoted;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string dataText = Trim(line.substr(pos + 1));
        if (dataText == "-") {
            current->values.erase(Lower(name));
            continue;
        }
        if (auto value = ParseData(dataText, unicodeDialect)) current->values[Lower(name)] = std::move(*value);
    }
    return hive;
}

std::string UserHivePath() { return ConfigHome() + "/Veltrano/HKEY_CURRENT_USER.reg"; }

std::string MachineHivePath() {
    auto configured = EnvValue("ARDEKO_MACHINE_REGISTRY");
    if (!configured) return "/etc/ardeko/HKEY_LOCAL_MACHINE.reg";
    struct stat st {};
    if (stat(configured->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return *configured + "/HKEY_LOCAL_MACHINE.reg";
    return *configured;
}

namespace {

// The shell's folder table, where Windows keeps the documents folder under "Personal".
const std::string kShellFolders = "software\\microsoft\\windows\\currentversion\\explorer\\shell folders";

class PosixRegistry final : public Registry {
public:
    long OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access, RegHandle& out) override {
        std::string file;
        std::string root;
        if (hive == HKEY_CURRENT_USER_) {
            file = UserHivePath();
            root = "HKEY_CURRENT_USER";
        } else if (hive == HKEY_LOCAL_MACHINE_) {
            file = MachineHivePath();
            root = "HKEY_LOCAL_MACHINE";
        } else {
            return ERROR_INVALID_HANDLE_;
        }
        const std::string path = NormalKey(subKey);
        const bool fileExists = access_(file, F_OK);

        RegFileKey key;
        bool found = false;
        if (fileExists) {
            auto bytes = ReadWhole(file);
            if (!bytes) return ERROR_ACCESS_DENIED_;  // there, but not readable for us
            if (auto parsed = ParseRegFile(*bytes, root)) {
                if (auto it = parsed->keys.find(path); it != parsed->keys.end()) {
                    key = std::move(it->second);
                    found = true;
                }
            }
        }
        const bool shellFolders = hive == HKEY_CURRENT_USER_ && path == kShellFolders;
        if (!found && !shellFolders) return ERROR_FILE_NOT_FOUND_;

        // Asking for the right to change a key of a hive this user cannot write fails, as it
        // does for a user without administrator rights on the machine's hive.
        constexpr std::uint32_t kWriteRights = 0x0002 /*KEY_SET_VALUE*/ | 0x0004 /*KEY_CREATE_SUB_KEY*/ |
                                               0x0020 /*KEY_CREATE_LINK*/ | 0x10000 /*DELETE*/ |
                                               0x40000 /*WRITE_DAC*/ | 0x80000 /*WRITE_OWNER*/;
        if ((access & kWriteRights) != 0 && fileExists && !access_(file, W_OK)) return ERROR_ACCESS_DENIED_;

        if (shellFolders && key.values.count("personal") == 0)
            key.values["personal"] = RegFileValue{REG_SZ_, DocumentsFolder() + '\0'};

        std::lock_guard lock(mutex_);
        out = nextHandle_++;
        open_[out] = std::move(key);
        return ERROR_SUCCESS_;
    }

    long QueryValueEx(RegHandle key, const std::string& valueName, std::uint32_t capacity, std::uint32_t& type,
                      std::string& data, std::uint32_t& size) override {
        std::lock_guard lock(mutex_);
        auto it = open_.find(key);
        if (it == open_.end()) return ERROR_INVALID_HANDLE_;
        auto value = it->second.values.find(Lower(valueName));
        if (value == it->second.values.end()) return ERROR_FILE_NOT_FOUND_;
        type = value->second.type;
        size = static_cast<std::uint32_t>(value->second.data.size());
        const bool text = type == REG_SZ_ || type == REG_EXPAND_SZ_;
        if ((text ? CodePointCount(value->second.data) : size) > capacity) return ERROR_MORE_DATA_;
        data = value->second.data;
        return ERROR_SUCCESS_;
    }

    long CloseKey(RegHandle key) override {
        std::lock_guard lock(mutex_);
        return open_.erase(key) == 1 ? ERROR_SUCCESS_ : ERROR_INVALID_HANDLE_;
    }

private:
    static bool access_(const std::string& file, int mode) { return ::access(file.c_str(), mode) == 0; }

    std::mutex mutex_;
    RegHandle nextHandle_ = 0x1000;
    std::map<RegHandle, RegFileKey> open_;
};

}  // namespace

std::unique_ptr<Registry> MakePosixRegistry() { return std::make_unique<PosixRegistry>(); }

}  // namespace ardeko::platform::posix
