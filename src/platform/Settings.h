#pragma once
// Per-user settings store: named text values under application, section and key.
#include <string>

namespace ardeko::platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string GetSetting(const std::string& app, const std::string& section,
                                   const std::string& key, const std::string& def) = 0;
    // Returns false when the value could not be stored.
    virtual bool SaveSetting(const std::string& app, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
};

}  // namespace ardeko::platform
