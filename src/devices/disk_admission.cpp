#include "devices/disk_admission.h"

#include "devices/hub_inventory.h"

namespace varnet {
namespace {

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

constexpr int kCurrentOsGeneration = 5;

} // namespace

bool PathNamesTestableDisk(std::string_view path, int osGeneration) {
    if (Contains(path, "card_reader"))
        return false;
    if (Contains(path, "usb") && Contains(path, "disk"))
        return true;
    return osGeneration == kCurrentOsGeneration && Contains(path, "disk");
}

int32_t AdmittedDriveNumber(DeviceTree& tree, std::string_view path) {
    return tree.DiskDriveNumber(path).value_or(0);
}

int32_t AdmitListedDisk(const CDeviceTable& table, DeviceTree& tree, std::string_view path, int osGeneration,
                        int limit) {
    if (!PathNamesTestableDisk(path, osGeneration) || table.HoldsPath(path, limit))
        return 0;
    return AdmittedDriveNumber(tree, path);
}

std::optional<std::string> MountedListedDisk(const CDeviceTable& table, DeviceTree& tree,
                                             std::string_view path, int osGeneration, int limit) {
    if (!PathNamesTestableDisk(path, osGeneration) || table.HoldsPath(path, limit))
        return std::nullopt;
    if (tree.DiskDriveNumber(path).value_or(-1) != 0)
        return std::nullopt;
    return tree.MountedAt(path);
}

DiskPlace LocateDisk(const CDeviceTable& table, DeviceTree& tree, DevNode diskNode) {
    DiskPlace place;
    place.usbDevInst = tree.Parent(diskNode);
    place.hubDevInst = place.usbDevInst ? tree.Parent(place.usbDevInst) : 0;
    place.port = FindHubPort(table, tree, place.usbDevInst, place.hubDevInst, place.hub);
    return place;
}

bool HasFixedMedium(DeviceTree& tree, int32_t driveNumber) {
    const std::optional<bool> removable = tree.IsRemovableMedium(driveNumber);
    return removable.has_value() && !*removable;
}

uint32_t ReadCapacityMB(DeviceTree& tree, int32_t driveNumber) {
    const std::optional<CapacityReply> reply = tree.ReadCapacity10(driveNumber);
    if (!reply)
        return 0;
    const uint64_t bytes = (static_cast<uint64_t>(reply->lastLba) + 1) * reply->blockLength;
    return static_cast<uint32_t>(bytes >> 20);
}

} // namespace varnet
