// Opening documents, addresses and folders on Linux, and starting programs: always without a
// shell in between, so that blanks, quotes and other special characters in a path reach the
// program as they are.
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

extern char** environ;

namespace ardeko::platform::posix {
namespace {

constexpr std::intptr_t kFileNotFound = 2;  // the shell's "file not found"
constexpr std::intptr_t kNoAssociation = 31;  // the shell's "no application for this file"
constexpr std::intptr_t kStarted = 42;

// How long an opener gets to fail before we call it started. Openers hand the document to a
// program and end quickly; one that fails does so at once.
constexpr int kStartCheckMs = 300;

void SleepMs(int ms) {
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// "http:", "mailto:", "file:" ... but not a lone drive letter such as "C:".
bool IsAddress(const std::string& target) {
    const auto colon = target.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    if (!std::isalpha(static_cast<unsigned char>(target[0]))) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(target[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Opener() { return EnvValue("ARDEKO_OPENER").value_or("xdg-open"); }

}  // namespace

// A parameter string split into arguments the way Windows programs split their command line:
// blanks separate, double quotes group, a quote preceded by a backslash is taken literally,
// and "" inside quotes stands for one quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool haveArg = false;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (c == '\\') {
            std::size_t count = 0;
            while (i < line.size() && line[i] == '\\') {
                ++count;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(count / 2, '\\');
                if (count % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
            } else {
                current.append(count, '\\');
            }
            haveArg = true;
            continue;
        }
        if (c == '"') {
            if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
                current.push_back('"');
                i += 2;
            } else {
                inQuotes = !inQuotes;
                ++i;
            }
            haveArg = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !inQuotes) {
            if (haveArg) args.push_back(current);
            current.clear();
            haveArg = false;
            ++i;
            continue;
        }
        current.push_back(c);
        haveArg = true;
        ++i;
    }
    if (haveArg) args.push_back(current);
    return args;
}

namespace {

class PosixShell final : public Shell {
public:
    ~PosixShell() override { reapDetached(); }

    std::optional<std::string> SpecialFolder(int csidl) override {
        if (csidl == CSIDL_APPDATA_) return DataHome();
        if (csidl == CSIDL_PERSONAL_) return DocumentsFolder();
        return std::nullopt;
    }

    // The window-show value has no counterpart here: the opened program places its own window.
    ShellExecResult ShellExecute(const ShellExecRequest& request) override {
        reapDetached();
        std::vector<std::string> argv;
        if (request.parameters) {
            if (request.file.empty()) return {kFileNotFound, 0};
            argv.push_back(request.file);
            for (auto& a : SplitCommandLine(*request.parameters)) argv.push_back(std::move(a));
        } else {
            if (request.file.empty()) return {kFileNotFound, 0};
            // Nothing is started for a document that is not there: the opener would only
            // report the same after a while.
            if (!IsAddress(request.file)) {
                std::string path = request.file;
                if (path.front() != '/' && IsFolder(request.directory)) path = request.directory + "/" + path;
                struct stat st {};
                if (stat(path.c_str(), &st) != 0) return {kFileNotFound, 0};
            }
            argv = {Opener(), request.file};
        }

        pid_t pid = 0;
        const int err = spawn(argv, request.directory, pid);
        if (err != 0) return {err == ENOENT ? kFileNotFound : kNoAssociation, 0};

        for (int waited = 0; waited < kStartCheckMs; waited += 10) {
            int status = 0;
            const pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid) {
                if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                    std::lock_guard lock(mutex_);
                    ended_[pid] = true;
                    return {kStarted, pid};
                }
                return {kNoAssociation, 0};
            }
            if (r < 0) break;
            SleepMs(10);
        }
        std::lock_guard lock(mutex_);
        ended_[pid] = false;
        return {kStarted, pid};
    }

    std::uint32_t WaitForProcess(ProcessHandle process, std::uint32_t milliseconds) override {
        const pid_t pid = static_cast<pid_t>(process);
        {
            std::lock_guard lock(mutex_);
            auto it = ended_.find(pid);
            if (process <= 0 || it == ended_.end()) return WAIT_FAILED_;
            if (it->second) return WAIT_OBJECT_0_;
        }
        const bool forever = milliseconds == 0xFFFFFFFFu;
        std::uint64_t waited = 0;
        for (;;) {
            int status = 0;
            const pid_t r = waitpid(pid, &status, forever ? 0 : WNOHANG);
            if (r == pid || (r < 0 && errno == ECHILD)) {
                std::lock_guard lock(mutex_);
                ended_[pid] = true;
                return WAIT_OBJECT_0_;
            }
            if (r < 0 && errno != EINTR) return WAIT_FAILED_;
            if (!forever && waited >= milliseconds) return WAIT_TIMEOUT_;
            const int step = static_cast<int>(std::min<std::uint64_t>(5, milliseconds - waited));
            if (step > 0) SleepMs(step);
            waited += static_cast<std::uint64_t>(step > 0 ? step : 1);
        }
    }

    void CloseProcess(ProcessHandle process) override {
        const pid_t pid = static_cast<pid_t>(process);
        std::lock_guard lock(mutex_);
        auto it = ended_.find(pid);
        if (it == ended_.end()) return;
        const bool ended = it->second;
        ended_.erase(it);
        // A program still running is ours to reap later, so that it leaves no zombie.
        if (!ended) detached_.push_back(pid);
        reapDetachedLocked();
    }

    bool OpenFolderInFileManager(const std::string& folder) override {
        reapDetached();
        if (folder.empty()) return false;
        pid_t pid = 0;
        if (spawn({Opener(), folder}, "", pid) != 0) return false;
        std::lock_guard lock(mutex_);
        detached_.push_back(pid);
        return true;
    }

    std::string Environ(const std::string& name) override {
        const char* value = std::getenv(name.c_str());
        return value != nullptr ? value : "";
    }

    std::string ProgramFolder() override {
        if (auto configured = EnvValue("ARDEKO_PROGRAM_DIR")) {
            std::string folder = *configured;
            while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
            return folder;
        }
        char buffer[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0) return ".";
        const std::string folder = ParentOf(std::string(buffer, static_cast<std::size_t>(n)));
        // Installed, the programs sit in bin/ and the files that belong beside them (manual,
        // pictures, sounds) in the package's data folder, which the build names relative to
        // bin/. In the build tree there is no such folder and they lie beside the program.
#ifdef ARDEKO_DATA_DIR_FROM_BIN
        const std::string data =
            std::filesystem::path(folder + "/" ARDEKO_DATA_DIR_FROM_BIN).lexically_normal().string();
        if (IsFolder(data)) return data;
#endif
        return folder;
    }

private:
    // Starts argv[0] (searched on PATH when it has no slash) in its own session, with input
    // from /dev/null and default signal handling. Returns 0 or an errno value.
    static int spawn(const std::vector<std::string>& args, const std::string& directory, pid_t& pid) {
        std::vector<char*> argv;
        std::vector<std::string> copies(args);
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        // The working directory is a wish, not a condition: the default one of the runner
        // names a Windows folder that does not exist here.
        if (IsFolder(directory)) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());

        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, s);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

        const int err = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        return err;
    }

    void reapDetached() {
        std::lock_guard lock(mutex_);
        reapDetachedLocked();
    }

    void reapDetachedLocked() {
        for (auto it = detached_.begin(); it != detached_.end();) {
            int status = 0;
            const pid_t r = waitpid(*it, &status, WNOHANG);
            if (r == *it || (r < 0 && errno == ECHILD)) it = detached_.erase(it);
            else ++it;
        }
    }

    std::mutex mutex_;
    std::map<pid_t, bool> ended_;  // processes handed out by ShellExecute -> already ended
    std::vector<pid_t> detached_;  // started and not waited for; reaped when they end
};

}  // namespace

std::unique_ptr<Shell> MakePosixShell() { return std::make_unique<PosixShell>(); }

}  // namespace ardeko::platform::posix
