#include "config/setting_save.h"

#include "config/companion_file.h"
#include "platform/file_io.h"

#include <system_error>

namespace varnet {
namespace {

Status PutBack(const std::filesystem::path& file, const FileRead& before) {
    if (before.outcome == FileRead::kMissing) {
        std::error_code error;
        std::filesystem::remove(file, error);
        return error ? Status::Error(error.message()) : Status::Ok();
    }
    return UpdateFile(
        file, [&](const std::string&) -> std::optional<std::string> { return before.bytes; }, "");
}

} // namespace

Status WriteStationAndCompanion(const std::filesystem::path& stationFile,
                                const std::function<Status()>& writeStation,
                                const std::filesystem::path& companion,
                                const std::function<Status()>& writeCompanion) {
    const FileRead before = ReadFile(stationFile);
    if (before.outcome == FileRead::kFailed)
        return Status::Error(stationFile.string() + ": " + before.error);
    if (Status written = writeStation(); !written.ok())
        return Status::Error(stationFile.string() + ": " + written.message());
    Status companionWritten = writeCompanion();
    if (companionWritten.ok())
        return companionWritten;
    std::string message = companion.string() + ": " + companionWritten.message();
    if (Status putBack = PutBack(stationFile, before); !putBack.ok())
        message += "\n" + stationFile.string() + " stays saved: " + putBack.message();
    return Status::Error(message);
}

Status SaveStationAndCompanion(ST_STATION_CONFIG& record, const std::filesystem::path& stationFile,
                               const std::filesystem::path& companion, const StationSaveContext& context,
                               const StationNameTable& names) {
    return WriteStationAndCompanion(
        stationFile, [&] { return SaveStationConfig(record, stationFile, context, names); }, companion,
        [&] { return SaveStationSection(companion, record, context); });
}

} // namespace varnet
