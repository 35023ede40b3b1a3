#include "devices/mapping_files.h"

#include "platform/ini_file.h"
#include "platform/text_format.h"

#include <system_error>

namespace varnet {
namespace {

// The platform read keeps 511 characters of a value.
constexpr size_t kValueSize = 512;

} // namespace

std::string ReadHubMapping(const std::filesystem::path& appDir, int n) {
    return IniGetString(appDir / kHubMappingFile, "Hub_Drive", Format("Hub%d", n), "", kValueSize);
}

Status WriteHubMapping(const std::filesystem::path& appDir, int n, std::string_view driverKey) {
    return IniWriteString(appDir / kHubMappingFile, "Hub_Drive", Format("Hub%d", n), driverKey);
}

std::string ReadSlotMapping(const std::filesystem::path& appDir, int n) {
    return IniGetString(appDir / kSlotMappingFile, "Port_Path", Format("Port%d", n), "", kValueSize);
}

Status WriteSlotMapping(const std::filesystem::path& appDir, int n, std::string_view devicePath) {
    return IniWriteString(appDir / kSlotMappingFile, "Port_Path", Format("Port%d", n), devicePath);
}

void DeleteMappingFiles(const std::filesystem::path& appDir) {
    std::error_code ignored;
    std::filesystem::remove(appDir / kHubMappingFile, ignored);
    std::filesystem::remove(appDir / kSlotMappingFile, ignored);
}

} // namespace varnet
