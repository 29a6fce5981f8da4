#pragma once
// Helpers for the tests of the Linux ports: files, environment variables set for one test,
// and the root-only way to make the file system fail for real.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "testkit/TempDir.h"

namespace ardeko::posixtest {

inline void WriteFile(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sets (or, with nothing, unsets) an environment variable for the lifetime of the object.
struct ScopedEnv {
    ScopedEnv(std::string n, const std::optional<std::string>& value) : name(std::move(n)) {
        if (const char* old = std::getenv(name.c_str())) saved = old;
        Set(value);
    }
    ~ScopedEnv() { Set(saved); }
    void Set(const std::optional<std::string>& v) { v ? setenv(name.c_str(), v->c_str(), 1) : unsetenv(name.c_str()); }
    std::string name;
    std::optional<std::string> saved;
};

// Makes a path immutable (root only) and lifts that again, so that the temporary folder can go.
struct Immutable {
    explicit Immutable(std::string p) : path(std::move(p)), ok(geteuid() == 0 && Chattr('+')) {}
    ~Immutable() { if (ok) Chattr('-'); }
    bool Chattr(char sign) const { return std::system(("chattr " + std::string(1, sign) + "i '" + path + "'").c_str()) == 0; }
    std::string path;
    bool ok;
};

// HOME and the XDG folders point into a temporary folder for one test (not to the defaults
// below HOME, so that a test can tell them apart).
struct TempHome {
    testkit::TempDir dir;
    std::string home = dir.str(), config = dir / "konfig", data = dir / "daten";
    ScopedEnv homeEnv{"HOME", home}, configEnv{"XDG_CONFIG_HOME", config}, dataEnv{"XDG_DATA_HOME", data};
};

}  // namespace ardeko::posixtest
