#include "platform/FileSystem.h"

#include <fmt/format.h>

#include <charconv>

namespace ardeko::platform {

namespace {
constexpr std::string_view kTempPrefix = ".ardeko~";
// Longer names are not carried in a temporary name (file names end at 255 characters): such a
// temporary names no file, so it is never taken for a spare copy of one.
constexpr std::size_t kMaxTempName = 240;
}  // namespace

std::string MakeTempCopyName(const TempCopyName& owner, std::uint32_t random) {
    std::string machine;
    for (char c : owner.machine)
        if (c != '~' && c != '/' && c != '\\' && static_cast<unsigned char>(c) >= 0x20) machine += c;
    std::string name = fmt::format("{}{}~{}~{:08x}~", kTempPrefix, machine, owner.process, random);
    if (name.size() + owner.finalName.size() <= kMaxTempName) name += owner.finalName;
    return name;
}

std::optional<TempCopyName> ParseTempCopyName(std::string_view name) {
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return std::nullopt;
    name.remove_prefix(kTempPrefix.size());
    std::string_view fields[3];
    for (auto& field : fields) {
        const auto end = name.find('~');
        if (end == std::string_view::npos) return std::nullopt;
        field = name.substr(0, end);
        name.remove_prefix(end + 1);
    }
    TempCopyName out;
    out.machine = fields[0];
    const auto [p, ec] = std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), out.process);
    if (ec != std::errc{} || p != fields[1].data() + fields[1].size() || fields[2].size() != 8) return std::nullopt;
    out.finalName = name;
    return out;
}

namespace {
// A listing narrowed to the names our matcher accepts, for platforms without a search of their own.
class MatchingSearch final : public DirSearch {
public:
    MatchingSearch(std::unique_ptr<DirSearch> all, std::string pattern) : all_(std::move(all)), pattern_(std::move(pattern)) {}
    bool next(DirEntry& out) override {
        while (all_ && all_->next(out))
            if (WildcardMatch(pattern_, out.name)) return true;
        return false;
    }
    std::optional<LocalDateTime> fileTime(const std::string& name, FileTimeKind kind) override {
        return all_ ? all_->fileTime(name, kind) : std::nullopt;
    }

private:
    std::unique_ptr<DirSearch> all_;
    std::string pattern_;
};
}  // namespace

MoveResult FileSystem::moveFile(const std::string& from, const std::string& to, MoveMode mode) {
    if (mode == MoveMode::NoReplace && attributes(to)) return {MoveResult::Stage::CopyFailed, kTargetExistsText};
    if (auto copied = copyFile(from, to); !copied)
        return {MoveResult::Stage::CopyFailed, copied.error};
    if (auto removed = removeFile(from); !removed)
        return {MoveResult::Stage::DeleteFailed, removed.error};
    return {};
}

std::string NotAFolderText(const std::string& path) { return "'" + path + "' ist kein Ordner (Verknüpfung oder Datei)"; }

std::string NotAFileText(const std::string& path) { return "'" + path + "' ist keine Datei (Verknüpfung oder Ordner)"; }

std::unique_ptr<DirSearch> MatchingNames(std::unique_ptr<DirSearch> all, const std::string& pattern) {
    if (pattern.empty()) return all;
    return std::make_unique<MatchingSearch>(std::move(all), pattern);
}

bool FileSystem::temporaryAbandoned(const std::string&, const TempCopyName&) { return false; }

}  // namespace ardeko::platform
