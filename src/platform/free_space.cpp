#include "platform/free_space.h"

#include <sys/statvfs.h>

namespace varnet {

std::optional<uint64_t> FreeBytes(const std::filesystem::path& folder) {
    std::filesystem::path at = folder;
    std::error_code error;
    // A folder made only by the first run lies on its parent's file system.
    while (!at.empty() && !std::filesystem::exists(at, error)) {
        const std::filesystem::path parent = at.parent_path();
        if (parent == at)
            break;
        at = parent;
    }
    struct statvfs info {};
    if (at.empty() || ::statvfs(at.c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

} // namespace varnet
