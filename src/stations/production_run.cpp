// The serial number, capacity and verdict texts MP and ReMP share.
#include "stations/production_run.h"

#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"

#include <mutex>

namespace varnet {
namespace {

// Another port may be advancing the counter at this moment.
std::string CurrentSerialNumber(SerialNumberState& serial) {
    if (!WaitPumpingMessages(serial.snMutex))
        return {};
    std::lock_guard lock(serial.snMutex, std::adopt_lock);
    return serial.currentSn;
}

} // namespace

Status RecordSerialTaken(const StationRun& run, std::string_view serial) {
    return run.context.serialTaken ? run.context.serialTaken(serial) : Status::Ok();
}

ProductionSerial ResolveProductionSerial(StationRun& run) {
    PortContext& context = run.context;
    const std::string identifySerial(run.IdentifySerial());
    ProductionSerial resolved;
    static_cast<DriveSerialResult&>(resolved) = ResolveDriveSerialNumber(
        *run.config, run.port, identifySerial, run.configPath, context.serial, SnStation::MpOrReMp,
        [&context] {
            if (context.serialNumberChanged)
                context.serialNumberChanged();
        },
        run.env.appDir);
    if (resolved.allocationOk) {
        resolved.notRecorded = RecordSerialTaken(run, resolved.serialNumber);
        if (!resolved.notRecorded.ok())
            resolved.allocationOk = false;
    }
    if (resolved.allocationOk)
        run.outcome.serial = resolved.serialNumber;
    return resolved;
}

void ShowProductionPass(StationRun& run, std::string_view capacityText,
                        const std::optional<ProductionCounts>& counts, std::string_view serialNumber) {
    const StationEnv& env = run.env;
    const std::string capacity(capacityText);
    // Serial numbers come from drives and scanners in any encoding.
    const std::string serial = ValidUtf8(serialNumber);
    // The number the drive now carries is the run's, whatever was chosen.
    run.outcome.serial = std::string(serialNumber);
    const bool chinese = env.uiLanguage == 1;
    std::string text = Format(chinese ? "%sPass!\r\n总容量: %s\r\n" : "%sPass!\r\nTotalSize: %s\r\n",
                              env.resultPrefix.c_str(), capacity.c_str());
    if (counts)
        text += Format("EarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n", counts->earlyBad, counts->laterBad,
                       counts->totalBad);
    text += Format(chinese ? "序列号: %s" : "SN: %s", serial.c_str());
    run.ShowStatus(text, kTilePass, false);
}

void ShowRecordNotSaved(const StationRun& run, const Status& why) {
    run.CompleteProgress();
    run.ShowProgress();
    run.ShowStatus(Format("%sFail!\r\nrecord not saved: %s", run.env.resultPrefix.c_str(),
                          ValidUtf8(why.message()).c_str()),
                   kTileFail, false);
}

void ShowSerialNumberError(const StationRun& run, const ProductionSerial& serial) {
    if (!serial.notRecorded.ok()) {
        ShowRecordNotSaved(run, serial.notRecorded);
        return;
    }
    run.CompleteProgress();
    run.ShowProgress();
    const std::string current = ValidUtf8(CurrentSerialNumber(run.context.serial));
    const std::string end = ValidUtf8(FieldText(run.config->SN_End));
    run.ShowStatus(Format("%sSN Error!\r\nStartSN: %s\r\nEndSN: %s", run.env.resultPrefix.c_str(),
                          current.c_str(), end.c_str()),
                   kTileFail, false);
}

void SetStationError(ST_PORT_RESULT& result, std::string_view code, std::string_view message) {
    SetFieldText(result.errorCode, code);
    SetFieldText(result.errorMessage, message);
}

} // namespace varnet
