// A whole file read into memory to be parsed in place and kept while views
// into it live (an INI document's lines are such views).
//
// Contract:
//  - the outcomes and their meaning are those of ReadFile (file_io.h): only
//    regular files are read, the open never blocks, a missing file is told
//    from one that cannot be read;
//  - a large file goes into memory the system may back with huge pages, so
//    reading one of tens of megabytes costs about one pass over its bytes
//    rather than a page fault per 4 KiB;
//  - the bytes never change; copies of a FileBytes share them and they are
//    freed with the last copy. Any thread may read them.
#pragma once

#include "platform/file_io.h"
#include "platform/status.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

struct FileBytes {
    FileRead::Outcome outcome = FileRead::kMissing;
    std::string error;                 // why kFailed
    std::string_view bytes;            // empty unless kRead
    std::shared_ptr<const void> owner; // keeps bytes alive
};

FileBytes ReadFileBytes(const std::filesystem::path& path);

// Bytes already in memory, held the same way.
FileBytes HoldBytes(std::string bytes);

// UpdateFile (file_io.h) with the current bytes read by ReadFileBytes, so a
// large file is neither copied to be looked at nor copied again to be kept:
// under the file's lock, change gets the current bytes (empty for a missing
// file) and returns the new ones or nullopt to refuse; the file is replaced
// atomically when they differ. On success, written (when given) receives the
// bytes the file now holds.
Status UpdateFileBytes(const std::filesystem::path& path,
                       const std::function<std::optional<std::string>(const FileBytes& current)>& change,
                       std::string_view refused, std::string* written = nullptr);

} // namespace varnet
