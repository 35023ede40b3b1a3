// Whole-file reads and crash-safe whole-file replacement.
//
// WriteFileAtomically writes the new content to a temporary file in the same
// folder, flushes it to the disk, renames it over the target and flushes the
// folder: a reader (or the device library) sees either the old file or the
// new one, and a crash or a full disk leaves the old file whole. The content
// goes out in one write. A symbolic link is followed, so the file it names is
// replaced and the link stays.
//
// FileLock gives the process-wide mutex of one file (by its absolute, normal
// path), under which every read-modify-write of that file runs.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

struct FileRead {
    enum Outcome { kRead, kMissing, kFailed } outcome = kMissing;
    std::string bytes;
    std::string error; // why kFailed
};

// Tells a missing file from one that exists but cannot be read, so that an
// update never mistakes an unreadable file for an empty one and overwrites it.
// Only regular files are read, and the read never blocks: a folder, FIFO,
// socket or device in the file's place is kFailed.
FileRead ReadFile(const std::filesystem::path& path);

// nullopt when the file cannot be opened or read (a missing file included).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

std::mutex& FileLock(const std::filesystem::path& path);

// One read-modify-write of a file under its lock: change gets the current
// bytes (empty for a missing file) and returns the new ones, or nullopt to
// refuse (then the Status says refused). The file is replaced only when the
// bytes differ; a missing file is not created for empty content. An existing
// file that cannot be read is never overwritten.
Status UpdateFile(const std::filesystem::path& path,
                  const std::function<std::optional<std::string>(const std::string& current)>& change,
                  std::string_view refused);

} // namespace varnet
