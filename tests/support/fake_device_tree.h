// An in-memory device tree for the placement tests: hubs, USB devices and
// disks wired together the way the platform shows them, with knobs for the
// failures a real tree has (requests that fail, hubs missing from the list).
#pragma once

#include "platform/device_tree.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace varnet::test {

class FakeDeviceTree final : public DeviceTree {
public:
    FakeDeviceTree();

    // What the tree says of its scan: why no disk could be bound.
    void SetScanProblem(std::string problem) { scanProblem_ = std::move(problem); }
    std::string ScanProblem() override { return scanProblem_; }

    // The PCI controller and its root hub with the given number of ports.
    DevNode Root() const { return rootHub_; }
    // A hub on port `port` of `parent` (a hub), listed as a hub interface.
    DevNode AddHub(DevNode parent, int port, uint16_t vid, uint16_t pid, int ports);
    // A USB bridge on port `port` of hub `parent`, with one disk behind it.
    // Returns the disk's node; its interface path is DiskPath(drive).
    DevNode AddUsbDisk(DevNode parent, int port, int drive, bool removable = false);
    // A disk that hangs on no hub (a SATA disk): path without "usb".
    DevNode AddSataDisk(int drive);
    void RemoveDisk(DevNode disk);
    void SetDiskPath(DevNode disk, std::string path);

    static std::string DiskPath(int drive);
    std::string HubPath(DevNode hub) const;

    // Knobs.
    std::set<std::string> unlistedHubs;                 // hub paths left out of the hub list
    std::set<std::pair<std::string, int>> failingPorts; // (hub path, port): connection request fails
    // Disk path -> mount point: disks someone mounted (give them drive 0).
    std::map<std::string, std::string> mountedAt;
    bool listFails = false;
    int listCalls = 0;

    std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass interfaceClass) override;
    DevNode Parent(DevNode node) override;
    DevNode FirstChild(DevNode node) override;
    DevNode NextSibling(DevNode node) override;
    std::optional<std::string> InstanceId(DevNode node) override;
    std::optional<std::string> DriverKey(DevNode node) override;
    std::optional<int> HubPortCount(std::string_view hubPath) override;
    std::optional<int> PortConnectionStatus(std::string_view hubPath, int port) override;
    std::optional<std::string> PortDriverKey(std::string_view hubPath, int port) override;
    std::optional<int> DiskDriveNumber(std::string_view diskPath) override;
    std::optional<std::string> MountedAt(std::string_view diskPath) override;
    std::optional<bool> IsRemovableMedium(int drive) override;
    std::optional<CapacityReply> ReadCapacity10(int drive) override;

    std::map<int, CapacityReply> capacities;

private:
    struct Node {
        DevNode parent = 0;
        std::vector<DevNode> children;
        std::string instanceId;
        std::string driverKey;
        int ports = 0;                 // hubs
        std::map<int, DevNode> onPort; // hubs: port -> USB device
        std::string path;              // hubs and disks
        bool isHub = false;
        bool isDisk = false;
        int drive = 0;
        bool removable = false;
    };
    DevNode Add(DevNode parent, Node node);
    const Node* HubByPath(std::string_view path) const;

    std::vector<Node> nodes_; // node n at index n - 1
    DevNode rootHub_ = 0;
    int serial_ = 0;
    std::string scanProblem_;
};

// A device tree that knows nothing but how many MiB each drive number
// answers READ CAPACITY with (0 or absent: the drive does not answer): what
// the stations ask of it besides the scans.
class CapacityOnlyTree final : public DeviceTree {
public:
    explicit CapacityOnlyTree(std::map<int, uint32_t> mbByDrive) : mbByDrive_(std::move(mbByDrive)) {}

    std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass) override {
        return std::nullopt;
    }
    DevNode Parent(DevNode) override { return 0; }
    DevNode FirstChild(DevNode) override { return 0; }
    DevNode NextSibling(DevNode) override { return 0; }
    std::optional<std::string> InstanceId(DevNode) override { return std::nullopt; }
    std::optional<std::string> DriverKey(DevNode) override { return std::nullopt; }
    std::optional<int> HubPortCount(std::string_view) override { return std::nullopt; }
    std::optional<int> PortConnectionStatus(std::string_view, int) override { return std::nullopt; }
    std::optional<std::string> PortDriverKey(std::string_view, int) override { return std::nullopt; }
    std::optional<int> DiskDriveNumber(std::string_view) override { return std::nullopt; }
    std::optional<bool> IsRemovableMedium(int) override { return false; }
    std::optional<CapacityReply> ReadCapacity10(int drive) override {
        const auto found = mbByDrive_.find(drive);
        if (found == mbByDrive_.end() || found->second == 0)
            return std::nullopt;
        return CapacityReply{found->second * 2048u - 1u, 512u};
    }

private:
    std::map<int, uint32_t> mbByDrive_;
};

// A page's device-tree factory over a CapacityOnlyTree.
inline std::function<std::unique_ptr<DeviceTree>()> CapacityOnlyTrees(std::map<int, uint32_t> mbByDrive) {
    return [mbByDrive] { return std::make_unique<CapacityOnlyTree>(mbByDrive); };
}

// A scan's own handle on a tree the test keeps changing, for a page's
// device-tree factory.
std::unique_ptr<DeviceTree> SharedDeviceTree(std::shared_ptr<DeviceTree> tree);

} // namespace varnet::test
