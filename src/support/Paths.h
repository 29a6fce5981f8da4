#pragma once
// Paths and folders. "Backslash" in the names means the platform's separator.
#include <cstdint>
#include <string>

namespace ardeko::platform {
class OpenFolder;
}

namespace ardeko {

std::string AddBackslash(const std::string& path);
std::string StripBackslash(const std::string& path);
// Creates every missing level of the path; never fails, always true.
bool CreatePath(const std::string& path);
// The same for `relative` below the open folder `from`: each level is opened, never through a
// link, before the next one is made inside it, so no level lands outside `from`.
bool CreatePath(platform::OpenFolder& from, const std::string& relative);
// The special folder's path without trailing separator, or "".
std::string GetSpecialFolder(std::int32_t csidl);
// The per-host, per-language data folder, with trailing separator; created when missing.
std::string GetDataFolder();
// The same path, computed without creating anything (for callers that write into it often
// and create it only when a write fails).
std::string DataFolderPath();

}  // namespace ardeko
