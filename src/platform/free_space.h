// The free space a folder's file system gives an unprivileged writer, for
// refusing work whose records would have nowhere to go.
//
// Threads: any. Never throws; nullopt when the file system cannot be asked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace varnet {

// Bytes available (statvfs f_bavail) on the file system of the folder, or of
// its nearest existing parent when it does not exist yet.
std::optional<uint64_t> FreeBytes(const std::filesystem::path& folder);

} // namespace varnet
