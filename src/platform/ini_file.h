// Single-key access to INI files, for code that reads or writes one key where
// the platform's private-profile calls would.
//
// Contract (the semantics the device library expects of the files it shares
// with us; see ini_text.h for the line-level rules):
//  - reads never fail: a missing or unreadable file, section or key gives the
//    default, less its trailing blanks; a string read keeps size - 1
//    characters (the default too); an integer read takes sign and leading
//    decimal digits (0 when there are none) and gives the default for an
//    empty value;
//  - a write changes exactly one key (or removes one key or one section) in a
//    read-modify-write done under the file's process-wide lock and written
//    atomically, so concurrent writers of different keys never lose each
//    other's keys; writing an unchanged value does not touch the file;
//  - an empty value is written as "key="; a new file gets CRLF line ends;
//  - an integer is written as "%d" of its low 32 bits (a 32-bit unsigned
//    value above INT32_MAX comes out negative, as the platform writes it);
//  - a write that cannot be stored (an unreadable or unwritable file, a name
//    or value with a line break) fails with a Status and changes nothing.
#pragma once

#include "platform/status.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace varnet {

class IniText;

std::string IniGetString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                         std::string_view def, size_t size);
int32_t IniGetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                  int32_t def);

Status IniWriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                      std::string_view value);
Status IniWriteInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int64_t value);
Status IniRemoveKey(const std::filesystem::path& file, std::string_view section, std::string_view key);
Status IniRemoveSection(const std::filesystem::path& file, std::string_view section);

// The one read-modify-write of an INI file: under the file's lock, read and
// parse it (a missing file is empty), let change edit the text (false: the
// change was refused and nothing is written), and replace the file atomically
// when its bytes changed.
Status UpdateIniFile(const std::filesystem::path& file, const std::function<bool(IniText&)>& change);
// The same for a file that must already exist: a missing file is refused
// (checked under the file's lock) and nothing is created, so a write-back
// into a file someone removed or never had cannot make a new one.
Status UpdateExistingIniFile(const std::filesystem::path& file, const std::function<bool(IniText&)>& change);

} // namespace varnet
