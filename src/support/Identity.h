#pragma once
// Host and product identity.
#include <cstdint>
#include <string>

namespace ardeko {

inline constexpr const char* ProductVersion = "v3.00";

// "Outlook", "Word", "Excel", "Access", "FrontPage", "PowerPoint" or "Office".
std::string GetHostName();
// The host's major version; -1 when it cannot be read.
std::int16_t GetHostVersion();
// Sets ProductTitle, ProductName and ManualName from CurrLang and the host.
void InitProductTexts();
// ", Build N" for a non-zero revision of our own program version, else "".
std::string GetBuildText();

}  // namespace ardeko
