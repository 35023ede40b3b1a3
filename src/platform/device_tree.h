// The platform's view of hubs and disks, reduced to the operations the port
// placement logic needs: list the present hub and disk interfaces, walk the
// device tree, name its nodes, ask a hub about its ports and ask a disk for
// its drive number, removable-medium bit and capacity.
//
// Contract:
//  - a DevNode is an opaque, nonzero handle that stays valid for the life of
//    the tree object; 0 means "no such node";
//  - every query may fail (the device vanished, an attribute is missing or
//    unreadable): failure is an empty optional or 0, never an exception;
//  - interface paths are lower case; a USB disk's contains "usb" and "disk",
//    any disk's contains "disk";
//  - instance IDs have the platform's shapes: a USB device
//    "USB\VID_vvvv&PID_pppp\<instance>" (the first 22 characters name bus,
//    vendor and product) whose instance ends in "&<port on its parent>"; a
//    root hub "USB\ROOT_HUB20\..." or "USB\ROOT_HUB30\..."; a PCI function
//    "PCI\VEN_vvvv&DEV_dddd\...";
//  - a driver key is never a prefix or substring of another node's, because
//    the placement logic compares them with "contains";
//  - drive number N >= 1 names /dev/sd... with index N - 1 (sda = 1); a disk
//    that must never be touched (the station's own disks) reads as 0, and so
//    does every disk while ScanProblem() says why they cannot be told apart,
//    and so does a disk that holds a mounted file system or active swap,
//    wherever it is mounted; MountedAt() says which of those an operator
//    may unmount to test;
//  - not thread-safe: scans run on one thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

using DevNode = uint32_t;

enum class InterfaceClass { UsbHub, Disk };

struct DeviceInterface {
    std::string path; // lower case
    DevNode node = 0; // the device node that offers the interface
};

// What READ CAPACITY(10) returns: last logical block address and block
// length, both as the drive reports them.
struct CapacityReply {
    uint32_t lastLba = 0;
    uint32_t blockLength = 0;
};

class DeviceTree {
public:
    virtual ~DeviceTree() = default;

    // The present interfaces of a class in enumeration order; empty optional
    // when the set cannot be listed at all.
    virtual std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass interfaceClass) = 0;

    virtual DevNode Parent(DevNode node) = 0;
    virtual DevNode FirstChild(DevNode node) = 0;
    virtual DevNode NextSibling(DevNode node) = 0;
    virtual std::optional<std::string> InstanceId(DevNode node) = 0;
    virtual std::optional<std::string> DriverKey(DevNode node) = 0;

    // A hub addressed by its interface path. Ports count from 1; connection
    // status 1 means a device is connected.
    virtual std::optional<int> HubPortCount(std::string_view hubPath) = 0;
    virtual std::optional<int> PortConnectionStatus(std::string_view hubPath, int port) = 0;
    virtual std::optional<std::string> PortDriverKey(std::string_view hubPath, int port) = 0;

    // A disk addressed by its interface path: its drive number, or an empty
    // optional when it cannot be opened or the request fails.
    virtual std::optional<int> DiskDriveNumber(std::string_view diskPath) = 0;

    // A disk with a fixed medium that reads as drive number 0 because a
    // file system of it is mounted, and not because the computer itself runs
    // on it (its system mounts, its swap, unknown mount tables): the first
    // of its mount points, for the operator to unmount it and test it. Empty
    // optional for every other disk (a removable medium would not be tested
    // unmounted either), and for a path that names none.
    virtual std::optional<std::string> MountedAt(std::string_view diskPath) {
        (void)diskPath;
        return std::nullopt;
    }

    // A disk addressed by drive number: the removable-medium bit of its
    // INQUIRY data, and its READ CAPACITY(10) reply.
    virtual std::optional<bool> IsRemovableMedium(int drive) = 0;
    virtual std::optional<CapacityReply> ReadCapacity10(int drive) = 0;

    // Why every disk reads as drive number 0 for now (the station's own
    // disks cannot be told apart), naming the file at fault; empty when
    // nothing stands in the way. A text for the operator and the log.
    virtual std::string ScanProblem() { return {}; }
};

} // namespace varnet
