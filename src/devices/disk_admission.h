// The tests a disk must pass before any scan binds it to a port, one function
// per test so that each scan mode applies them in its own order. They keep
// the station's own disks, card readers and removable media off the ports.
#pragma once

#include "devices/device_table.h"
#include "platform/device_tree.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// Tests 1 and 2, on the interface path alone: not a card reader, and a USB
// disk (any disk on the current OS generation).
bool PathNamesTestableDisk(std::string_view path, int osGeneration);

// Test 4: the disk opens and has a drive number other than 0; 0 otherwise.
int32_t AdmittedDriveNumber(DeviceTree& tree, std::string_view path);

// Tests 1 to 4 together, as every full scan applies them to a listed disk:
// its drive number, or 0 when the path names no testable disk, one of ports
// 0 .. limit - 1 already holds it, or it has no drive number.
int32_t AdmitListedDisk(const CDeviceTable& table, DeviceTree& tree, std::string_view path, int osGeneration,
                        int limit = kPortCount);

// A listed disk that tests 1 to 3 admit but that has no drive number because
// someone mounted it (not the station's own disk): its first mount point, for
// the port it would have been placed on. Empty optional otherwise. The
// disk's medium is not asked: a disk in use is never opened.
std::optional<std::string> MountedListedDisk(const CDeviceTable& table, DeviceTree& tree,
                                             std::string_view path, int osGeneration, int limit = kPortCount);

// Test 5's walk: the disk's USB device and the hub above it, and the hub
// port between them (0 when not found, see FindHubPort).
struct DiskPlace {
    DevNode usbDevInst = 0;
    DevNode hubDevInst = 0;
    int port = 0;
    ST_HUBINFO hub;
};
DiskPlace LocateDisk(const CDeviceTable& table, DeviceTree& tree, DevNode diskNode);

// Test 6: the drive answers INQUIRY and does not report a removable medium.
bool HasFixedMedium(DeviceTree& tree, int32_t driveNumber);

// Capacity in MiB from READ CAPACITY(10), 0 when the drive does not answer.
uint32_t ReadCapacityMB(DeviceTree& tree, int32_t driveNumber);

} // namespace varnet
