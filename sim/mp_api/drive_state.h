// What one simulated drive keeps about itself between calls: identity,
// firmware, flash layout, bad blocks, the recorded burn-in, counters and the
// production history area. Calls of the device library load it, change it and
// save it; the file is ./Sim/drives/<drive name>.ini of the working folder,
// made from the station description the first time the drive is used, so
// deleting it starts the drive afresh.
//
// File format (INI, CRLF; texts with '%', control bytes or blanks at either
// end are written with those bytes as %XX):
//
//   [Drive]      Name, Model, Serial, Firmware (what identify reports),
//                ProductionFirmware (the revision the drive returns to from
//                burn-in), Sectors, Lost (0/1), EraseCount, SecureEraseCount,
//                SmartResetCount, RdtMark (-1 never marked, else the burn-in
//                verdict handed to the marking init), CeMask (0 = all CEs)
//   [Flash]      Id (eight hex bytes), Part, CE, DiePerCE, Planes,
//                BlocksPerPlane
//   [BadBlocks]  Factory = "ce.die.block ..." (plane = block mod Planes);
//                Weak = "ce.die.block.kind ..." with kind E erase, P program,
//                U uncorrectable read, C correctable read over threshold;
//                WeakState = Hidden (not failed yet), Grown (failed: later bad
//                blocks), Retired (taken into the production bad-block table)
//   [BurnIn]     Done, Firmware, TlcLoop, SlcLoop, EccThreshold,
//                SlcEccThreshold, Seconds, Readings = "loop.cycle.step.t1.t2.
//                t3.t4.t5.t6.ms ...", Fails = "ce.die.block.kind.page.
//                totalLoop.runLoop.runCycle.step.stage.bits.time ..."
//   [History]    Data = the 4096-byte history area as hexadecimal
//
// Flat CE numbers run 0 .. CE-1 (channel = CE / 8), as the reports count them.
#pragma once

#include "config/flash_database.h"
#include "platform/status.h"
#include "station_description.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnet::sim {

inline constexpr size_t kHistoryBytes = 4096;
// ATA identify text fields, in characters.
inline constexpr size_t kSerialChars = 20;
inline constexpr size_t kFirmwareChars = 8;
inline constexpr size_t kModelChars = 40;

struct FlashGeometry {
    FlashId id{};
    std::string part; // the flash database name, or what the description asked for
    int ce = 1;
    int diePerCe = 1;
    int planes = 4;
    int blocksPerPlane = 512;

    int BlocksPerDie() const { return blocksPerPlane * planes; }
};

// How a weak block fails when it finally does.
enum class FailKind : char {
    Erase = 'E',
    Program = 'P',
    ReadUncorrectable = 'U',
    ReadOverThreshold = 'C',
};

struct BadBlock {
    int ce = 0;
    int die = 0;
    int block = 0; // within the die; its plane is block mod planes
    FailKind kind = FailKind::Erase;
};

enum class WeakState { Hidden, Grown, Retired };

struct TemperatureReading {
    int loop = 0;
    int cycle = 0;
    int step = 0;
    std::array<int, 6> celsius{};
    int timeMs = 0;
};

// A weak block as the burn-in caught it.
struct BurnInFail {
    BadBlock block;
    int page = 0;
    int totalLoop = 0;
    int runLoop = 0;
    int runCycle = 0;
    int step = 0;
    int stage = 0;
    int overThresholdBits = 0; // read-over-threshold failures only
    int timeStamp = 0;         // seconds into the burn-in
};

struct BurnInRecord {
    bool done = false;
    std::string firmware;
    int tlcLoop = 0;
    int slcLoop = 0;
    int eccThreshold = 0;
    int slcEccThreshold = 0;
    int seconds = 0;
    std::vector<TemperatureReading> readings;
    std::vector<BurnInFail> fails;
};

struct DriveState {
    std::string name;
    std::string model;
    std::string serial;
    std::string firmware;
    std::string productionFirmware;
    uint64_t sectors = 0;
    bool lost = false;
    int eraseCount = 0;
    int secureEraseCount = 0;
    int smartResetCount = 0;
    int rdtMark = -1;
    uint32_t ceMask = 0;
    FlashGeometry flash;
    std::vector<BadBlock> factoryBad;
    std::vector<BadBlock> weakBad;
    WeakState weakState = WeakState::Hidden;
    BurnInRecord burnIn;
    std::array<uint8_t, kHistoryBytes> history{};

    // The burn-in firmware marks itself by an 'S' as third character.
    bool InBurnInFirmware() const { return firmware.size() >= 3 && firmware[2] == 'S'; }
};

// The seed of everything random about a drive (where its bad blocks lie,
// when the burn-in catches them): the same for the same drive name on every
// machine and in every build.
uint32_t DriveSeed(std::string_view driveName);

// The production revision turned into the matching burn-in revision: its
// third character becomes 'S' (short revisions are padded with '0').
std::string BurnInRevision(std::string_view productionRevision);

// The flash layout of a described drive: its part from the flash database
// (flash-id= first, then flash= as a name or label, else the database's first
// part), and the CE count, when not given, from the capacity.
FlashGeometry GeometryOf(const SimDisk& disk, const FlashDatabase& database);

// A drive fresh from the description: identity, layout, and its factory and
// weak blocks placed the same way every time for the same drive name (never
// more than half of the free blocks; later-bad-ce wraps around the drive's
// CEs). Weak blocks start hidden: a burn-in makes them fail.
DriveState NewDriveState(const SimDisk& disk, const FlashDatabase& database);

// Blocks the drive lists as bad from the start (factory and retired) and the
// later (grown) ones, each in CE, die, block order.
std::vector<BadBlock> OriginalBadBlocks(const DriveState& state);
std::vector<BadBlock> LaterBadBlocks(const DriveState& state);

std::filesystem::path DriveStateFile(std::string_view driveName);

std::string SerializeDriveState(const DriveState& state);
// Fails, naming the key, on a damaged file; out is left unchanged then.
Status ParseDriveState(std::string_view text, DriveState& out);

// Load fails on a missing file too (exists tells the two apart).
Status LoadDriveState(const std::filesystem::path& file, DriveState& out);
Status SaveDriveState(const std::filesystem::path& file, const DriveState& state);

} // namespace varnet::sim
