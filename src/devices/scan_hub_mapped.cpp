#include "devices/disk_admission.h"
#include "devices/hub_inventory.h"
#include "devices/mapping_files.h"
#include "devices/port_scans.h"

namespace varnet {
namespace {

// The slot of a disk on port `port` of its hub: the hub's number from the
// mapping file, given to the hub the first time it is seen. Without `assign`
// (a disk that is not bound) a new hub is given no number: the slot is the
// one it would get next.
int MappedSlot(const ScanContext& context, DeviceTree& tree, DevNode hubDevInst, int port,
               bool assign = true) {
    const std::optional<std::string> key = tree.DriverKey(hubDevInst);
    if (!key || key->empty())
        return port;
    const int hubs = context.Slots() / 4;
    for (int n = 1; n <= hubs; ++n)
        if (ReadHubMapping(context.appDir, n).find(*key) != std::string::npos)
            return port + 4 * (n - 1);
    for (int n = 1; n <= hubs; ++n) {
        if (ReadHubMapping(context.appDir, n).empty()) {
            // A file that cannot be written leaves the hub unnumbered for the
            // next scan; this binding stands all the same.
            if (assign)
                (void)WriteHubMapping(context.appDir, n, *key);
            return port + 4 * (n - 1);
        }
    }
    return port;
}

struct MountedOnHub {
    DevNode hub = 0;
    int port = 0;
    std::string path;
    std::string mountPoint;
};

} // namespace

void ScanHubMapped(CDeviceTable& table, const ScanContext& context) {
    DeviceTree& tree = context.tree;
    BuildHubInventory(table, tree);
    HubMapsGuard emptyMapsAtEnd(table);
    const auto disks = tree.ListInterfaces(InterfaceClass::Disk);
    if (!disks)
        return;
    std::vector<MountedOnHub> mountedOnHubs;
    for (const DeviceInterface& disk : *disks) {
        const int32_t drive = AdmitListedDisk(table, tree, disk.path, context.osGeneration);
        if (drive == 0) {
            if (std::optional<std::string> point =
                    MountedListedDisk(table, tree, disk.path, context.osGeneration)) {
                const DiskPlace place = LocateDisk(table, tree, disk.node);
                if (place.port != 0)
                    mountedOnHubs.push_back({place.hubDevInst, place.port, disk.path, std::move(*point)});
            }
            continue;
        }
        const DiskPlace place = LocateDisk(table, tree, disk.node);
        if (place.port == 0 || !HasFixedMedium(tree, drive))
            continue;
        const int slot = MappedSlot(context, tree, place.hubDevInst, place.port);
        PlaceDisk(table, slot, context.Slots(), disk.path, drive);
    }
    // After the drives: their hubs are numbered first, as they would be were
    // the mounted disks not there.
    std::vector<MountedDisk> mounted;
    for (MountedOnHub& disk : mountedOnHubs)
        mounted.push_back({MappedSlot(context, tree, disk.hub, disk.port, false), std::move(disk.path),
                           std::move(disk.mountPoint)});
    PlaceMountNotes(table, mounted, context.Slots());
}

} // namespace varnet
