// What one station run on one port is given, and what it gives back: the
// port's records, tile and library, the configuration snapshot of the run,
// and the few page-wide things a run shares with the other ports (the
// serial-number state, the report claims of the batch). A step sees its
// port through this and nothing else, so it can be run without a page.
//
// Ownership: the context borrows everything it refers to; whoever builds it
// (the engine, for each run) keeps those alive until the step returns. The
// configuration is a snapshot: a reload on the interface thread never
// changes it under the run.
//
// Threads: the step runs on one thread (the port's worker or a result
// page's loader) and owns the port's records for the run. The drive number
// and letter are the device table's own atomic fields, read as the step
// goes: a drive pulled mid-run reads drive 0 from then on. The identify
// fields are written only by identify, while its run holds the port. The
// action code is atomic (the animation reads it); the serial-number state is
// changed only under its snMutex.
#pragma once

#include "config/station_config.h"
#include "devices/device_table.h"
#include "mplib/mp_library.h"
#include "platform/status.h"
#include "reports/port_result.h"
#include "serial/serial_state.h"
#include "stations/port_tile.h"
#include "stations/report_claims.h"
#include "stations/station_env.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace varnet {

struct PortContext {
    int port = 0; // 0-23
    // The port's entry of the device table.
    const std::atomic<int32_t>& drive;                 // 0: no drive (any more)
    std::array<char, kDevicePathSize>& identifySerial; // what identify read; identify writes it
    std::array<char, kDevicePathSize>& identifyModel;  // likewise
    const std::atomic<char>& driveLetter;              // 0: none

    std::shared_ptr<const ST_STATION_CONFIG> config;
    std::filesystem::path configPath;
    StationEnv env;

    MpLibrary& library;
    PortTile& tile;
    std::atomic<uint8_t>& action; // the port's PortAction code
    ST_PORT_RESULT& result;
    BadBlockList& badBlocks;

    SerialNumberState& serial;
    ReportClaims& reportClaims;
    // READ CAPACITY(10) of a drive in MiB; 0 when it does not answer. Empty:
    // no drive answers.
    std::function<uint32_t(int32_t drive)> readCapacityMB;
    // An Auto++ advance wrote the next serial number to the station file.
    std::function<void()> serialNumberChanged;
    // The run took this serial number: its record names it durably before
    // the number goes to the drive (a run cut short still names it). A
    // failure means it could not be saved, and the number must not be
    // used. Empty: nothing keeps records.
    std::function<Status(std::string_view serial)> serialTaken;

    int32_t Drive() const { return drive.load(); }
    uint32_t ReadCapacityMB() const {
        const int32_t number = Drive();
        return readCapacityMB && number != 0 ? readCapacityMB(number) : 0;
    }
};

// What the run's record needs from a step that neither the tile nor the
// port's result record holds.
struct PortOutcome {
    // The serial number the run gave the drive or named its files by, as
    // given (padding included); empty when it used none.
    std::string serial;
    // The drive was identified: the page counts it among the identified.
    bool identified = false;
};

} // namespace varnet
