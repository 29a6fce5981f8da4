#include "platform/posix/PosixCommon.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace ardeko::platform::posix {

std::string ErrnoText(int err) {
    char buffer[256];
    // GNU strerror_r: returns a pointer that may or may not be `buffer`.
    const char* text = strerror_r(err, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : "Error " + std::to_string(err);
}

std::optional<std::string> EnvValue(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string HomeFolder() {
    if (auto home = EnvValue("HOME")) return *home;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && *found->pw_dir != '\0')
        return found->pw_dir;
    return "/";
}

static std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

static std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    if (auto value = EnvValue(variable); value && value->front() == '/') return StripTrailingSlashes(*value);
    return StripTrailingSlashes(HomeFolder()) + fallbackBelowHome;
}

std::string ConfigHome() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string DataHome() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

// Runs `xdg-user-dir DOCUMENTS` without a shell and returns its first output line.
static std::optional<std::string> AskXdgUserDir() {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xdg-user-dir";
    char argument[] = "DOCUMENTS";
    char* argv[] = {program, argument, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }
    std::string output;
    // A helper that hangs must not hang us: give it two seconds at most.
    for (int waited = 0; waited < 2000 && output.size() < 8192;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            waited += 100;
            continue;
        }
        char chunk[1024];
        const ssize_t got = read(pipeFds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        output.append(chunk, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    // The output is complete once the pipe closes; the process ends right after.
    int status = 0;
    pid_t ended = 0;
    for (int tries = 0; tries < 200 && (ended = waitpid(pid, &status, WNOHANG)) == 0; ++tries) usleep(5000);
    if (ended < 0) return std::nullopt;  // reaped elsewhere: its answer cannot be trusted
    if (ended != pid) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    if (auto end = output.find('\n'); end != std::string::npos) output.resize(end);
    if (output.empty() || output.front() != '/') return std::nullopt;
    return StripTrailingSlashes(output);
}

std::string DocumentsFolder() {
    const std::string home = StripTrailingSlashes(HomeFolder());
    // The helper answers with the home folder itself when no documents folder is configured;
    // archiving straight into the home folder is not what "documents" means, so take the
    // usual name then.
    if (auto answer = AskXdgUserDir(); answer && *answer != home) return *answer;
    return home + "/Documents";
}

EnvLocale::EnvLocale() {
    loc_ = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (loc_ == static_cast<locale_t>(nullptr)) loc_ = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
}

EnvLocale::~EnvLocale() {
    if (loc_ != static_cast<locale_t>(nullptr)) freelocale(loc_);
}

std::string EnvLocale::codeSet() const {
    if (loc_ == static_cast<locale_t>(nullptr)) return "ANSI_X3.4-1968";
    const char* set = nl_langinfo_l(CODESET, loc_);
    return set != nullptr && *set != '\0' ? std::string(set) : std::string("ANSI_X3.4-1968");
}

std::string EnvironmentCodeSet() { return EnvLocale().codeSet(); }

static bool IsUtf8Name(std::string set) {
    for (auto& c : set) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return set == "UTF-8" || set == "UTF8";
}

static iconv_t AsIconv(void* cd) { return static_cast<iconv_t>(cd); }
static const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

TextEncoder::TextEncoder(const std::string& codeSet) : utf8_(IsUtf8Name(codeSet)) {
    if (utf8_) return;
    iconv_t cd = iconv_open(codeSet.c_str(), "UTF-8");
    if (cd == kNoIconv) cd = iconv_open("ASCII", "UTF-8");
    if (cd != kNoIconv) cd_ = cd;
}

TextEncoder::~TextEncoder() {
    if (cd_ != nullptr) iconv_close(AsIconv(cd_));
}

// Converts the whole text in chunks. At a character the target code set lacks, or a broken
// sequence, `substitute` decides: one '?' in its place, or no result at all.
static std::optional<std::string> RunIconv(iconv_t cd, const std::string& text, bool substitute) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string input = text;
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::string result;
    char buffer[4096];
    while (inLeft > 0) {
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int err = errno;
        result.append(buffer, static_cast<std::size_t>(out - buffer));
        if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
        if (!substitute) return std::nullopt;
        result.push_back('?');
        std::size_t skip = 1;
        while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

std::string TextEncoder::encode(const std::string& text) {
    if (utf8_) return text;
    std::string result;
    if (cd_ == nullptr) {  // no converter at all: plain ASCII only
        for (unsigned char c : text) {
            if (c < 0x80) result.push_back(static_cast<char>(c));
            else if ((c & 0xC0) != 0x80) result.push_back('?');
        }
        return result;
    }
    return RunIconv(AsIconv(cd_), text, true).value_or(std::string());
}

std::optional<std::string> ToUtf8(const std::string& bytes, const char* codeSet) {
    iconv_t cd = iconv_open("UTF-8", codeSet);
    if (cd == kNoIconv) return std::nullopt;
    auto result = RunIconv(cd, bytes, false);
    iconv_close(cd);
    return result;
}

std::string ParentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace ardeko::platform::posix
