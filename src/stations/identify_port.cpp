// Identify and the flash-ID readout: what a drive says it is (its ATA
// identify data, read through the device library), which flash parts it
// carries, and whether the flash database knows them. Only a drive whose
// flash is known may run a station afterwards; an unknown one is still shown,
// so the operator sees which drive it is.
#include "config/flash_database.h"
#include "platform/diagnostic_log.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/flash_id_list.h"
#include "stations/identify_data.h"
#include "stations/log_tree.h"
#include "stations/station_common.h"
#include "stations/station_steps.h"

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace varnet {
namespace {

std::string TrimSpace(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(kSpace) - first + 1));
}

// Both counters of the tile's record back to 0 and the bar with them, so an
// identified port starts its first run from an empty bar.
void ResetTileProgress(PortTile& tile) {
    ProgressRecord& record = tile.Progress();
    SetProgressValue(record.progress, 0);
    SetProgressValue(record.readProgress, 0);
    tile.ShowProgress();
}

// Has the library write the port's flash-ID list afresh and reads it into
// `fresh`, a newly made record. The old list is deleted first and a list the
// library did not write leaves `fresh` empty, so nothing of an earlier
// readout, or of the drive that was on the port before, can survive.
bool ReadFlashIdsInto(PortContext& context, int32_t drive, ST_PORT_RESULT& fresh) {
    const fs::path root = LogRoot(context.env.appDir);
    // A log root that cannot be made fails the library's write below.
    LogDiscarded(EnsureFolder(root), context.port + 1);
    const std::string listPath = (root / FlashIdListName(context.port + 1)).string();
    std::error_code ignored;
    fs::remove(listPath, ignored);
    if (!context.library.GetAllFlashID(drive, listPath.c_str()))
        return false;
    ReadFlashIdList(listPath, fresh);
    return true;
}

// An entry that names no chip (nothing was read, or the CE is empty) is never
// looked up: a blank record in the database must not make it a known part.
bool FlashIsKnown(const FlashDatabase* database, const FlashId& id) {
    return database != nullptr && IsValidFlashId(id) && database->FindRecord(id) != nullptr;
}

struct DriveIdentity {
    std::string firmware;
    std::string serial;
    std::string model;
    uint32_t capacityMb = 0;
};

DriveIdentity DecodeIdentity(const StationEnv& env, const IdentifyData& data) {
    DriveIdentity identity;
    identity.firmware = ToUpperAscii(TrimSpace(IdentifyFirmwareText(data)));
    identity.serial = TrimSpace(IdentifySerialText(data));
    identity.model = TrimSpace(IdentifyModelText(data));
    // Customer 8's drives carry this controller under the customer's own model name.
    if (env.customerRecord.CustomerCode() == 8 && identity.model == "QC7720")
        identity.model = "KV7041-S01";
    return identity;
}

void ShowIdentity(const StationRun& run, const DriveIdentity& identity) {
    const StationEnv& env = run.env;
    // Identify data may hold any bytes; the tile shows only valid text.
    const std::string model = ValidUtf8(identity.model);
    const std::string capacity = CapacityText(identity.capacityMb);
    const std::string serial = ValidUtf8(identity.serial);
    const std::string text =
        env.uiLanguage == 1
            ? Format("名称: %s\r\n容量: %s\r\n序列号: %s", model.c_str(), capacity.c_str(), serial.c_str())
            : Format("Name: %s\r\nCap: %s\r\nSN: %s", model.c_str(), capacity.c_str(), serial.c_str());
    run.ShowStatus(text, kTileInfo, false);
    run.context.tile.SetTileTip(env.Text("Double Click\r\nfor Flash ID", "双击查看\r\nFlash ID"));
    run.context.tile.SetButtonTip(env.Text("Click to Start", "单击开始"));
}

void Identify(StationRun& run) {
    PortContext& context = run.context;
    const int port = run.port;
    const int32_t drive = run.Drive();

    IdentifyData data{};
    if (!run.Library().GetIdentifyInfoBuf(drive, data.data())) {
        run.ShowStatus("Identify Fail!", kTileFail, true);
        run.SetAction(PORT_DONE);
        return;
    }
    DriveIdentity identity = DecodeIdentity(run.env, data);
    SetFieldText(context.identifySerial, identity.serial);
    SetFieldText(context.identifyModel, identity.model);

    if (const char letter = context.driveLetter; letter != 0)
        context.tile.SetButtonCaption(Format("%d (%c)", port + 1, letter));

    const uint32_t identifyCapacityMb = IdentifyCapacityMb(data);
    identity.capacityMb = identifyCapacityMb != 0 ? identifyCapacityMb : run.ReadCapacityMB();

    // The record is large; a worker thread's stack need not hold a second one.
    const auto fresh = std::make_unique<ST_PORT_RESULT>();
    if (!ReadFlashIdsInto(context, drive, *fresh)) {
        run.ShowStatus("Get ID Fail!", kTileFail, true);
        run.SetAction(PORT_DONE);
        return;
    }
    ShowIdentity(run, identity);

    ST_PORT_RESULT& result = run.Result();
    result = *fresh;
    // The replacement cleared it; the runner closes the run by it.
    result.portRunning = 1;
    SetFieldText(result.firmwareRevision, identity.firmware);
    result.inRdtFirmware = identity.firmware.size() >= 3 && identity.firmware[2] == 'S' ? 1 : 0;
    result.deviceValid = FlashIsKnown(run.env.flashDatabase, result.flashId[0]) ? 1 : 0;

    run.outcome.identified = true;
    run.SetAction(PORT_READY);
}

} // namespace

PortOutcome IdentifyPort(PortContext& context) {
    StationRun run(context);
    ST_PORT_RESULT& result = run.Result();
    result.inRdtFirmware = 0;
    result.deviceValid = 0;
    result.firmwareRevision.fill('\0');
    Identify(run);
    ResetTileProgress(context.tile);
    return run.outcome;
}

void ReadAllFlashId(PortContext& context, ST_PORT_RESULT& record) {
    const auto fresh = std::make_unique<ST_PORT_RESULT>();
    context.tile.SetProgress(0);
    // A readout that fails leaves the caller an empty record, which is how
    // the editor learns of it.
    if (const int32_t drive = context.Drive(); drive != 0)
        (void)ReadFlashIdsInto(context, drive, *fresh);
    record = *fresh;
    context.action.store(PORT_DONE);
}

} // namespace varnet
