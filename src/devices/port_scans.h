// The three ways a scan turns found disks into port numbers:
//  - ScanAuto (map type 0): the slot follows from the hub topology alone:
//    stand-alone 4-port hubs give slots 1-4, 5-8, ...; in a cascade box the
//    member hub on head port h gives 4(h-1)+1 .. 4h, offset by 16 per box;
//  - ScanHubMapped (1): hubs are numbered in the order first seen, and the
//    number kept in Config/HubMapping.xml for the rest of the program's run;
//  - ScanSlotMapped (2): each disk interface path keeps the port it was
//    first given, in Config/SlotMapping.xml.
// A disk someone mounted is never bound; where it sits on a hub port, the
// port it would have taken carries a mount note instead (bound drives go
// first: a note never takes a drive's port).
// A full scan follows ClearPorts; an arrival scan only adds to the table.
// All run on the interface thread; failures only leave disks unbound.
#pragma once

#include "devices/device_table.h"
#include "platform/device_tree.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

struct ScanContext {
    DeviceTree& tree;
    std::filesystem::path appDir; // where Config/ lives
    int slotCount = 24;           // S: 24, 16 or 8 from the station file's SlotNumber
    int osGeneration = 5;

    int Slots() const { return std::clamp(slotCount, 1, kPortCount); }
};

// S from the station file's "SlotNumber": 24 or 16 as written, else 8.
int SlotCountOf(int slotNumberKey);

// Binds a disk for the slot number l (1-based, anything else: none) within
// ports 0 .. bound - 1: at l - 1 when free, else the next free port after
// it, else at l - 1 replacing its occupant; with no usable l, the first
// free port or nowhere.
void PlaceDisk(CDeviceTable& table, int slot, int bound, std::string_view path, int32_t driveNumber);

// A mounted disk found by a scan, waiting for the drives to be placed.
struct MountedDisk {
    int slot = 0; // as PlaceDisk takes it
    std::string path;
    std::string mountPoint;
};

// Notes each mounted disk as PlaceDisk would have placed it within ports
// 0 .. bound - 1, on ports that hold neither a drive nor another note.
void PlaceMountNotes(CDeviceTable& table, const std::vector<MountedDisk>& disks, int bound);

void ScanAuto(CDeviceTable& table, const ScanContext& context);
void ScanHubMapped(CDeviceTable& table, const ScanContext& context);
void ScanSlotMapped(CDeviceTable& table, const ScanContext& context, bool arrival, std::string_view path);

// The scan of the given map type (0, 1, 2; anything else counts as 0), as
// Refresh runs it after ClearPorts.
void ScanForMapType(CDeviceTable& table, const ScanContext& context, int mapType);

} // namespace varnet
