#include "devices/port_scans.h"

#include <algorithm>

namespace varnet {

int SlotCountOf(int slotNumberKey) {
    return slotNumberKey == 24 || slotNumberKey == 16 ? slotNumberKey : 8;
}

void PlaceDisk(CDeviceTable& table, int slot, int bound, std::string_view path, int32_t driveNumber) {
    bound = std::min(bound, kPortCount);
    if (slot >= 1 && slot <= bound) {
        const int s = slot - 1;
        if (table.DevicePath(s) == path)
            return;
        int target = s;
        if (!table.IsFree(s)) {
            for (int p = s + 1; p < bound; ++p) {
                if (table.IsFree(p)) {
                    target = p;
                    break;
                }
            }
        }
        table.Bind(target, path, driveNumber);
        return;
    }
    for (int p = 0; p < bound; ++p) {
        if (table.IsFree(p)) {
            table.Bind(p, path, driveNumber);
            return;
        }
    }
}

void PlaceMountNotes(CDeviceTable& table, const std::vector<MountedDisk>& disks, int bound) {
    bound = std::min(bound, kPortCount);
    auto open = [&](int p) { return table.IsFree(p) && table.MountedAt(p).empty(); };
    for (const MountedDisk& disk : disks) {
        const int first = disk.slot >= 1 && disk.slot <= bound ? disk.slot - 1 : 0;
        for (int p = first; p < bound; ++p) {
            if (open(p)) {
                table.NoteMounted(p, disk.path, disk.mountPoint);
                break;
            }
        }
    }
}

void ScanForMapType(CDeviceTable& table, const ScanContext& context, int mapType) {
    switch (mapType) {
    case 1:
        ScanHubMapped(table, context);
        break;
    case 2:
        ScanSlotMapped(table, context, false, {});
        break;
    default:
        ScanAuto(table, context);
        break;
    }
}

} // namespace varnet
