// The two files that keep hub numbers (LockHub) and disk ports (LockDev) for
// one run of the program. Their names say XML but they are INI text, read
// and written key by key like every other settings file.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace varnet {

inline constexpr std::string_view kHubMappingFile = "Config/HubMapping.xml";
inline constexpr std::string_view kSlotMappingFile = "Config/SlotMapping.xml";

// Value of "Hub<n>" in section "Hub_Drive", "" when absent.
std::string ReadHubMapping(const std::filesystem::path& appDir, int n);
Status WriteHubMapping(const std::filesystem::path& appDir, int n, std::string_view driverKey);

// Value of "Port<n>" in section "Port_Path" (n = port + 1), "" when absent.
std::string ReadSlotMapping(const std::filesystem::path& appDir, int n);
Status WriteSlotMapping(const std::filesystem::path& appDir, int n, std::string_view devicePath);

// Start-up forgets the mappings of the previous run.
void DeleteMappingFiles(const std::filesystem::path& appDir);

} // namespace varnet
