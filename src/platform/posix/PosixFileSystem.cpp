// The file system of this machine, through the POSIX calls.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/PosixCommon.h"
#include "platform/posix/PosixPorts.h"

namespace ardeko::platform::posix {
namespace {

FileAttributes AttributesFromMode(const std::string& name, mode_t mode) {
    FileAttributes a;
    a.hidden = !name.empty() && name.front() == '.';
    a.directory = S_ISDIR(mode);
    // Links, devices, pipes and sockets are kept out of every walk; a link to a folder could
    // lead into a loop or out of the tree the user chose.
    a.system = !S_ISDIR(mode) && !S_ISREG(mode);
    a.readOnly = (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return a;
}

std::optional<LocalDateTime> TimeOf(int dirFd, const char* path, FileTimeKind kind);

class PosixDirSearch final : public DirSearch {
public:
    explicit PosixDirSearch(DIR* dir) : dir_(dir) {}
    ~PosixDirSearch() override {
        if (dir_ != nullptr) closedir(dir_);
    }
    PosixDirSearch(const PosixDirSearch&) = delete;
    PosixDirSearch& operator=(const PosixDirSearch&) = delete;

    bool next(DirEntry& out) override {
        if (dir_ == nullptr) return false;
        for (;;) {
            errno = 0;
            const dirent* e = readdir(dir_);
            if (e == nullptr) return false;  // end, or a read error: the listing ends either way
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            out.name = name;
            out.attributes = FileAttributes{};
            out.attributes.hidden = name.front() == '.';
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (fstatat(dirfd(dir_), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    // Vanished meanwhile, or not readable: nothing the walk could use.
                    out.attributes.system = true;
                    return true;
                }
                out.attributes = AttributesFromMode(name, st.st_mode);
                return true;
            }
            out.attributes.directory = type == DT_DIR;
            out.attributes.system = type != DT_DIR && type != DT_REG;
            return true;
        }
    }

    std::optional<LocalDateTime> fileTime(const std::string& name, FileTimeKind kind) override {
        if (dir_ == nullptr || name.empty()) return std::nullopt;
        return TimeOf(dirfd(dir_), name.c_str(), kind);
    }

private:
    DIR* dir_;
};

class EmptySearch final : public DirSearch {
public:
    bool next(DirEntry&) override { return false; }
    std::optional<LocalDateTime> fileTime(const std::string&, FileTimeKind) override { return std::nullopt; }
};

LocalDateTime ToLocal(const statx_timestamp& ts) {
    const time_t seconds = static_cast<time_t>(ts.tv_sec);
    tm parts{};
    if (localtime_r(&seconds, &parts) == nullptr) return LocalDateTime{};
    return LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                         parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::optional<LocalDateTime> TimeOf(int dirFd, const char* path, FileTimeKind kind) {
    struct statx sx {};
    if (statx(dirFd, path, AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME | STATX_ATIME, &sx) != 0)
        return std::nullopt;
    switch (kind) {
        case FileTimeKind::Created:
            // Linux keeps a birth time only on some file systems (ext4, xfs, btrfs, tmpfs);
            // it reads as missing or zero elsewhere. The last-write time is then the best
            // stand-in: it is the oldest time Linux keeps that also survives a copy that
            // keeps times, whereas the status-change time moves with every rename.
            if ((sx.stx_mask & STATX_BTIME) != 0 && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0))
                return ToLocal(sx.stx_btime);
            return ToLocal(sx.stx_mtime);
        case FileTimeKind::LastModified:
            return ToLocal(sx.stx_mtime);
        case FileTimeKind::LastAccessed:
            return ToLocal(sx.stx_atime);
    }
    return std::nullopt;
}

// Closes a descriptor on scope exit unless released.
struct FdGuard {
    int fd = -1;
    ~FdGuard() {
        if (fd >= 0) close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

// Copies everything from `in` to `out`: in-kernel first, plain read/write where the file
// systems do not support that. Returns 0 or an errno value.
int CopyContent(int in, int out) {
    bool tryRange = true;
    bool trySendfile = true;
    for (;;) {
        if (tryRange) {
            const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0) continue;
            if (n == 0) return 0;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EBADF && errno != EPERM)
                return errno;
            tryRange = false;
        }
        if (trySendfile) {
            const ssize_t n = sendfile(out, in, nullptr, 1 << 30);
            if (n > 0) continue;
            if (n == 0) return 0;
            if (errno == EINTR) continue;
            if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
            trySendfile = false;
        }
        char buffer[1 << 16];
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            done += put;
        }
    }
}

std::string MachineName() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) return {};
    return host;
}

std::uint32_t RandomPart() {
    std::uint32_t r = 0;
    if (getrandom(&r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        r = static_cast<std::uint32_t>(now.tv_nsec) ^ static_cast<std::uint32_t>(getpid());
    }
    return r;
}

// Puts `from` of `fromDir` in the place of `to` of `toDir` in one step. NoReplace never takes
// the place of an existing file, also of one that appears meanwhile: the kernel checks and
// renames at once, or, where the file system cannot do that, a hard link (which fails on an
// existing name) is made before the old name goes. Returns 0 or an errno value.
int Place(int fromDir, const char* from, int toDir, const char* to, MoveMode mode) {
    if (mode == MoveMode::ReplaceExisting) return renameat(fromDir, from, toDir, to) == 0 ? 0 : errno;
    if (renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    if (linkat(fromDir, from, toDir, to, 0) != 0) return errno;
    unlinkat(fromDir, from, 0);  // two names of one whole file at worst
    return 0;
}

// Copies the regular file `in` to `name` in the folder `outDir`: under a temporary name of
// ours first, put in place when complete with its mode and times, so that no reader sees half
// a file under the final name and a failure leaves nothing behind. A killed copy leaves only
// the temporary, which a later run sweeps away (see TempCopyName). Returns 0 or an errno value.
int CopyIntoFolder(int in, const struct stat& st, int outDir, const std::string& name, MoveMode mode) {
    std::string temp;
    FdGuard out;
    const TempCopyName owner{MachineName(), static_cast<std::uint32_t>(getpid()), name};
    for (unsigned attempt = 0; out.fd < 0; ++attempt) {
        temp = MakeTempCopyName(owner, RandomPart());
        out.fd = openat(outDir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out.fd < 0 && (errno != EEXIST || attempt > 100)) return errno;
    }
    int err = CopyContent(in, out.fd);
    if (err == 0 && fchmod(out.fd, st.st_mode & 07777) != 0) err = errno;
    if (err == 0) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (futimens(out.fd, times) != 0) err = errno;
    }
    if (err == 0 && close(out.release()) != 0) err = errno;  // late write errors show up here
    if (err == 0) err = Place(outDir, temp.c_str(), outDir, name.c_str(), mode);
    if (err != 0) unlinkat(outDir, temp.c_str(), 0);
    return err;
}

MoveResult Failed(MoveResult::Stage stage, int err) {
    if (err == EEXIST) return {stage, kTargetExistsText};
    return {stage, ErrnoText(err)};
}

// Moves `name` of the folder `sourceDir` to `targetName` in the folder `targetDir`, both held
// open: a rename where it can, else copy and delete.
// `shown` names the source in a refusal.
MoveResult MoveBetween(int sourceDir, const std::string& name, int targetDir, const std::string& targetName,
                       MoveMode mode, const std::string& shown) {
    struct stat st {};
    if (fstatat(sourceDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Failed(MoveResult::Stage::CopyFailed, errno);
    if (!S_ISREG(st.st_mode)) return {MoveResult::Stage::CopyFailed, NotAFileText(shown)};
    const int renamed = Place(sourceDir, name.c_str(), targetDir, targetName.c_str(), mode);
    if (renamed == 0) return {};
    if (renamed == EEXIST) return Failed(MoveResult::Stage::CopyFailed, EEXIST);
    // Another file system mounted inside the tree, or a source folder that refuses the rename:
    // copy, then delete.
    FdGuard in{openat(sourceDir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC)};
    if (in.fd < 0) return Failed(MoveResult::Stage::CopyFailed, errno);
    if (fstat(in.fd, &st) != 0) return Failed(MoveResult::Stage::CopyFailed, errno);
    if (!S_ISREG(st.st_mode)) return Failed(MoveResult::Stage::CopyFailed, EINVAL);
    if (const int err = CopyIntoFolder(in.fd, st, targetDir, targetName, mode); err != 0)
        return Failed(MoveResult::Stage::CopyFailed, err);
    if (unlinkat(sourceDir, name.c_str(), 0) != 0) return Failed(MoveResult::Stage::DeleteFailed, errno);
    return {};
}

std::string Join(const std::string& folder, const std::string& relative) {
    if (folder.empty() || folder.back() == '/') return folder + relative;
    return folder + '/' + relative;
}

// The levels of a relative path; doubled separators give no empty level.
std::vector<std::string> Levels(const std::string& relative) {
    std::vector<std::string> levels;
    for (std::size_t at = 0; at <= relative.size();) {
        auto slash = relative.find('/', at);
        if (slash == std::string::npos) slash = relative.size();
        if (slash > at) levels.push_back(relative.substr(at, slash - at));
        at = slash + 1;
    }
    return levels;
}

// Opens the folder `name` of `dirFd` without following a link. A folder we may not read is
// still opened as a path handle, which is enough to create, rename and look things up inside.
int OpenLevel(int dirFd, const char* name) {
    const int fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0 || errno != EACCES) return fd;
    const int path = openat(dirFd, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (path >= 0 && (fstat(path, &st) != 0 || !S_ISDIR(st.st_mode))) {
        close(path);
        errno = ENOTDIR;
        return -1;
    }
    return path;
}

// The folder reached from `dirFd` by the first `count` levels, each one opened without
// following a link: `dirFd` itself for none. `fd` is -1 with errno set and `failedAt` the level
// that could not be opened.
struct LevelsFd {
    LevelsFd(int dirFd, const std::vector<std::string>& levels, std::size_t count) : fd(dirFd) {
        for (failedAt = 0; failedAt < count; ++failedAt) {
            const int next = OpenLevel(fd, levels[failedAt].c_str());
            const int err = errno;
            if (owned) close(fd);
            errno = err;
            fd = next, owned = true;
            if (fd < 0) return;
        }
    }
    ~LevelsFd() {
        if (owned && fd >= 0) close(fd);
    }
    LevelsFd(const LevelsFd&) = delete;
    LevelsFd& operator=(const LevelsFd&) = delete;
    int release() {
        const int f = owned ? fd : fcntl(fd, F_DUPFD_CLOEXEC, 0);
        owned = false;
        return f;
    }
    int fd;
    bool owned = false;
    std::size_t failedAt = 0;
};

// The folder that holds the last level of a relative path, reached from a held folder, and
// that level's name. `dir.fd` is -1 with errno set when the path is empty or a level on the
// way cannot be opened.
struct LastLevel {
    LastLevel(int dirFd, const std::string& relative)
        : levels(Levels(relative)), dir(levels.empty() ? -1 : dirFd, levels, levels.empty() ? 0 : levels.size() - 1) {
        if (levels.empty()) errno = EINVAL;
    }
    const char* name() const { return levels.back().c_str(); }
    std::vector<std::string> levels;
    LevelsFd dir;
};

bool IsLinkOrFile(int err) { return err == ELOOP || err == ENOTDIR; }

bool Abandoned(int dirFd, const char* name, const TempCopyName& owner);

// A folder held open by its descriptor; every relative path is followed level by level from it.
class PosixFolder final : public OpenFolder {
public:
    PosixFolder(std::string path, int fd) : OpenFolder(std::move(path)), fd_(fd) {}
    ~PosixFolder() override { close(fd_); }

    std::unique_ptr<DirSearch> list(const std::string& pattern) override {
        // A listing of its own: a duplicated descriptor would share the reading position.
        const int fd = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
        if (dir == nullptr) {
            if (fd >= 0) close(fd);
            return std::make_unique<EmptySearch>();
        }
        return MatchingNames(std::make_unique<PosixDirSearch>(dir), pattern);
    }

    std::optional<FileAttributes> attributes(const std::string& relative) override {
        const LastLevel at(fd_, relative);
        if (at.dir.fd < 0) {
            if (!IsLinkOrFile(errno)) return std::nullopt;
            FileAttributes onTheWay;
            onTheWay.system = true;
            return onTheWay;
        }
        struct stat st {};
        if (fstatat(at.dir.fd, at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
        return AttributesFromMode(at.levels.back(), st.st_mode);
    }

    std::unique_ptr<OpenFolder> openFolder(const std::string& relative, std::string* why) override {
        const auto levels = Levels(relative);
        LevelsFd dir(fd_, levels, levels.size());
        if (dir.fd >= 0) return std::make_unique<PosixFolder>(Join(path(), relative), dir.release());
        if (why != nullptr) *why = Refusal(levels, dir.failedAt, errno);
        return nullptr;
    }

    IoResult createFolder(const std::string& name) override {
        if (mkdirat(fd_, name.c_str(), 0777) != 0) return IoResult::failure(ErrnoText(errno));
        return IoResult::success();
    }

    IoResult removeFile(const std::string& relative) override {
        const LastLevel at(fd_, relative);
        if (at.dir.fd < 0 || unlinkat(at.dir.fd, at.name(), 0) != 0) return IoResult::failure(ErrnoText(errno));
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& name, const std::string& relativeTarget, MoveMode mode) override {
        const LastLevel at(fd_, relativeTarget);
        if (at.levels.empty()) return Failed(MoveResult::Stage::CopyFailed, EINVAL);
        if (at.dir.fd < 0) return {MoveResult::Stage::CopyFailed, Refusal(at.levels, at.dir.failedAt, errno)};
        return MoveBetween(fd_, name, at.dir.fd, at.levels.back(), mode, Join(path(), name));
    }

    MoveResult moveFileInto(const std::string& name, OpenFolder& target, const std::string& targetName,
                            MoveMode mode) override {
        const auto* to = dynamic_cast<PosixFolder*>(&target);
        if (to == nullptr) return Failed(MoveResult::Stage::CopyFailed, EXDEV);
        return MoveBetween(fd_, name, to->fd_, targetName, mode, Join(path(), name));
    }

    IoResult removeFolder(const std::string& name) override {
        if (unlinkat(fd_, name.c_str(), AT_REMOVEDIR) != 0) return IoResult::failure(ErrnoText(errno));
        return IoResult::success();
    }

    bool temporaryAbandoned(const std::string& relative, const TempCopyName& owner) override {
        const LastLevel at(fd_, relative);
        return at.dir.fd >= 0 && Abandoned(at.dir.fd, at.name(), owner);
    }

private:
    // Why the level `failedAt` could not be opened: a link or a file there, or the system's reason.
    std::string Refusal(const std::vector<std::string>& levels, std::size_t failedAt, int err) const {
        if (!IsLinkOrFile(err)) return ErrnoText(err);
        std::string level = path();
        for (std::size_t i = 0; i <= failedAt && i < levels.size(); ++i) level = Join(level, levels[i]);
        return NotAFolderText(level);
    }

    int fd_;
};

// Opens a folder by its path as the user gave it: a link there is followed.
int OpenByPath(const std::string& folder) {
    const char* path = folder.empty() ? "." : folder.c_str();
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 || errno != EACCES) return fd;
    return open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// The status-change time moves with every write and with the final setting of times, and
// nobody can set it back: a copy whose status has not changed for half a day is not being
// written, on whichever machine.
bool Abandoned(int dirFd, const char* name, const TempCopyName& owner) {
    constexpr time_t kAbandonedAfterSeconds = 12 * 60 * 60;
    struct statx sx {};
    if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_CTIME, &sx) != 0) return false;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - static_cast<time_t>(sx.stx_ctime.tv_sec) > kAbandonedAfterSeconds) return true;
    if (owner.machine != MachineName() || owner.process == 0) return false;
    if (owner.process == static_cast<std::uint32_t>(getpid())) return false;
    return kill(static_cast<pid_t>(owner.process), 0) != 0 && errno == ESRCH;
}

class PosixAppendFile final : public AppendFile {
public:
    explicit PosixAppendFile(int fd) : fd_(fd) {}
    ~PosixAppendFile() override { close(fd_); }
    PosixAppendFile(const PosixAppendFile&) = delete;
    PosixAppendFile& operator=(const PosixAppendFile&) = delete;

    IoResult append(std::string_view bytes) override {
        // O_APPEND places each write at the end as one piece; a short write (a full disk) is
        // completed by the loop, which another writer could then split. Records are small.
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t put = write(fd_, bytes.data() + done, bytes.size() - done);
            if (put < 0) {
                if (errno == EINTR) continue;
                return IoResult::failure(ErrnoText(errno));
            }
            done += static_cast<std::size_t>(put);
        }
        return IoResult::success();
    }

private:
    int fd_;
};

class PosixFileSystem final : public FileSystem {
public:
    ~PosixFileSystem() override {
        for (auto& f : openFiles_) close(f.fd);
    }

    char separator() const override { return '/'; }

    std::unique_ptr<DirSearch> openSearch(const std::string& folder) override {
        DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
        if (dir == nullptr) return std::make_unique<EmptySearch>();
        return std::make_unique<PosixDirSearch>(dir);
    }

    std::unique_ptr<OpenFolder> openFolder(const std::string& folder) override {
        const int fd = OpenByPath(folder);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixFolder>(folder, fd);
    }

    std::optional<FileAttributes> attributes(const std::string& path) override {
        struct stat st {};
        if (path.empty() || lstat(path.c_str(), &st) != 0) return std::nullopt;
        std::string name = path;
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        return AttributesFromMode(NameOf(name), st.st_mode);
    }

    std::optional<LocalDateTime> fileTime(const std::string& path, FileTimeKind kind) override {
        if (path.empty()) return std::nullopt;
        return TimeOf(AT_FDCWD, path.c_str(), kind);
    }

    IoResult createDirectory(const std::string& path) override {
        if (mkdir(path.c_str(), 0777) != 0) return IoResult::failure(ErrnoText(errno));
        return IoResult::success();
    }

    IoResult copyFile(const std::string& from, const std::string& to) override {
        FdGuard in{open(from.c_str(), O_RDONLY | O_CLOEXEC)};
        if (in.fd < 0) return IoResult::failure(ErrnoText(errno));
        struct stat st {};
        if (fstat(in.fd, &st) != 0) return IoResult::failure(ErrnoText(errno));
        if (S_ISDIR(st.st_mode)) return IoResult::failure(ErrnoText(EISDIR));
        if (!S_ISREG(st.st_mode)) return IoResult::failure(ErrnoText(EINVAL));

        FdGuard folder{open(ParentOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (folder.fd < 0) return IoResult::failure(ErrnoText(errno));
        if (const int err = CopyIntoFolder(in.fd, st, folder.fd, NameOf(to), MoveMode::ReplaceExisting); err != 0)
            return IoResult::failure(ErrnoText(err));
        return IoResult::success();
    }

    IoResult removeFile(const std::string& path) override {
        if (unlink(path.c_str()) != 0) return IoResult::failure(ErrnoText(errno));
        return IoResult::success();
    }

    MoveResult moveFile(const std::string& from, const std::string& to, MoveMode mode) override {
        const std::string sourceFolder = ParentOf(from);
        if (to.size() > sourceFolder.size() + 1 && to.compare(0, sourceFolder.size(), sourceFolder) == 0 &&
            to[sourceFolder.size()] == '/') {
            // Into a folder below the source's: every level on the way is opened without
            // following a link.
            const auto folder = openFolder(sourceFolder);
            if (!folder) return Failed(MoveResult::Stage::CopyFailed, errno);
            return folder->moveFile(NameOf(from), to.substr(sourceFolder.size() + 1), mode);
        }
        FdGuard source{open(sourceFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (source.fd < 0) return Failed(MoveResult::Stage::CopyFailed, errno);
        FdGuard target{open(ParentOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
        if (target.fd < 0) return Failed(MoveResult::Stage::CopyFailed, errno);
        return MoveBetween(source.fd, NameOf(from), target.fd, NameOf(to), mode, from);
    }

    bool temporaryAbandoned(const std::string& path, const TempCopyName& owner) override {
        return Abandoned(AT_FDCWD, path.c_str(), owner);
    }

    IoResult appendLines(const std::string& path, const std::vector<std::string>& lines) override {
        // UTF-8 with LF whatever the locale: it is how Linux names files, so the protocol names
        // them exactly; what a line cannot hold as it stands is escaped visibly.
        std::string data;
        for (const auto& line : lines) {
            data += VisibleText(line);
            data += '\n';
        }
        std::lock_guard lock(mutex_);
        OpenFile* file = cached(path);
        if (file == nullptr) return IoResult::failure(ErrnoText(errno));
        for (std::size_t done = 0; done < data.size();) {
            const ssize_t put = write(file->fd, data.data() + done, data.size() - done);
            if (put < 0) {
                if (errno == EINTR) continue;
                const int err = errno;
                drop(path);
                return IoResult::failure(ErrnoText(err));
            }
            done += static_cast<std::size_t>(put);
        }
        return IoResult::success();
    }

    std::optional<FileStamp> stamp(const std::string& path) override {
        struct stat st {};
        if (path.empty() || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        return FileStamp{static_cast<std::uint64_t>(st.st_size),
                         static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }

    std::unique_ptr<AppendFile> openAppend(const std::string& path) override {
        const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixAppendFile>(fd);
    }

    std::optional<std::string> readAll(const std::string& path) override {
        FdGuard in{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
        if (in.fd < 0) return std::nullopt;
        std::string data;
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = read(in.fd, buffer, sizeof buffer);
            if (got == 0) return data;
            if (got < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            data.append(buffer, static_cast<std::size_t>(got));
        }
    }

    IoResult replaceContent(const std::string& path, const std::string& bytes) override {
        const std::string temp = path + ".ardeko-new-" + std::to_string(getpid());
        FdGuard out{open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
        if (out.fd < 0) return IoResult::failure(ErrnoText(errno));
        int err = 0;
        for (std::size_t done = 0; done < bytes.size() && err == 0;) {
            const ssize_t put = write(out.fd, bytes.data() + done, bytes.size() - done);
            if (put < 0 && errno != EINTR) err = errno;
            if (put > 0) done += static_cast<std::size_t>(put);
        }
        if (err == 0 && fsync(out.fd) != 0) err = errno;
        if (err == 0 && close(out.release()) != 0) err = errno;
        if (err == 0 && rename(temp.c_str(), path.c_str()) != 0) err = errno;
        if (err != 0) {
            unlink(temp.c_str());
            return IoResult::failure(ErrnoText(err));
        }
        return IoResult::success();
    }

private:
    struct OpenFile {
        std::string path;
        int fd = -1;
        dev_t dev = 0;
        ino_t ino = 0;
    };

    // Protocol lines come in bursts; opening the file for every line costs more than the
    // rest of the walk. A few descriptors stay open, and each is checked against the path
    // before use so that a file deleted or replaced meanwhile is begun anew.
    OpenFile* cached(const std::string& path) {
        for (auto it = openFiles_.begin(); it != openFiles_.end(); ++it) {
            if (it->path != path) continue;
            struct stat now {};
            if (stat(path.c_str(), &now) == 0 && now.st_dev == it->dev && now.st_ino == it->ino) {
                openFiles_.splice(openFiles_.begin(), openFiles_, it);
                return &openFiles_.front();
            }
            close(it->fd);
            openFiles_.erase(it);
            break;
        }
        const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (fstat(fd, &st) != 0) {
            const int err = errno;
            close(fd);
            errno = err;
            return nullptr;
        }
        openFiles_.push_front(OpenFile{path, fd, st.st_dev, st.st_ino});
        while (openFiles_.size() > kMaxOpen) {
            close(openFiles_.back().fd);
            openFiles_.pop_back();
        }
        return &openFiles_.front();
    }

    void drop(const std::string& path) {
        for (auto it = openFiles_.begin(); it != openFiles_.end(); ++it) {
            if (it->path == path) {
                close(it->fd);
                openFiles_.erase(it);
                return;
            }
        }
    }

    static constexpr std::size_t kMaxOpen = 4;
    std::mutex mutex_;
    std::list<OpenFile> openFiles_;
};

}  // namespace

std::unique_ptr<FileSystem> MakePosixFileSystem() {
    // A walk holds a descriptor for every folder level it is in: a tree deeper than the usual
    // soft limit of 1,024 would otherwise stop being walked at that depth.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    return std::make_unique<PosixFileSystem>();
}

}  // namespace ardeko::platform::posix
