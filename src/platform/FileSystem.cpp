#include "platform/FileSystem.h"

namespace ardeko::platform {

MoveResult FileSystem::moveFile(const std::string& from, const std::string& to) {
    if (auto copied = copyFile(from, to); !copied)
        return {MoveResult::Stage::CopyFailed, copied.error};
    if (auto removed = removeFile(from); !removed)
        return {MoveResult::Stage::DeleteFailed, removed.error};
    return {};
}

}  // namespace ardeko::platform
