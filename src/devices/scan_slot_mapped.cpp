#include "devices/disk_admission.h"
#include "devices/hub_inventory.h"
#include "devices/mapping_files.h"
#include "devices/port_scans.h"

#include <vector>

namespace varnet {
namespace {

struct Candidate {
    std::string path;
    int32_t drive = 0;
};

// The mapping file as this scan sees it: read once, and kept in step with
// what the scan writes (nothing else writes it while a scan runs).
class SlotMappings {
public:
    explicit SlotMappings(const ScanContext& context) : context_(context) {
        for (int n = 1; n <= context.Slots(); ++n)
            paths_.push_back(ReadSlotMapping(context.appDir, n));
    }

    // The port recorded for this path (exact, case-sensitive), or -1.
    int RecordedPort(std::string_view path) const {
        for (size_t i = 0; i < paths_.size(); ++i)
            if (paths_[i] == path)
                return static_cast<int>(i);
        return -1;
    }

    void Record(int port, std::string_view path) {
        // A file that cannot be written leaves the disk without a stored port;
        // this binding stands all the same.
        if (WriteSlotMapping(context_.appDir, port + 1, path).ok())
            paths_[static_cast<size_t>(port)] = std::string(path);
    }

private:
    const ScanContext& context_;
    std::vector<std::string> paths_;
};

// The first port without a drive number gets the disk, and the file
// remembers it; with no such port the disk stays unbound.
void BindToFirstFreePort(CDeviceTable& table, const ScanContext& context, SlotMappings& mappings,
                         const Candidate& disk) {
    for (int p = 0; p < context.Slots(); ++p) {
        if (table.portDriveNumber[static_cast<size_t>(p)] != 0)
            continue;
        table.Bind(p, disk.path, disk.drive);
        mappings.Record(p, disk.path);
        return;
    }
}

void ScanAllDisks(CDeviceTable& table, const ScanContext& context) {
    DeviceTree& tree = context.tree;
    std::vector<Candidate> candidates;
    std::vector<MountedDisk> mounted;
    {
        BuildHubInventory(table, tree);
        HubMapsGuard emptyMapsAtEnd(table);
        const auto disks = tree.ListInterfaces(InterfaceClass::Disk);
        if (!disks)
            return;
        for (const DeviceInterface& disk : *disks) {
            const int32_t drive =
                AdmitListedDisk(table, tree, disk.path, context.osGeneration, context.Slots());
            if (drive == 0) {
                if (std::optional<std::string> point =
                        MountedListedDisk(table, tree, disk.path, context.osGeneration, context.Slots());
                    point && LocateDisk(table, tree, disk.node).port != 0)
                    mounted.push_back({0, disk.path, std::move(*point)});
                continue;
            }
            if (LocateDisk(table, tree, disk.node).port == 0 || !HasFixedMedium(tree, drive))
                continue;
            if (static_cast<int>(candidates.size()) < context.Slots())
                candidates.push_back({disk.path, drive});
        }
    }
    SlotMappings mappings(context);
    std::vector<Candidate> unrecorded;
    for (const Candidate& disk : candidates) {
        const int port = mappings.RecordedPort(disk.path);
        if (port >= 0)
            table.Bind(port, disk.path, disk.drive);
        else
            unrecorded.push_back(disk);
    }
    for (const Candidate& disk : unrecorded)
        BindToFirstFreePort(table, context, mappings, disk);
    // A mounted disk keeps its recorded port for its note; one never bound
    // is not recorded, so unmounting it leaves it the first free port.
    for (MountedDisk& disk : mounted)
        disk.slot = mappings.RecordedPort(disk.path) + 1;
    PlaceMountNotes(table, mounted, context.Slots());
}

void BindArrivedDisk(CDeviceTable& table, const ScanContext& context, std::string_view path) {
    {
        BuildHubInventory(table, context.tree);
        HubMapsGuard emptyMapsAtEnd(table);
    }
    const std::optional<int> drive = context.tree.DiskDriveNumber(path);
    // Drive 0 is a disk the station itself uses (or one that does not
    // answer): it is never bound, whichever way it arrived.
    if (!drive || *drive == 0)
        return;
    const Candidate disk{std::string(path), *drive};
    SlotMappings mappings(context);
    const int port = mappings.RecordedPort(path);
    if (port >= 0)
        table.Bind(port, disk.path, disk.drive);
    else
        BindToFirstFreePort(table, context, mappings, disk);
}

} // namespace

void ScanSlotMapped(CDeviceTable& table, const ScanContext& context, bool arrival, std::string_view path) {
    if (arrival)
        BindArrivedDisk(table, context, path);
    else
        ScanAllDisks(table, context);
}

} // namespace varnet
