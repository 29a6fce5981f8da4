#include "support/Identity.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "support/Module.h"
#include "support/Version.h"

namespace ardeko {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The host's Name property, or "Office" when there is no host or it will not answer.
std::string HostNameText() {
    try {
        const auto& app = Module().HostApp;
        if (!app) return "Office";
        return app->Name();
    } catch (...) {
        return "Office";
    }
}

}  // namespace

std::string GetHostName() {
    try {
        const std::string name = Lower(HostNameText());
        // Order matters: a name holding two keys is decided by the earlier one.
        static constexpr std::pair<std::string_view, std::string_view> keys[] = {
            {"outlook", "Outlook"}, {"word", "Word"},           {"excel", "Excel"},
            {"access", "Access"},   {"frontpage", "FrontPage"}, {"powerpoint", "PowerPoint"},
        };
        for (const auto& [key, result] : keys)
            if (name.find(key) != std::string::npos) return std::string(result);
    } catch (...) {
    }
    return "Office";
}

std::int16_t GetHostVersion() {
    std::string text;
    try {
        const auto& app = Module().HostApp;
        if (!app) return -1;
        text = app->Version();
    } catch (...) {
        return -1;
    }
    try {
        if (auto dot = text.find('.'); dot != std::string::npos) text.resize(dot);
        // Leading decimal digits only. A number beyond the 16-bit range is no version we can
        // compare, so it counts as unreadable.
        std::int32_t value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') break;
            value = value * 10 + (c - '0');
            if (value > 32767) return -1;
        }
        return static_cast<std::int16_t>(value);
    } catch (...) {
        return -1;
    }
}

void InitProductTexts() {
    try {
        ModuleValues& m = Module();
        const bool german = m.CurrLang == 0;
        m.ProductTitle = std::string(german ? "Veltrano Archivierungs-Assistent" : "Veltrano Archiving Wizard") +
                         " " + ProductVersion;
        m.ProductName = german ? "Archivierungs-Assistent" : "Archiving Wizard";
        m.ManualName = std::string(german ? "Dokumentation" : "Manual") + " Veltrano " + m.ProductName +
                       (german ? " für " : " for ") + GetHostName();
    } catch (...) {
    }
}

std::string BuildTextFor(std::int32_t revision) {
    try {
        if (revision == 0) return {};
        return ", Build " + std::to_string(revision);
    } catch (...) {
        return {};
    }
}

std::string GetBuildText() { return BuildTextFor(kProgramVersion.revision); }

}  // namespace ardeko
