#pragma once
// Helpers for the tests of the Linux ports: files on disk, environment variables set for one
// test, and the root-only ways to make the file system fail for real.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "testkit/TempDir.h"

namespace ardeko::posixtest {

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    return names;
}

inline bool IsRoot() { return geteuid() == 0; }

inline int Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// Sets (or, with nothing, unsets) an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        if (value) setenv(name_.c_str(), value->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ~ScopedEnv() {
        if (saved_) setenv(name_.c_str(), saved_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Makes a path immutable (root only) and always lifts that again, so that the temporary
// folder can be removed. `ok()` tells whether the flag could be set here.
class Immutable {
public:
    explicit Immutable(std::string path) : path_(std::move(path)) {
        ok_ = IsRoot() && Run("chattr +i '" + path_ + "'") == 0;
    }
    ~Immutable() {
        if (ok_) Run("chattr -i '" + path_ + "'");
    }
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    bool ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};

}  // namespace ardeko::posixtest

namespace ardeko::posixtest {

// A home folder of its own for one test: HOME and the XDG folders point into a temporary
// folder and are restored afterwards.
class TempHome {
public:
    TempHome()
        : home_("HOME", dir_.str()),
          config_("XDG_CONFIG_HOME", dir_.str() + "/.config"),
          data_("XDG_DATA_HOME", dir_.str() + "/.local/share") {}
    std::string home() const { return dir_.str(); }
    std::string config() const { return dir_.str() + "/.config"; }
    std::string data() const { return dir_.str() + "/.local/share"; }
    std::string operator/(const std::string& name) const { return dir_ / name; }

private:
    testkit::TempDir dir_;
    ScopedEnv home_;
    ScopedEnv config_;
    ScopedEnv data_;
};

}  // namespace ardeko::posixtest
