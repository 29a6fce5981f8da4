#pragma once
// File-system port: what the archiving engine, the protocol, the paths and the help lookup
// need of the platform. Paths are UTF-8 and use the platform's separator.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace ardeko::platform {

enum class FileTimeKind { Created, LastModified, LastAccessed };

struct FileAttributes {
    bool directory = false;
    bool hidden = false;
    bool system = false;  // also: anything that is neither a plain file nor a folder (links, devices, pipes)
    bool readOnly = false;
    bool cloudOnly = false;  // a placeholder whose content is not on this machine: moved by rename or not at all
};

struct DirEntry {
    std::string name;  // name only, no folder
    FileAttributes attributes;
};

// One open directory listing. Entries come one at a time in the order the platform lists them;
// "." and ".." are never returned.
class DirSearch {
public:
    virtual ~DirSearch() = default;
    virtual bool next(DirEntry& out) = 0;
    // One of the three times of an entry of this listing, by its name, or nothing when it
    // cannot be read. Read through the open listing, which is cheaper than a lookup by path.
    virtual std::optional<LocalDateTime> fileTime(const std::string& name, FileTimeKind kind) = 0;
};

// Whether a move may take the place of a file that is already at the target.
enum class MoveMode { NoReplace, ReplaceExisting };

// How far a move came: copy first, then removal of the source.
struct MoveResult {
    enum class Stage { Done, CopyFailed, DeleteFailed };
    Stage stage = Stage::Done;
    std::string error;  // the platform's description of the failure
};

// What the name of a temporary copy tells: whose it is and which file it is to become. The
// name begins with ".ardeko~", so it is hidden on Linux, and its machine, process and random
// parts keep two writers apart, also on different machines sharing a folder.
struct TempCopyName {
    std::string machine;
    std::uint32_t process = 0;
    std::string finalName;
};
// The temporary name for a copy that is to become `owner.finalName`. `random` tells apart two
// copies of the same process.
std::string MakeTempCopyName(const TempCopyName& owner, std::uint32_t random);
// What a name of ours tells, or nothing for any other name.
std::optional<TempCopyName> ParseTempCopyName(std::string_view name);
// The reason given when a NoReplace move finds its target taken.
inline constexpr const char* kTargetExistsText = "Die Zieldatei ist bereits vorhanden";

// Size and last-write time of a plain file, as exact as the platform keeps them. Only compared
// with another stamp taken on the same machine: it tells whether a file is still the one seen.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t writeTime = 0;  // the platform's own units
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A file kept open for appending. Each append goes to the end of the file in one write, so two
// programs appending to the same file never interleave their pieces; what was appended survives
// the program being killed.
class AppendFile {
public:
    virtual ~AppendFile() = default;
    virtual IoResult append(std::string_view bytes) = 0;
};

// A folder held open. Everything done through it happens in this very folder, found once when
// it was opened, and below it: a folder renamed or replaced by a link meanwhile cannot redirect
// it. Relative paths below it use the platform's separator and are followed one level at a
// time, and a link is never followed on the way, neither to a folder nor to a file; a link met
// where a folder is needed is refused with NotAFolderText.
class OpenFolder {
public:
    explicit OpenFolder(std::string path) : path_(std::move(path)) {}
    virtual ~OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    // The path it was opened by (for texts only; nothing is looked up by it).
    const std::string& path() const { return path_; }

    // The entries whose names match the wildcard `pattern` as this platform's own file search
    // matches them (on Windows the system's, short names included), or all entries for "".
    // Folders, hidden and system entries may be among them; the caller sorts them out.
    virtual std::unique_ptr<DirSearch> list(const std::string& pattern = {}) = 0;

    // Attributes of `relative`, or nothing when it does not exist; a link on the way or at the
    // end is a system entry.
    virtual std::optional<FileAttributes> attributes(const std::string& relative) = 0;

    // The folder `relative` opened, or null when a level is missing, a link or a file (`why`,
    // when given, tells which).
    virtual std::unique_ptr<OpenFolder> openFolder(const std::string& relative, std::string* why = nullptr) = 0;

    // Creates the folder `name` in this folder.
    virtual IoResult createFolder(const std::string& name) = 0;

    // Removes the file `relative`.
    virtual IoResult removeFile(const std::string& relative) = 0;

    // Moves the file `name` of this folder to `relativeTarget` below this folder, as
    // FileSystem::moveFile does; the source is not taken when it is a link.
    virtual MoveResult moveFile(const std::string& name, const std::string& relativeTarget, MoveMode mode) = 0;

    // Moves the file `name` of this folder to `targetName` in `target`, another folder opened
    // by the same file system (say, the folder that holds this one), as moveFile does.
    virtual MoveResult moveFileInto(const std::string& name, OpenFolder& target, const std::string& targetName,
                                    MoveMode mode) = 0;

    // Removes the empty folder `name` of this folder; fails for one that holds anything or is
    // held open.
    virtual IoResult removeFolder(const std::string& name) = 0;

    // FileSystem::temporaryAbandoned for the temporary `relative`.
    virtual bool temporaryAbandoned(const std::string& relative, const TempCopyName& owner) = 0;

private:
    std::string path_;
};

// The reason given when a path that had to be a folder is a link or a file.
std::string NotAFolderText(const std::string& path);
// The reason given when a file to be moved is a link or a folder (put there after the listing).
std::string NotAFileText(const std::string& path);

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The path separator of this platform ('\\' on Windows, '/' elsewhere).
    virtual char separator() const = 0;

    // Lists every entry of `folder` (with or without trailing separator). Returns an empty
    // listing when the folder cannot be read or does not exist.
    virtual std::unique_ptr<DirSearch> openSearch(const std::string& folder) = 0;

    // Opens `folder` (a link at this path itself is followed: it is the folder the user
    // chose); null when it is no folder or cannot be opened.
    virtual std::unique_ptr<OpenFolder> openFolder(const std::string& folder) = 0;

    // Attributes of one path, or nothing when it does not exist.
    virtual std::optional<FileAttributes> attributes(const std::string& path) = 0;

    // One of the three file times in local time, or nothing when it cannot be read.
    virtual std::optional<LocalDateTime> fileTime(const std::string& path, FileTimeKind kind) = 0;

    // Creates one directory level (the parent must exist).
    virtual IoResult createDirectory(const std::string& path) = 0;

    // Copies a file, replacing an existing target. On failure no partial target is left behind.
    virtual IoResult copyFile(const std::string& from, const std::string& to) = 0;

    virtual IoResult removeFile(const std::string& path) = 0;

    // Copy, then delete the source; reports which stage failed. Implementations may take a
    // faster road (a rename) as long as the observable outcome is the same. The target name
    // only ever shows a complete file: a copy is written under a temporary name (see
    // TempCopyName) and put in place in one step. NoReplace never takes the place of a file
    // at the target, also one that appears meanwhile (CopyFailed, with the reason);
    // ReplaceExisting replaces it in that one step, so that on any failure the old file is
    // still there, unchanged.
    virtual MoveResult moveFile(const std::string& from, const std::string& to, MoveMode mode = MoveMode::NoReplace);

    // Whether a temporary copy of ours (`path`, whose name told `owner`) is no longer being
    // written: its process is gone on this machine, or it has not changed for a long while.
    // Only then may it be removed. Without a way to tell, it is kept.
    virtual bool temporaryAbandoned(const std::string& path, const TempCopyName& owner);

    // Appends lines to a text file, creating the file. Each line gets the platform's line end
    // and is written in the platform's text encoding for such files; a line that the encoding
    // cannot hold as it stands (a file name with a line feed in it) is written in a visible
    // escaped form, so one line stays one line. All lines reach the file in one write.
    virtual IoResult appendLines(const std::string& path, const std::vector<std::string>& lines) = 0;
    IoResult appendLine(const std::string& path, const std::string& line) { return appendLines(path, {line}); }

    // Size and last-write time of a plain file; nothing for a folder, a link or a missing file.
    virtual std::optional<FileStamp> stamp(const std::string& path) = 0;

    // Opens (creating it) a file for appending bytes as they are; null when it cannot be opened.
    virtual std::unique_ptr<AppendFile> openAppend(const std::string& path) = 0;

    // The whole content of a file, or nothing when it cannot be read.
    virtual std::optional<std::string> readAll(const std::string& path) = 0;

    // Replaces a file's content at once: a reader sees the old content or the new one, never a
    // mix, also when the program is killed meanwhile.
    virtual IoResult replaceContent(const std::string& path, const std::string& bytes) = 0;
};

// Windows-style wildcard match of one file name: '*' any run, '?' one character,
// letters compared without regard to case. "*.*" matches every name, with or without a dot.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// `all` narrowed to the names WildcardMatch accepts for `pattern` ("" keeps every name), for
// platforms without a search of their own.
std::unique_ptr<DirSearch> MatchingNames(std::unique_ptr<DirSearch> all, const std::string& pattern);

}  // namespace ardeko::platform
