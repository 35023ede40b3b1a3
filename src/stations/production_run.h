// What the two production stations (MP and ReMP) share: the drive's serial
// number for this run, the capacity text, the pass verdict and the verdict of
// a refused serial number.
//
// Runs on the port's worker thread and touches only that port's tile and
// record, plus the serial-number state under snMutex.
#pragma once

#include "serial/drive_serial.h"
#include "stations/station_common.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// The serial number of the run's drive by the station file's rules, which
// becomes the run's when it was allocated and its record names it; an
// Auto++ advance tells the page that the file's SN moved on. A number whose
// record could not be saved is refused: allocationOk false, notRecorded
// saying why.
struct ProductionSerial : DriveSerialResult {
    Status notRecorded;
};
ProductionSerial ResolveProductionSerial(StationRun& run);

// The run's record names the serial number it took (PortContext::serialTaken).
Status RecordSerialTaken(const StationRun& run, std::string_view serial);

struct ProductionCounts {
    int32_t earlyBad = 0;
    int32_t laterBad = 0;
    int32_t totalBad = 0;
};

// The green multi-line pass verdict, after the progress bar was completed.
// The serial number shown is the one the drive now carries, and so the run's.
// Without counts (no report was read) their lines are left out: zeros would
// claim a drive without bad blocks.
void ShowProductionPass(StationRun& run, std::string_view capacityText,
                        const std::optional<ProductionCounts>& counts, std::string_view serialNumber);

// The red "SN Error!" verdict of a refused allocation: where the counter
// stands and where the range ends; or, when the number was refused because
// its record could not be saved, "record not saved: <why>". Completes the
// progress bar itself.
void ShowSerialNumberError(const StationRun& run, const ProductionSerial& serial);
// The red verdict of a run that took a serial number its record could not name.
void ShowRecordNotSaved(const StationRun& run, const Status& why);

// A station's own error pair, in the buffers the library fills.
void SetStationError(ST_PORT_RESULT& result, std::string_view code, std::string_view message);

} // namespace varnet
