#pragma once
// A fresh temporary folder for one test, removed with everything in it afterwards, and the
// few ways the tests put files there and read them back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "platform/Types.h"

namespace ardeko::testkit {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ardeko-test-XXXXXX").string();
        if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TempDir() { std::error_code ec; std::filesystem::remove_all(path_, ec); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

// A file with this content, last written at `written` and read at `read` (local times, read
// defaults to written); folders created as needed.
inline void MakeFile(const std::string& path, const std::string& content, const platform::LocalDateTime& written,
                     std::optional<platform::LocalDateTime> read = {}) {
    auto toTimespec = [](const platform::LocalDateTime& t) {
        std::tm p{.tm_sec = t.second, .tm_min = t.minute, .tm_hour = t.hour, .tm_mday = t.day, .tm_mon = t.month - 1,
                  .tm_year = t.year - 1900, .tm_isdst = -1};
        return timespec{std::mktime(&p), 0};
    };
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, content);
    const timespec times[2] = {toTimespec(read.value_or(written)), toTimespec(written)};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

}  // namespace ardeko::testkit
