#include "serial/scan_sn_store.h"

#include "platform/ini_document.h"
#include "platform/ini_file.h"
#include "platform/text_format.h"

namespace varnet {
namespace {

constexpr std::string_view kSection = "ScanInput";

std::string PortKey(int port) {
    return Format("Port%d", port);
}

} // namespace

std::filesystem::path ScanSnFile(const std::filesystem::path& appDir) {
    return appDir / "Config" / "ScanSN.DAT";
}

std::string ReadScanSerialNumber(const std::filesystem::path& appDir, int port) {
    return IniGetString(ScanSnFile(appDir), kSection, PortKey(port), "", kScanSnMaxLength + 1);
}

ScanSerialNumbers ReadScanSerialNumbers(const std::filesystem::path& appDir) {
    const IniDocument doc = IniDocument::Load(ScanSnFile(appDir));
    ScanSerialNumbers values;
    for (int port = 0; port < kPortCount; ++port)
        values[static_cast<size_t>(port)] = doc.GetString(kSection, PortKey(port), "", kScanSnMaxLength + 1);
    return values;
}

Status WriteScanSerialNumbers(const std::filesystem::path& appDir, const ScanSerialNumbers& values) {
    IniDocument doc(ScanSnFile(appDir));
    for (int port = 0; port < kPortCount; ++port)
        doc.SetString(kSection, PortKey(port), values[static_cast<size_t>(port)]);
    return doc.Save();
}

} // namespace varnet
