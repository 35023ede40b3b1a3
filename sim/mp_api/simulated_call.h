// One call of an entry point for one drive, the part every entry point
// shares: find the drive, load (or first make) its state under the state
// file's lock, play the faults the description sets for this entry point,
// take the drive's time while raising the caller's progress value, run the
// entry point's own work on a copy of the state, write its report, keep the
// changed state, and answer in the C contract's terms.
//
// Faults (SimFault): delay makes the call take its milliseconds instead of
// the drive's time-ms; lose marks the drive lost halfway (the call and every
// later one fail); fail makes the call fail with the fault's code and message
// and change nothing on the drive (a report is still written, carrying the
// failure); no-report lets the call succeed without writing its report;
// gate holds the call before it starts until a test writes a byte to its
// FIFO (the protocol is in station_description.h).
//
// Never throws: any failure is a zero result with the error texts filled.
#pragma once

#include "drive_state.h"
#include "station_description.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace varnet::sim {

// Error codes of the library's own failures (injected ones carry their own).
inline constexpr const char* kCodeNoDrive = "0x10";
inline constexpr const char* kCodeLost = "0x11";
inline constexpr const char* kCodeBadArgument = "0x12";
inline constexpr const char* kCodeSettings = "0x20";
inline constexpr const char* kCodeNoBurnIn = "0x21";
inline constexpr const char* kCodeOverSpec = "0x22";
inline constexpr const char* kCodeFirmware = "0x23";
inline constexpr const char* kCodeReport = "0x30";
inline constexpr const char* kCodeState = "0x31";
inline constexpr const char* kCodeInternal = "0x3F";

// What the entry point's work gets.
struct DriveWork {
    int driveNumber = 0;
    const SimDisk& disk;
    DriveState& state; // a copy, kept only when the call succeeds
    int callMs = 0;    // how long the call took
    // An injected failure is coming: compute the outcome and the report, but
    // change nothing outside the state.
    bool failing = false;
};

struct CallOutcome {
    bool ok = true;
    std::string code;
    std::string message;
    // The report of the call, written to reportPath with the failure message
    // ("" on success) unless a no-report fault holds it back.
    std::filesystem::path reportPath;
    std::function<std::string(std::string_view failMessage)> report;

    static CallOutcome Failure(std::string code, std::string message);
};

struct CallBuffers {
    int32_t* progress = nullptr;
    char* errorCode = nullptr;    // 512 bytes
    char* errorMessage = nullptr; // 512 bytes
};

// Runs one call; 1 on success, 0 on failure.
uint8_t RunDriveCall(std::string_view entry, int driveNumber, const CallBuffers& buffers,
                     const std::function<CallOutcome(DriveWork&)>& work) noexcept;

// Copies text into a caller's 512-byte buffer, cut to 511 bytes and always
// terminated; a null buffer is left alone.
void PutText(char* buffer, std::string_view text);

} // namespace varnet::sim
