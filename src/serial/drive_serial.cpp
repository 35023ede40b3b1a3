#include "serial/drive_serial.h"

#include "config/station_file.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "platform/wait_pumping.h"
#include "serial/scan_sn_store.h"

#include <mutex>
#include <utility>

namespace varnet {
namespace {

std::string TimestampSerialNumber(int port, const SnClock& clock) {
    const SnTime now = clock();
    return Format("%02d%02d%02d%02d%02d%02d", now.month, now.day + port, now.hour, now.minute, now.second,
                  now.milliseconds + port);
}

// True when the number was handed out and the file names the next one.
bool ResolveAutoIncrement(const ST_STATION_CONFIG& config, int port,
                          const std::filesystem::path& stationConfigPath, SerialNumberState& state,
                          DriveSerialResult& result) {
    if (!WaitPumpingMessages(state.snMutex))
        return false;
    std::lock_guard lock(state.snMutex, std::adopt_lock);
    result.serialNumber = state.currentSn;
    // Worked on in copies and kept only once the file names the next number:
    // a number is never handed out while the file still names it, or a
    // restart after a crash would hand it out again.
    LastSnByPort lastSnByPort = state.lastSnByPort;
    std::string next;
    if (!AllocateSerialNumber(port, FieldText(config.SN_Mask), state.currentSn, FieldText(config.SN_Start),
                              FieldText(config.SN_End), SnType::AutoIncrement, lastSnByPort, next)) {
        // Falls back to the last value advanced to in this program run, so
        // the "SN Error!" verdicts show where the counter stopped.
        state.currentSn = state.nextSnSlot;
        return false;
    }
    result.writeBack = WriteSerialNumberKeys(stationConfigPath, next);
    if (!result.writeBack.ok()) {
        // The counter stays where the file is, so the next drive tries the
        // same number again.
        return false;
    }
    state.lastSnByPort = std::move(lastSnByPort);
    state.nextSnSlot = next;
    state.currentSn = std::move(next);
    return true;
}

bool ResolveRandom(const ST_STATION_CONFIG& config, int port, SerialNumberState& state, const SnClock& clock,
                   DriveSerialResult& result) {
    if (!WaitPumpingMessages(state.snMutex))
        return false;
    std::lock_guard lock(state.snMutex, std::adopt_lock);
    if (!AllocateSerialNumber(port, FieldText(config.SN_Mask), state.currentSn, FieldText(config.SN_Start),
                              FieldText(config.SN_End), SnType::Random, state.lastSnByPort,
                              result.serialNumber, clock, &state.handedOutSinceStart))
        return false;
    state.handedOutSinceStart.insert(result.serialNumber);
    return true;
}

} // namespace

DriveSerialResult ResolveDriveSerialNumber(const ST_STATION_CONFIG& config, int port,
                                           std::string_view identifySerial,
                                           const std::filesystem::path& stationConfigPath,
                                           SerialNumberState& state, SnStation station,
                                           const std::function<void()>& postSnChanged,
                                           const std::filesystem::path& appDir, const SnClock& clock) {
    DriveSerialResult result;
    result.serialNumber = std::string(FieldText(config.SerialNum));
    if (config.SN_Set == 0) {
        result.serialNumber =
            identifySerial.empty() ? TimestampSerialNumber(port, clock) : std::string(identifySerial);
        return result;
    }
    if (config.SN_Set != 1)
        return result;
    switch (static_cast<SnType>(config.SN_Type)) {
    case SnType::ScanInput:
        result.serialNumber = ReadScanSerialNumber(appDir, port);
        break;
    case SnType::AutoIncrement:
        result.allocationOk = ResolveAutoIncrement(config, port, stationConfigPath, state, result);
        if (result.allocationOk && station == SnStation::MpOrReMp && postSnChanged)
            postSnChanged();
        break;
    case SnType::Random:
        result.allocationOk = ResolveRandom(config, port, state, clock, result);
        break;
    case SnType::Unified:
    default:
        break;
    }
    return result;
}

Status AdvanceSerialOnClose(const ST_STATION_CONFIG& config, const std::filesystem::path& stationConfigPath,
                            SerialNumberState& state) {
    if (state.currentSn.empty() || static_cast<SnType>(config.SN_Type) != SnType::AutoIncrement)
        return Status::Ok();
    std::string next;
    const bool advanced =
        AllocateSerialNumber(0, FieldText(config.SN_Mask), state.currentSn, FieldText(config.SN_Start),
                             FieldText(config.SN_End), SnType::AutoIncrement, state.lastSnByPort, next);
    state.currentSn = std::move(next);
    return advanced ? WriteSerialNumberKeys(stationConfigPath, state.currentSn) : Status::Ok();
}

} // namespace varnet
