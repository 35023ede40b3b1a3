// Clearing away what atomic writes (file_io.h) leave behind when the process
// is killed between creating the temporary file and renaming it: files named
// "." + target name + "." + the six characters mkstemp fills in, in the
// target's folder.
//
// Contract:
//  - only regular files of exactly that form are removed, and only when their
//    last change is more than a minute before now, so a write still in
//    progress (another instance of the program, a tool) is never cut short;
//    folders, links and every other name (".bashrc", "x.ini.ABCDEF" without
//    the leading dot, five or seven characters after the last dot) stay;
//  - the folder itself is not descended into;
//  - never throws: a folder that cannot be listed and a file that cannot be
//    removed are skipped; the result is the number of files removed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace varnet {

// Whether a file name has the form of an atomic write's temporary file.
bool IsWriteLeftoverName(std::string_view name);

size_t RemoveWriteLeftovers(const std::filesystem::path& folder, std::filesystem::file_time_type now);

} // namespace varnet
