#pragma once
// std::filesystem paths to and from UTF-8. A path made from a plain std::string takes it in the
// system's narrow code page, which on Windows is the ANSI one, so an umlaut in a folder name
// would not survive there; char8_t text is always read as UTF-8. On Linux the bytes pass as
// they are, valid UTF-8 or not.
#include <filesystem>
#include <string>

namespace ardeko::cli {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace ardeko::cli
