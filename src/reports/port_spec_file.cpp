#include "reports/port_spec_file.h"

#include "config/station_config.h"
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/text_format.h"

#include <system_error>

namespace varnet {

Status MakePortSpecFile(const std::filesystem::path& appDir, const std::filesystem::path& stationConfigPath,
                        int port, bool relaxA, bool relaxB, std::filesystem::path& specFile) {
    specFile = appDir / Format("Config/INI_Port_%d.ini", port);
    // Read before deleting: the station file may be the port file itself.
    const FileRead station = ReadFile(stationConfigPath);
    // Deleted whatever follows, so that a failed copy never leaves the last
    // run's specs for the library to read.
    std::error_code ignored;
    std::filesystem::remove(specFile, ignored);
    if (station.outcome != FileRead::kRead) {
        return Status::Error("cannot read the station configuration " + stationConfigPath.string() +
                             (station.outcome == FileRead::kMissing ? ": missing" : ": " + station.error));
    }
    if (Status written = WriteFileAtomically(specFile, station.bytes); !written.ok())
        return written;
    if (!relaxA || !relaxB)
        return Status::Ok();
    IniDocument spec = IniDocument::FromBytes(specFile, station.bytes);
    for (const std::string_view key : kBadBlockSpecKeys)
        spec.SetString("Options", key, "9999");
    return spec.Save();
}

} // namespace varnet
