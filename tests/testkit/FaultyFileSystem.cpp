#include "testkit/FaultyFileSystem.h"

namespace ardeko::testkit {

namespace {

class HookedSearch : public platform::DirSearch {
public:
    HookedSearch(FaultyFileSystem& owner, std::unique_ptr<platform::DirSearch> inner, std::string folder,
                 std::function<void(const std::string&, const platform::DirEntry&)> hook)
        : owner_(owner), inner_(std::move(inner)), folder_(std::move(folder)), hook_(std::move(hook)) {}
    bool next(platform::DirEntry& out) override {
        if (!inner_ || !inner_->next(out)) return false;
        if (hook_) hook_(folder_, out);
        return true;
    }
    // Through the owner's path-based read, so that its injected faults apply here too.
    std::optional<platform::LocalDateTime> fileTime(const std::string& name, platform::FileTimeKind kind) override {
        const char sep = owner_.separator();
        const bool hasSep = !folder_.empty() && folder_.back() == sep;
        return owner_.fileTime(hasSep ? folder_ + name : folder_ + sep + name, kind);
    }

private:
    FaultyFileSystem& owner_;
    std::unique_ptr<platform::DirSearch> inner_;
    std::string folder_;
    std::function<void(const std::string&, const platform::DirEntry&)> hook_;
};

class NoEntries : public platform::DirSearch {
public:
    bool next(platform::DirEntry&) override { return false; }
    std::optional<platform::LocalDateTime> fileTime(const std::string&, platform::FileTimeKind) override {
        return std::nullopt;
    }
};

}  // namespace

void FaultyFileSystem::Fail(Op op, std::string pathPart, int afterCalls, std::string error) {
    faults_.push_back({op, std::move(pathPart), afterCalls, std::move(error)});
}

int FaultyFileSystem::Calls(Op op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

std::optional<std::string> FaultyFileSystem::Check(Op op, const std::string& path, const std::string& other) {
    ++calls_[op];
    for (auto& f : faults_) {
        if (f.op != op) continue;
        const bool hit = path.find(f.pathPart) != std::string::npos ||
                         (!other.empty() && other.find(f.pathPart) != std::string::npos);
        if (!hit) continue;
        if (f.seen++ < f.afterCalls) continue;
        ++injected_;
        return f.error;
    }
    return std::nullopt;
}

std::unique_ptr<platform::DirSearch> FaultyFileSystem::openSearch(const std::string& folder) {
    if (Check(Op::OpenSearch, folder)) return std::make_unique<NoEntries>();
    return std::make_unique<HookedSearch>(*this, inner_.openSearch(folder), folder, onListed);
}

std::optional<platform::FileAttributes> FaultyFileSystem::attributes(const std::string& path) {
    if (Check(Op::Attributes, path)) return std::nullopt;
    return inner_.attributes(path);
}

std::optional<platform::LocalDateTime> FaultyFileSystem::fileTime(const std::string& path,
                                                                 platform::FileTimeKind kind) {
    if (Check(Op::FileTime, path)) return std::nullopt;
    return inner_.fileTime(path, kind);
}

platform::IoResult FaultyFileSystem::createDirectory(const std::string& path) {
    if (auto e = Check(Op::CreateDirectory, path)) return platform::IoResult::failure(*e);
    return inner_.createDirectory(path);
}

platform::IoResult FaultyFileSystem::copyFile(const std::string& from, const std::string& to) {
    if (auto e = Check(Op::Copy, from, to)) return platform::IoResult::failure(*e);
    return inner_.copyFile(from, to);
}

platform::IoResult FaultyFileSystem::removeFile(const std::string& path) {
    if (auto e = Check(Op::Remove, path)) return platform::IoResult::failure(*e);
    return inner_.removeFile(path);
}

// Copy and removal go through the checks above, so a move fails at the stage a fault names.
platform::MoveResult FaultyFileSystem::moveFile(const std::string& from, const std::string& to) {
    return FileSystem::moveFile(from, to);
}

platform::IoResult FaultyFileSystem::appendLine(const std::string& path, const std::string& line) {
    if (onAppend) onAppend(line);
    if (auto e = Check(Op::AppendLine, path)) return platform::IoResult::failure(*e);
    return inner_.appendLine(path, line);
}

}  // namespace ardeko::testkit
