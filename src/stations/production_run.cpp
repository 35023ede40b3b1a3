// The serial number, capacity and verdict texts MP and ReMP share.
#include "stations/production_run.h"

#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"

#include <mutex>

namespace varnet {
namespace {

// Another port may be advancing the counter at this moment.
std::string CurrentSerialNumber(MainPage& page) {
    if (!WaitPumpingMessages(page.serial.snMutex))
        return {};
    std::lock_guard lock(page.serial.snMutex, std::adopt_lock);
    return page.serial.currentSn;
}

} // namespace

DriveSerialResult ResolveProductionSerial(StationRun& run) {
    MainPage& page = run.page;
    const std::string identifySerial(
        FieldText(page.devices.portIdentifySerial[static_cast<size_t>(run.port)]));
    DriveSerialResult resolved = ResolveDriveSerialNumber(
        *run.config, run.port, identifySerial, run.configPath, page.serial, SnStation::MpOrReMp,
        [&page] { page.view().PostSerialNumberChanged(); }, page.appDir());
    if (resolved.allocationOk)
        page.runSerial[static_cast<size_t>(run.port)] = resolved.serialNumber;
    return resolved;
}

void ShowProductionPass(const StationRun& run, std::string_view capacityText, const ProductionCounts& counts,
                        std::string_view serialNumber) {
    MainPage& page = run.page;
    const std::string capacity(capacityText);
    // Serial numbers come from drives and scanners in any encoding.
    const std::string serial = ValidUtf8(serialNumber);
    // The number the drive now carries is the run's, whatever was chosen.
    run.page.runSerial[static_cast<size_t>(run.port)] = std::string(serialNumber);
    const std::string text =
        page.uiLanguage() == 1
            ? Format("%sPass!\r\n总容量: %s\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\n序列号: %s",
                     page.resultPrefix.c_str(), capacity.c_str(), counts.earlyBad, counts.laterBad,
                     counts.totalBad, serial.c_str())
            : Format("%sPass!\r\nTotalSize: %s\r\nEarlyBad: %d\r\nLaterBad: %d\r\nTotalBad: %d\r\nSN: %s",
                     page.resultPrefix.c_str(), capacity.c_str(), counts.earlyBad, counts.laterBad,
                     counts.totalBad, serial.c_str());
    run.SetStatus(text, kTilePass, page.tileFontSize, false);
}

void ShowSerialNumberError(const StationRun& run) {
    MainPage& page = run.page;
    run.CompleteProgress();
    run.ShowProgress();
    const std::string current = ValidUtf8(CurrentSerialNumber(page));
    const std::string end = ValidUtf8(FieldText(run.config->SN_End));
    run.SetStatus(Format("%sSN Error!\r\nStartSN: %s\r\nEndSN: %s", page.resultPrefix.c_str(),
                         current.c_str(), end.c_str()),
                  kTileFail, page.tileFontSize, false);
}

void SetStationError(ST_PORT_RESULT& result, std::string_view code, std::string_view message) {
    SetFieldText(result.errorCode, code);
    SetFieldText(result.errorMessage, message);
}

} // namespace varnet
