#pragma once
// In-memory stand-ins for the platform ports that a test wants to control completely.
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Clock.h"
#include "platform/OfficeHost.h"
#include "platform/Registry.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

namespace ardeko::testkit {

class FakeSettings : public platform::SettingsStore {
public:
    using Key = std::tuple<std::string, std::string, std::string>;  // app, section, key
    std::map<Key, std::string> values;
    bool failSave = false;
    bool failRead = false;  // GetSetting throws, as a broken store would

    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& def) override;
    bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override;
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        values[{"Veltrano", section, key}] = value;
    }
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
};

// A fixed "now" and German regional settings (1.234 and 12.03.2007 10:11:12).
class FakeClock : public platform::ClockLocale {
public:
    platform::LocalDateTime now{2009, 12, 4, 18, 47, 15};
    char thousandsSeparator = '.';

    platform::LocalDateTime Now() override { return now; }
    std::string FormatGrouped(std::int64_t value) override;
    std::string FormatGeneralDate(const platform::LocalDateTime& when) override;
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

    std::optional<std::string> SpecialFolder(int csidl) override;
    platform::ShellExecResult ShellExecute(const platform::ShellExecRequest& request) override;
    std::uint32_t WaitForProcess(platform::ProcessHandle, std::uint32_t) override { return waitResult; }
    void CloseProcess(platform::ProcessHandle) override {}
    bool OpenFolderInFileManager(const std::string& folder) override;
    std::string Environ(const std::string& name) override;
    std::string ProgramFolder() override { return programFolder; }
};

// A registry held in memory: hive + key path (case-insensitive) -> value name -> (type, bytes).
class FakeRegistry : public platform::Registry {
public:
    struct Value {
        std::uint32_t type;
        std::string data;  // raw bytes; text values include their terminating NUL
    };
    void SetString(std::uint32_t hive, const std::string& key, const std::string& name,
                   const std::string& text, std::uint32_t type = platform::REG_SZ_);
    void SetDword(std::uint32_t hive, const std::string& key, const std::string& name, std::uint32_t v);
    long openError = 0;  // when non-zero, every open fails with this code
    std::vector<std::tuple<std::uint32_t, std::string, std::uint32_t>> opens;  // hive, key, access
    int openHandles = 0;

    long OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access,
                   platform::RegHandle& out) override;
    long QueryValueEx(platform::RegHandle key, const std::string& valueName, std::uint32_t capacity,
                      std::uint32_t& type, std::string& data, std::uint32_t& size) override;
    long CloseKey(platform::RegHandle key) override;

private:
    std::map<std::string, std::map<std::string, Value>> keys_;  // "hive\\lower(key)" -> values
    std::map<platform::RegHandle, std::string> handles_;
    platform::RegHandle next_ = 1;
};

// A host Application whose members can be told to fail.
class FakeApplication : public host::Application {
public:
    std::optional<std::string> name = "Microsoft Word";      // nothing: reading fails
    std::optional<std::string> version = "16.0";
    std::optional<std::string> build = "4266";
    std::shared_ptr<host::CommandBars> commandBars;           // empty: reading fails
    std::shared_ptr<host::Template> normalTemplate;           // empty: reading fails

    std::string Name() override { return need(name, "Name"); }
    std::string Version() override { return need(version, "Version"); }
    std::string Build() override { return need(build, "Build"); }
    std::shared_ptr<host::CommandBars> GetCommandBars() override;
    std::shared_ptr<host::Template> NormalTemplate() override;

private:
    static std::string need(const std::optional<std::string>& v, const char* what);
};

}  // namespace ardeko::testkit
