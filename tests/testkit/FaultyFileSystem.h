#pragma once
// A file system that fails on purpose: wraps any platform::FileSystem and makes chosen
// operations fail on chosen paths, optionally only after some calls went through; and runs a
// hook between a listing handing out an entry and the caller reading it (to make a file or a
// folder vanish in the middle of a walk).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace ardeko::testkit {

class FaultyFileSystem : public platform::FileSystem {
public:
    enum class Op { Copy, Remove, CreateDirectory, AppendLine, FileTime, OpenSearch, Attributes };

    explicit FaultyFileSystem(platform::FileSystem& inner) : inner_(inner) {}

    // From now on `op` fails on every path that contains `pathPart` ("" matches every path),
    // once `afterCalls` matching calls have gone through. A copy matches on its source or its
    // target; a failing search lists nothing; a failing file time or attribute read gives
    // nothing.
    void Fail(Op op, std::string pathPart, int afterCalls = 0,
              std::string error = "Zugriff verweigert (simuliert)");
    void ClearFaults() { faults_.clear(); }

    // Runs after a listing of `folder` produced `entry` and before the caller sees it.
    std::function<void(const std::string& folder, const platform::DirEntry& entry)> onListed;
    // Runs for each line about to be appended, also for one that is then made to fail.
    std::function<void(const std::string& line)> onAppend;

    // How many calls of each kind were made (failed ones included).
    int Calls(Op op) const;
    // Number of failures that were injected.
    int InjectedFailures() const { return injected_; }

    char separator() const override { return inner_.separator(); }
    std::unique_ptr<platform::DirSearch> openSearch(const std::string& folder) override;
    std::optional<platform::FileAttributes> attributes(const std::string& path) override;
    std::optional<platform::LocalDateTime> fileTime(const std::string& path, platform::FileTimeKind kind) override;
    platform::IoResult createDirectory(const std::string& path) override;
    platform::IoResult copyFile(const std::string& from, const std::string& to) override;
    platform::IoResult removeFile(const std::string& path) override;
    platform::MoveResult moveFile(const std::string& from, const std::string& to) override;
    platform::IoResult appendLine(const std::string& path, const std::string& line) override;

private:
    struct Fault {
        Op op;
        std::string pathPart;
        int afterCalls;
        std::string error;
        int seen = 0;
    };
    // The error text when this call is to fail, else nothing.
    std::optional<std::string> Check(Op op, const std::string& path, const std::string& other = {});

    platform::FileSystem& inner_;
    std::vector<Fault> faults_;
    std::map<Op, int> calls_;
    int injected_ = 0;
};

}  // namespace ardeko::testkit
