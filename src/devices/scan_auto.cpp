#include "devices/disk_admission.h"
#include "devices/hub_inventory.h"
#include "devices/port_scans.h"

namespace varnet {
namespace {

constexpr int kNoSlot = 0;
// A disk whose hub is missing from the inventory while cascades exist: no
// slot of the 24, so it goes to the first free port.
constexpr int kUnknownHubSlot = 255;

const ST_HUBINFO* FindHub(const HubMap& hubs, DeviceTree& tree, DevNode node) {
    if (node == 0)
        return nullptr;
    const std::optional<std::string> id = tree.InstanceId(node);
    if (!id)
        return nullptr;
    const auto found = hubs.find(*id);
    return found == hubs.end() ? nullptr : &found->second;
}

int AutoSlot(const CDeviceTable& table, DeviceTree& tree, int cascades, const DiskPlace& place) {
    if (table.externalHubs.empty() || place.port == 0)
        return kNoSlot;
    const ST_HUBINFO* diskHub = FindHub(table.externalHubs, tree, place.hubDevInst);
    if (cascades == 0)
        return diskHub ? place.port + 4 * diskHub->fourPortIndex : kNoSlot;

    int slot = diskHub ? place.port + 4 * (diskHub->hubPort - 1) : kUnknownHubSlot;
    const ST_HUBINFO* parentHub = FindHub(table.externalHubs, tree, tree.Parent(place.hubDevInst));
    if (parentHub) {
        if (parentHub->counted == 0) // the disk's hub is a member of this cascade head
            slot += 4 * parentHub->childCount * parentHub->cascadeIndex;
    } else if (diskHub && diskHub->counted == 1) {
        slot += 4 * diskHub->cascadeIndex * diskHub->childCount;
    }
    return slot;
}

} // namespace

void ScanAuto(CDeviceTable& table, const ScanContext& context) {
    DeviceTree& tree = context.tree;
    const int cascades = BuildHubInventory(table, tree);
    HubMapsGuard emptyMapsAtEnd(table);
    const auto disks = tree.ListInterfaces(InterfaceClass::Disk);
    if (!disks)
        return;
    std::vector<MountedDisk> mounted;
    for (const DeviceInterface& disk : *disks) {
        const int32_t drive = AdmitListedDisk(table, tree, disk.path, context.osGeneration);
        if (drive == 0) {
            // The SATA flow takes no disk on a hub port, mounted or not.
            if (table.sataFlow != 0)
                continue;
            if (std::optional<std::string> point =
                    MountedListedDisk(table, tree, disk.path, context.osGeneration)) {
                const DiskPlace place = LocateDisk(table, tree, disk.node);
                if (place.port != 0)
                    mounted.push_back({AutoSlot(table, tree, cascades, place), disk.path, std::move(*point)});
            }
            continue;
        }
        const DiskPlace place = LocateDisk(table, tree, disk.node);
        // The SATA flow takes exactly the disks that are not on a hub port.
        const bool onHubPort = place.port != 0;
        if (onHubPort == (table.sataFlow != 0))
            continue;
        if (!HasFixedMedium(tree, drive))
            continue;
        PlaceDisk(table, AutoSlot(table, tree, cascades, place), kPortCount, disk.path, drive);
    }
    PlaceMountNotes(table, mounted, kPortCount);
}

} // namespace varnet
