// Small, allocation-light reads of sysfs and procfs under a device root: one
// attribute, one folder listing, one link. They go straight to the system
// calls because a scan makes hundreds of them and std::filesystem's error
// paths and path objects cost more than the reads themselves.
//
// Every function reports failure as an empty optional (or false) and never
// throws beyond std::bad_alloc.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::sysfs {

// A device root as the prefix the other paths are built on: absolute, links
// resolved, no trailing '/', and empty for "/" so that "/sys" stays "/sys".
std::string RootPrefix(const std::filesystem::path& root);

// The content of an attribute file (sysfs, or any small regular file)
// without its trailing line ends; empty optional when it cannot be opened or
// read, or is no regular file (a folder, FIFO or device in its place): the
// read never blocks. Not for procfs tables, which come a page at a time.
std::optional<std::string> ReadAttribute(const std::string& path);

// The entry names of a folder, "." and ".." left out, in no order.
std::optional<std::vector<std::string>> ListFolder(const std::string& path);

// The target of a symbolic link as stored.
std::optional<std::string> ReadLink(const std::string& path);

// The folder a link target names, seen from the folder holding the link,
// resolved by text ("a/b/../c" is "a/c"). Sysfs links only climb real folders,
// so this gives what the system would, without a system call per component.
std::string ResolveLinkTarget(std::string_view linkFolder, std::string_view target);

bool IsFolder(const std::string& path);
bool Exists(const std::string& path);

// The part of a path after its last '/'.
std::string_view BaseName(std::string_view path);
// The part before its last '/' (empty for a name without one).
std::string_view ParentPath(std::string_view path);

// Whole decimal / hexadecimal numbers with blanks around them allowed; a hex
// number may carry "0x".
std::optional<uint64_t> ParseDecimal(std::string_view text);
std::optional<uint64_t> ParseHex(std::string_view text);

} // namespace varnet::sysfs
