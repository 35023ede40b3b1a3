// ST_PORT_RESULT: what the device library's reports say about one port's
// drive (flash IDs, geometry, bad blocks by CE, die and plane, fail counts,
// burn-in values), plus the run engine's per-port texts and flags; and
// BAD_BLOCK_INFO, one bad block or burn-in failure of the port's list.
//
// Plain data: value-initialise to construct (every count, array and flag 0,
// every text empty), copy as a whole. Arrays are indexed [CE 0-31][die 0-7]
// [plane 0-3]; the flat CE number n is channel n / 8, CE-within-channel n % 8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnet {

inline constexpr int kMaxCe = 32;
inline constexpr int kMaxDie = 8;
inline constexpr int kMaxPlane = 4;
inline constexpr int kMaxFlashIds = 64;

using PlaneCounts = std::array<std::array<std::array<int32_t, kMaxPlane>, kMaxDie>, kMaxCe>;
using DieCounts = std::array<std::array<int32_t, kMaxDie>, kMaxCe>;

// Which reader filled a record last.
enum ResultKind : uint8_t {
    kResultNone = 0,
    kResultErase = 1,
    kResultScanBad = 2,
    kResultRdt = 3,
};

struct ST_PORT_RESULT {
    uint8_t resultKind;
    uint8_t testStationSel;
    int32_t channelCount;
    int32_t flashCount;
    int32_t diePerFlash;
    int32_t planeCount;
    int32_t blocksPerCE;
    std::array<std::array<uint8_t, 8>, kMaxFlashIds> flashId;
    uint8_t failFlag;
    PlaneCounts totalBad;
    PlaneCounts earlyBad;
    PlaneCounts laterBad;
    DieCounts laterBadPerDie;
    int32_t earlyBadTotal;
    int32_t laterBadTotal;
    int32_t allBadTotal;
    int32_t eraseFailTotal;
    int32_t programFailTotal;
    int32_t readFailTotal;
    int32_t maxBadPerPlane;
    int32_t maxBadPerCE;
    int32_t maxBadTotal;
    std::array<int32_t, kMaxCe> sparePerCE;
    int32_t spareTotal;
    std::string ispFwVersion;
    std::string stationName;
    std::string processTime;
    std::string reportPath;
    uint8_t badBlockLoaded;

    // Burn-in (RDT) report.
    std::string rdtFwVersion;
    int32_t tlcLoop;
    int32_t slcLoop;
    int32_t eccThreshold;
    int32_t slcEccThreshold;
    int32_t maxLaterBad;
    int32_t maxEraseFail;
    int32_t maxProgramFail;
    int32_t maxReadFail;
    uint8_t enableMaxFail;
    uint8_t retentionMark;
    uint8_t retentionTest;
    uint32_t speedFailMask;
    std::string maxTemperature;

    // Run engine: the library fills the two error buffers (512 bytes each).
    std::array<char, 512> errorCode;
    std::array<char, 512> errorMessage;
    std::array<char, 256> firmwareRevision;
    std::string auxReportPath;
    uint8_t inRdtFirmware;
    uint8_t deviceValid;
    uint8_t portRunning;
};

struct BAD_BLOCK_INFO {
    std::array<char, 128> label; // zero-terminated
    uint8_t ce;
    uint8_t channel;
    uint8_t die;
    uint8_t plane;
    int32_t block;
    int32_t page;
    int32_t totalLoop;
    int32_t runLoop;
    int32_t runCycle;
    int32_t step;
    int32_t stage;
    int32_t overThresholdBits;
    int32_t timeStamp;
};

using BadBlockList = std::vector<BAD_BLOCK_INFO>;

// Clears the statistics and keeps what later readers and the run engine rely
// on: resultKind, testStationSel, channelCount, flashCount, blocksPerCE,
// maxBadPerCE, flashId, reportPath and the run-engine fields.
void ResetPortResult(ST_PORT_RESULT& result);

// A flash-ID entry that names a chip: byte 0 neither 0x00 nor 0xFF and
// different from byte 1.
bool IsValidFlashId(const std::array<uint8_t, 8>& id);

} // namespace varnet
