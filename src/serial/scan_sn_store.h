// The scanned serial numbers: "Config/ScanSN.DAT" under the program folder,
// section "ScanInput", key "Port<i>" with the 0-based port index (Port0 for
// the port shown as 1), one value per port, possibly empty.
//
// Reads never fail: a missing file, section or key is an empty value, and a
// value is read as at most 127 characters (whatever length was saved). Values
// are never removed or marked as used: a number serves every drive on its
// port until the operator changes it.
//
// Threads: any thread may read; a write is one atomic replacement of the file
// under the file's process-wide lock, so readers never see half of a save.
#pragma once

#include "platform/status.h"
#include "serial/serial_state.h"

#include <filesystem>
#include <string>

namespace varnet {

inline constexpr size_t kScanSnMaxLength = 127;

using ScanSerialNumbers = std::array<std::string, kPortCount>;

std::filesystem::path ScanSnFile(const std::filesystem::path& appDir);

std::string ReadScanSerialNumber(const std::filesystem::path& appDir, int port);
ScanSerialNumbers ReadScanSerialNumbers(const std::filesystem::path& appDir);

// Writes all 24 keys in one save, an empty value as "Port<i>=" (the key
// stays). Fails, writing nothing, when a value holds a line break or the file
// cannot be written (the Config folder is not created here).
Status WriteScanSerialNumbers(const std::filesystem::path& appDir, const ScanSerialNumbers& values);

} // namespace varnet
