#pragma once
// In-memory stand-ins for the platform ports that a test wants to control completely.
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Clock.h"
#include "archive/FileWalk.h"
#include "platform/Registry.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

namespace ardeko::testkit {

template <class Map, class K>
std::optional<typename Map::mapped_type> Lookup(const Map& m, const K& k) {
    auto it = m.find(k);
    return it == m.end() ? std::nullopt : std::optional(it->second);
}

class FakeSettings : public platform::SettingsStore {
public:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;  // app, section, key
    bool failSave = false;
    bool failRead = false;  // GetSetting throws, as a broken store would

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override {
        if (failRead) throw std::runtime_error("settings store unreadable");
        return Lookup(values, std::tuple(app, section, key)).value_or(def);
    }
    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        return !failSave && (values[{app, section, key}] = value, true);
    }
    void Set(const std::string& section, const std::string& key, const std::string& v) { values[{"Veltrano", section, key}] = v; }
    std::optional<std::string> Get(const std::string& section, const std::string& key) const {
        return Lookup(values, std::tuple("Veltrano", section, key));
    }
};

// A fixed "now" and German regional settings (1.234 and 12.03.2007 10:11:12).
class FakeClock : public platform::ClockLocale {
public:
    platform::LocalDateTime now{2009, 12, 4, 18, 47, 15};
    std::int64_t tickMs = 0;

    platform::LocalDateTime Now() override { return now; }
    std::int64_t TickMs() override { return tickMs; }
    std::string FormatGrouped(std::int64_t value) override {
        std::string digits = std::to_string(value < 0 ? -value : value), out = value < 0 ? "-" : "";
        for (std::size_t i = 0; i < digits.size(); ++i) out += (i > 0 && (digits.size() - i) % 3 == 0 ? "." : "") + digits.substr(i, 1);
        return out;
    }
    std::string FormatGeneralDate(const platform::LocalDateTime& t) override {
        std::string s = fmt::format("{:02}.{:02}.{:04}", t.day, t.month, t.year);
        return t.hour || t.minute || t.second ? s + fmt::format(" {:02}:{:02}:{:02}", t.hour, t.minute, t.second) : s;
    }
};

class FakeShell : public platform::Shell {
public:
    std::map<int, std::string> specialFolders;     // csidl -> path
    std::map<std::string, std::string> environment;
    std::string programFolder = "/opt/ardeko";
    std::vector<platform::ShellExecRequest> executed;
    std::vector<std::string> fileManagerCalls;
    // Result of ShellExecute; default: success with process 1234.
    platform::ShellExecResult execResult{42, 1234};
    std::uint32_t waitResult = platform::WAIT_TIMEOUT_;
    bool fileManagerStarts = true;

    std::optional<std::string> SpecialFolder(int csidl) override { return Lookup(specialFolders, csidl); }
    platform::ShellExecResult ShellExecute(const platform::ShellExecRequest& r) override { executed.push_back(r); return execResult; }
    std::uint32_t WaitForProcess(platform::ProcessHandle, std::uint32_t) override { return waitResult; }
    void CloseProcess(platform::ProcessHandle) override {}
    bool OpenFolderInFileManager(const std::string& f) override { fileManagerCalls.push_back(f); return fileManagerStarts; }
    std::string Environ(const std::string& name) override { return Lookup(environment, name).value_or(""); }
    std::string ProgramFolder() override { return programFolder; }
};

// A registry held in memory: hive + key path (case-insensitive) -> value name -> (type, bytes).
class FakeRegistry : public platform::Registry {
public:
    void SetString(std::uint32_t hive, const std::string& key, const std::string& name, const std::string& text,
                   std::uint32_t type = platform::REG_SZ_) {
        keys_[Id(hive, key)][Lower(name)] = {type, text + '\0'};  // text values include their terminating NUL
    }
    void SetDword(std::uint32_t hive, const std::string& key, const std::string& name, std::uint32_t v) {
        keys_[Id(hive, key)][Lower(name)] = {platform::REG_DWORD_, std::string(reinterpret_cast<const char*>(&v), 4)};
    }
    std::vector<std::tuple<std::uint32_t, std::string, std::uint32_t>> opens;  // hive, key, access
    int openHandles = 0;

    long OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access, platform::RegHandle& out) override {
        opens.emplace_back(hive, subKey, access);
        if (!keys_.count(Id(hive, subKey))) return platform::ERROR_FILE_NOT_FOUND_;
        handles_[out = next_++] = Id(hive, subKey);
        ++openHandles;
        return platform::ERROR_SUCCESS_;
    }
    long QueryValueEx(platform::RegHandle key, const std::string& valueName, std::uint32_t capacity,
                      std::uint32_t& type, std::string& data, std::uint32_t& size) override {
        if (!handles_.count(key)) return platform::ERROR_INVALID_HANDLE_;
        auto v = Lookup(keys_[handles_[key]], Lower(valueName));
        if (!v) return platform::ERROR_FILE_NOT_FOUND_;
        type = v->first, size = static_cast<std::uint32_t>(v->second.size());
        // Text is measured in characters, as the real registry's buffer counts them.
        std::uint32_t needed = size;
        if (type == platform::REG_SZ_ || type == platform::REG_EXPAND_SZ_)
            needed = static_cast<std::uint32_t>(CharacterCount(v->second));
        if (needed > capacity) return platform::ERROR_MORE_DATA_;
        data = v->second;
        return platform::ERROR_SUCCESS_;
    }
    long CloseKey(platform::RegHandle key) override {
        return handles_.erase(key) ? (--openHandles, platform::ERROR_SUCCESS_) : platform::ERROR_INVALID_HANDLE_;
    }

private:
    static std::string Lower(std::string s) {
        std::ranges::transform(s, s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    }
    static std::string Id(std::uint32_t hive, const std::string& key) { return fmt::format("{:x}\\{}", hive, Lower(key)); }
    std::map<std::string, std::map<std::string, std::pair<std::uint32_t, std::string>>> keys_;  // "hive\\lower(key)" -> values
    std::map<platform::RegHandle, std::string> handles_;
    platform::RegHandle next_ = 1;
};

}  // namespace ardeko::testkit
