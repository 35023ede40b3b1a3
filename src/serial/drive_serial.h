// Where a drive's serial number comes from, once per drive in the RDT start,
// MP and ReMP stations, after identify and before anything is written to the
// drive; and the advance of the station file's SN when the page closes.
//
// By the page's copy of the station record:
//  - SN_Set 0: the drive's own identify serial, or when that is empty a
//    timestamp "MMDDhhmmssms" whose day and milliseconds fields carry the
//    port index (ports started in the same millisecond still differ; a field
//    may grow to three or four digits);
//  - SN_Set 1, SN_Type ScanInput: the port's scanned number (may be empty);
//  - SN_Set 1, SN_Type Unified (or any other value of SN_Set or SN_Type):
//    SerialNum;
//  - SN_Set 1, SN_Type AutoIncrement: currentSn, after which the counter
//    moves on and the station file's SN_Start and SerialNum name the next
//    number before this one is handed out;
//  - SN_Set 1, SN_Type Random: a drawn number, nothing written back.
//
// Threads: any port worker; Auto++ and Random run under state.snMutex, waited
// for with WaitPumpingMessages; Scan Input, Unified and SN_Set 0 take no lock.
// postSnChanged is called after snMutex is released, on the calling thread,
// and must not block (the page re-reads SN_Start when it gets the notice).
//
// Failures: allocationOk is false when the number could not be allocated:
// the range is used up or unusable, the Random search gave up, the wait for
// snMutex ended because the application is quitting, or the Auto++ write-back
// failed. MP and ReMP then end the port with their "SN Error!" verdict; the
// RDT start station goes on with serialNumber. Nothing throws.
#pragma once

#include "config/station_config.h"
#include "platform/status.h"
#include "serial/serial_allocator.h"
#include "serial/serial_state.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace varnet {

// MP and ReMP tell the page that the file's SN moved on; the RDT start
// station does not.
enum class SnStation : uint8_t { MpOrReMp, RdtStart };

struct DriveSerialResult {
    std::string serialNumber;
    bool allocationOk = true;
    // Why the Auto++ write-back failed, when it did (for the port's log).
    Status writeBack;
};

DriveSerialResult
ResolveDriveSerialNumber(const ST_STATION_CONFIG& config, int port, std::string_view identifySerial,
                         const std::filesystem::path& stationConfigPath, SerialNumberState& state,
                         SnStation station, const std::function<void()>& postSnChanged,
                         const std::filesystem::path& appDir, const SnClock& clock = ReadSnTime);

// The page-close advance: when currentSn is set and SN_Type is Auto++ (SN_Set
// is not looked at), counts currentSn on by one as port 0 would and writes
// the result as SN_Start and SerialNum; currentSn becomes empty when the
// range is used up. Takes no lock: call it only when no port runs. Fails only
// when the write-back fails.
Status AdvanceSerialOnClose(const ST_STATION_CONFIG& config, const std::filesystem::path& stationConfigPath,
                            SerialNumberState& state);

} // namespace varnet
