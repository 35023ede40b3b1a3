#include "ui/settings/setting_save.h"

#include "config/companion_file.h"
#include "platform/file_io.h"

#include <system_error>

namespace varnet::ui {
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

Status SaveStationAndCompanion(ST_STATION_CONFIG& record, const std::filesystem::path& stationFile,
                               const std::filesystem::path& companion, const StationSaveContext& context,
                               const StationNameTable& names) {
    const FileRead before = ReadFile(stationFile);
    if (before.outcome == FileRead::kFailed)
        return Status::Error(stationFile.string() + ": " + before.error);
    if (Status saved = SaveStationConfig(record, stationFile, context, names); !saved.ok())
        return Status::Error(stationFile.string() + ": " + saved.message());
    Status companionSaved = SaveStationSection(companion, record, context);
    if (companionSaved.ok())
        return companionSaved;
    std::string message = companion.string() + ": " + companionSaved.message();
    if (Status putBack = PutBack(stationFile, before); !putBack.ok())
        message += "\n" + stationFile.string() + " stays saved: " + putBack.message();
    return Status::Error(message);
}

} // namespace varnet::ui
