#include "testkit/Fakes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fmt/format.h>
#include <stdexcept>

namespace ardeko::testkit {

std::string FakeSettings::GetSetting(const std::string& app, const std::string& section,
                                     const std::string& key, const std::string& def) {
    if (failRead) throw std::runtime_error("settings store unreadable");
    auto it = values.find({app, section, key});
    return it == values.end() ? def : it->second;
}

bool FakeSettings::SaveSetting(const std::string& app, const std::string& section,
                               const std::string& key, const std::string& value) {
    if (failSave) return false;
    values[{app, section, key}] = value;
    return true;
}

std::optional<std::string> FakeSettings::Get(const std::string& section, const std::string& key) const {
    auto it = values.find({"Veltrano", section, key});
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::string FakeClock::FormatGrouped(std::int64_t value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += thousandsSeparator;
        out += digits[i];
    }
    return value < 0 ? "-" + out : out;
}

std::string FakeClock::FormatGeneralDate(const platform::LocalDateTime& t) {
    std::string s = fmt::format("{:02}.{:02}.{:04}", t.day, t.month, t.year);
    if (t.hour || t.minute || t.second) s += fmt::format(" {:02}:{:02}:{:02}", t.hour, t.minute, t.second);
    return s;
}

std::optional<std::string> FakeShell::SpecialFolder(int csidl) {
    auto it = specialFolders.find(csidl);
    if (it == specialFolders.end()) return std::nullopt;
    return it->second;
}

platform::ShellExecResult FakeShell::ShellExecute(const platform::ShellExecRequest& request) {
    executed.push_back(request);
    return execResult;
}

bool FakeShell::OpenFolderInFileManager(const std::string& folder) {
    fileManagerCalls.push_back(folder);
    return fileManagerStarts;
}

std::string FakeShell::Environ(const std::string& name) {
    auto it = environment.find(name);
    return it == environment.end() ? std::string() : it->second;
}

namespace {
std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}
std::string keyId(std::uint32_t hive, const std::string& key) {
    return fmt::format("{:x}\\{}", hive, lower(key));
}
}  // namespace

void FakeRegistry::SetString(std::uint32_t hive, const std::string& key, const std::string& name,
                             const std::string& text, std::uint32_t type) {
    keys_[keyId(hive, key)][lower(name)] = {type, text + '\0'};
}

void FakeRegistry::SetDword(std::uint32_t hive, const std::string& key, const std::string& name,
                            std::uint32_t v) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &v, 4);
    keys_[keyId(hive, key)][lower(name)] = {platform::REG_DWORD_, bytes};
}

long FakeRegistry::OpenKeyEx(std::uint32_t hive, const std::string& subKey, std::uint32_t access,
                             platform::RegHandle& out) {
    opens.emplace_back(hive, subKey, access);
    if (openError != 0) return openError;
    auto id = keyId(hive, subKey);
    if (!keys_.count(id)) return platform::ERROR_FILE_NOT_FOUND_;
    out = next_++;
    handles_[out] = id;
    ++openHandles;
    return platform::ERROR_SUCCESS_;
}

long FakeRegistry::QueryValueEx(platform::RegHandle key, const std::string& valueName,
                                std::uint32_t capacity, std::uint32_t& type, std::string& data,
                                std::uint32_t& size) {
    auto h = handles_.find(key);
    if (h == handles_.end()) return platform::ERROR_INVALID_HANDLE_;
    auto& values = keys_[h->second];
    auto v = values.find(lower(valueName));
    if (v == values.end()) return platform::ERROR_FILE_NOT_FOUND_;
    type = v->second.type;
    size = static_cast<std::uint32_t>(v->second.data.size());
    if (size > capacity) return platform::ERROR_MORE_DATA_;
    data = v->second.data;
    return platform::ERROR_SUCCESS_;
}

long FakeRegistry::CloseKey(platform::RegHandle key) {
    if (handles_.erase(key) == 0) return platform::ERROR_INVALID_HANDLE_;
    --openHandles;
    return platform::ERROR_SUCCESS_;
}

std::shared_ptr<host::CommandBars> FakeApplication::GetCommandBars() {
    if (!commandBars) throw host::HostError("CommandBars not available");
    return commandBars;
}

std::shared_ptr<host::Template> FakeApplication::NormalTemplate() {
    if (!normalTemplate) throw host::HostError("NormalTemplate not available");
    return normalTemplate;
}

std::string FakeApplication::need(const std::optional<std::string>& v, const char* what) {
    if (!v) throw host::HostError(std::string(what) + " cannot be read");
    return *v;
}

}  // namespace ardeko::testkit
