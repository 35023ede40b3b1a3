// Which simulated drive a drive number names. The program numbers drives by
// their kernel disk: N >= 1 is "sd" + the (N - 1)-th name of the sequence
// a..z, aa..az, ba..., as the kernel names disks. ./Sim/attached.ini says
// which drive of ./Sim/station.txt is attached as which disk:
//
//   [Disks]
//   sdb=drive3
//
// A disk that is not listed there has no drive behind it (it was unplugged),
// so every call for it fails. Both files are read afresh on every lookup: the
// station changes them while the program runs.
#pragma once

#include "station_description.h"

#include <filesystem>
#include <string>

namespace varnet::sim {

// "sda" for 1, "sdz" for 26, "sdaa" for 27; empty for numbers below 1.
std::string KernelDiskName(int driveNumber);

// Files of the working folder the lookup reads.
std::filesystem::path AttachedListFile();
std::filesystem::path StationDescriptionFile();

struct DriveLookup {
    bool found = false;
    std::string diskName; // "sdb"
    SimDisk disk;         // valid when found
    std::string error;    // why not found, for the caller's error message
};

DriveLookup LookUpDrive(int driveNumber);

} // namespace varnet::sim
