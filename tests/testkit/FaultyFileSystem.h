#pragma once
// A file system that fails on purpose: wraps a real one, makes chosen operations fail on chosen
// paths (optionally only after some calls went through), also through the folders it opens, and
// lets a test change the tree at chosen moments: between a listing handing out an entry and the
// caller using it, and after a folder was created.
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace ardeko::testkit {

class FaultyFileSystem : public platform::FileSystem {
public:
    enum class Op { Copy, Remove, CreateDirectory, AppendLine, FileTime, OpenSearch };

    explicit FaultyFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    // From now on `op` fails on every path that contains `pathPart` ("" matches every path; a copy
    // matches on its source or its target) once `afterCalls` matching calls have gone through.
    // A failing search lists nothing; a failing file time read gives nothing.
    void Fail(Op op, std::string pathPart, int afterCalls = 0) { faults_.push_back({op, std::move(pathPart), afterCalls}); }
    void ClearFaults() { faults_.clear(); }

    // Runs after a listing of `folder` produced `entry` and before the caller sees it; it may
    // change what the caller sees.
    std::function<void(const std::string& folder, platform::DirEntry& entry)> onListed;
    // Runs after a folder was created through an open folder.
    std::function<void(const std::string& folder)> onCreatedFolder;
    // Runs for each line about to be appended, also for one that is then made to fail.
    std::function<void(const std::string& line)> onAppend;

    char separator() const override { return inner_.separator(); }
    std::unique_ptr<platform::DirSearch> openSearch(const std::string& folder) override {
        return std::make_unique<Search>(*this, Fails(Op::OpenSearch, folder) ? nullptr : inner_.openSearch(folder), folder);
    }
    std::unique_ptr<platform::OpenFolder> openFolder(const std::string& path) override { return Wrap(inner_.openFolder(path)); }
    std::optional<platform::FileAttributes> attributes(const std::string& path) override { return inner_.attributes(path); }
    std::optional<platform::LocalDateTime> fileTime(const std::string& path, platform::FileTimeKind kind) override {
        return Fails(Op::FileTime, path) ? std::nullopt : inner_.fileTime(path, kind);
    }
    platform::IoResult createDirectory(const std::string& p) override { return Fails(Op::CreateDirectory, p) ? Denied() : inner_.createDirectory(p); }
    platform::IoResult copyFile(const std::string& from, const std::string& to) override {
        return Fails(Op::Copy, from + "\n" + to) ? Denied() : inner_.copyFile(from, to);
    }
    platform::IoResult removeFile(const std::string& p) override { return Fails(Op::Remove, p) ? Denied() : inner_.removeFile(p); }
    bool temporaryAbandoned(const std::string& path, const platform::TempCopyName& owner) override {
        return inner_.temporaryAbandoned(path, owner);
    }
    // moveFile stays the base class's copy and removal through the two above, so a move fails at
    // the stage a fault names.
    platform::IoResult appendLines(const std::string& path, const std::vector<std::string>& lines) override {
        if (onAppend)
            for (const auto& line : lines) onAppend(line);
        return Fails(Op::AppendLine, path) ? Denied() : inner_.appendLines(path, lines);
    }

    std::optional<platform::FileStamp> stamp(const std::string& p) override { return inner_.stamp(p); }
    std::unique_ptr<platform::AppendFile> openAppend(const std::string& p) override { return inner_.openAppend(p); }
    std::optional<std::string> readAll(const std::string& p) override { return inner_.readAll(p); }
    platform::IoResult replaceContent(const std::string& p, const std::string& b) override { return inner_.replaceContent(p, b); }

private:
    struct Fault { Op op; std::string pathPart; int afterCalls, seen = 0; };

    std::string Join(const std::string& folder, const std::string& name) const {
        return !folder.empty() && folder.back() == separator() ? folder + name : folder + separator() + name;
    }

    // The inner listing (or none) with the hook and the faults of file times.
    struct Search : platform::DirSearch {
        Search(FaultyFileSystem& o, std::unique_ptr<platform::DirSearch> l, std::string in) : fs(o), inner(std::move(l)), folder(std::move(in)) {}
        bool next(platform::DirEntry& out) override {
            if (!inner || !inner->next(out)) return false;
            if (fs.onListed) fs.onListed(folder, out);
            return true;
        }
        std::optional<platform::LocalDateTime> fileTime(const std::string& name, platform::FileTimeKind kind) override {
            if (!inner || fs.Fails(Op::FileTime, fs.Join(folder, name))) return std::nullopt;
            return inner->fileTime(name, kind);
        }
        FaultyFileSystem& fs;
        std::unique_ptr<platform::DirSearch> inner;
        std::string folder;
    };

    // An inner open folder whose operations fail as the faults say. A move that is to fail at
    // the deletion copies first, as a move across volumes would.
    struct Folder : platform::OpenFolder {
        Folder(FaultyFileSystem& o, std::unique_ptr<platform::OpenFolder> in) : OpenFolder(in->path()), fs(o), inner(std::move(in)) {}
        std::unique_ptr<platform::DirSearch> list(const std::string& pattern) override {
            return std::make_unique<Search>(fs, fs.Fails(Op::OpenSearch, path()) ? nullptr : inner->list(pattern), fs.Join(path(), ""));
        }
        std::optional<platform::FileAttributes> attributes(const std::string& rel) override { return inner->attributes(rel); }
        std::unique_ptr<platform::OpenFolder> openFolder(const std::string& rel, std::string* why) override {
            return fs.Wrap(inner->openFolder(rel, why));
        }
        platform::IoResult createFolder(const std::string& name) override {
            if (fs.Fails(Op::CreateDirectory, fs.Join(path(), name))) return Denied();
            auto made = inner->createFolder(name);
            if (made && fs.onCreatedFolder) fs.onCreatedFolder(fs.Join(path(), name));
            return made;
        }
        platform::IoResult removeFile(const std::string& rel) override {
            return fs.Fails(Op::Remove, fs.Join(path(), rel)) ? Denied() : inner->removeFile(rel);
        }
        platform::MoveResult moveFile(const std::string& name, const std::string& rel, platform::MoveMode mode) override {
            return Move(fs.Join(path(), name), fs.Join(path(), rel), mode, [&] { return inner->moveFile(name, rel, mode); });
        }
        platform::MoveResult moveFileInto(const std::string& name, OpenFolder& target, const std::string& targetName,
                                          platform::MoveMode mode) override {
            auto* wrapped = dynamic_cast<Folder*>(&target);
            auto& to = wrapped != nullptr ? *wrapped->inner : target;
            return Move(fs.Join(path(), name), fs.Join(target.path(), targetName), mode,
                        [&] { return inner->moveFileInto(name, to, targetName, mode); });
        }
        platform::IoResult removeFolder(const std::string& name) override {
            return fs.Fails(Op::Remove, fs.Join(path(), name)) ? Denied() : inner->removeFolder(name);
        }
        bool temporaryAbandoned(const std::string& rel, const platform::TempCopyName& owner) override {
            return inner->temporaryAbandoned(rel, owner);
        }
        // A move from `from` to `to` that `move` makes unless a fault says how it fails.
        template <class DoMove>
        platform::MoveResult Move(const std::string& from, const std::string& to, platform::MoveMode mode, DoMove move) {
            if (fs.Fails(Op::Copy, from + "\n" + to)) return {platform::MoveResult::Stage::CopyFailed, Denied().error};
            if (!fs.Fails(Op::Remove, from)) return move();
            if (mode == platform::MoveMode::NoReplace && fs.inner_.attributes(to))
                return {platform::MoveResult::Stage::CopyFailed, platform::kTargetExistsText};
            if (auto copied = fs.inner_.copyFile(from, to); !copied) return {platform::MoveResult::Stage::CopyFailed, copied.error};
            return {platform::MoveResult::Stage::DeleteFailed, Denied().error};
        }
        FaultyFileSystem& fs;
        std::unique_ptr<platform::OpenFolder> inner;
    };
    std::unique_ptr<platform::OpenFolder> Wrap(std::unique_ptr<platform::OpenFolder> in) {
        return in ? std::make_unique<Folder>(*this, std::move(in)) : nullptr;
    }

    static platform::IoResult Denied() { return platform::IoResult::failure("Zugriff verweigert (simuliert)"); }
    bool Fails(Op op, const std::string& paths) {
        for (auto& f : faults_)
            if (f.op == op && paths.find(f.pathPart) != std::string::npos && f.seen++ >= f.afterCalls) return true;
        return false;
    }

    platform::FileSystem& inner_;
    std::vector<Fault> faults_;
};

}  // namespace ardeko::testkit
