// The device tree of a Linux machine, read from sysfs under a device root R
// ("/" for the machine itself; docs/device_root.md gives the layout and the
// naming rules).
//
// Contract:
//  - the node table (which PCI functions, USB devices and sd disks exist and
//    how they hang together) is a snapshot taken by the constructor; a scan
//    builds a fresh tree. Node attributes (vendor, product, class, serial) are
//    read on first use and kept for the tree's life. Hub requests and disk
//    requests (drive number, removable bit, capacity) look at sysfs again, so
//    a device that left after the snapshot fails them;
//  - PCI functions are nodes when a USB device or an sd disk sits below
//    them; nodes without a parent (0) are siblings of one another, in slot
//    order;
//  - hub interface paths are "/sys/bus/usb/devices/<name>" (the kernel's
//    device name, e.g. "/sys/bus/usb/devices/1-1.4"), relative to R;
//  - disk interface paths are the udev-style names of docs/device_root.md,
//    lower case. Two disks that would share a by-id name (cloned serials are
//    common on drives before production) are both named by place instead, so
//    a path always names one disk;
//  - disk requests accept the names of present sd disks only; a disk in use
//    (mounted anywhere, or swap) reads as drive number 0, and every disk does
//    when R/proc lacks a readable mount table or swap list (see MountGuard,
//    ScanProblem); MountedAt names the mount point of one the operator may
//    unmount;
//  - nothing throws: a missing, unreadable or malformed attribute, a dangling
//    link or a vanished folder make the one request fail;
//  - not thread-safe: one scan on one thread.
#pragma once

#include "platform/device_tree.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnet {

class MountGuard;

// "sda" -> 1, "sdz" -> 26, "sdaa" -> 27; anything else (partitions, sr, nvme,
// loop, dm) has none.
std::optional<int> DriveNumberOfDiskName(std::string_view name);
// The inverse: 1 -> "sda"; empty for drive numbers below 1.
std::string DiskNameOfDriveNumber(int drive);

// A text made safe for a /dev/disk link name as udev makes it: blanks at the
// ends dropped, each run of inner blanks one '_', and any character outside
// letters, digits and "#+-.:=@_" (a '/' included) a '_'.
std::string UdevLinkText(std::string_view text);

class SysfsDeviceTree final : public DeviceTree {
public:
    explicit SysfsDeviceTree(const std::filesystem::path& root);
    ~SysfsDeviceTree() override;
    SysfsDeviceTree(const SysfsDeviceTree&) = delete;
    SysfsDeviceTree& operator=(const SysfsDeviceTree&) = delete;

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
    // The mount guard's problem (a mount table or swap list missing or
    // unreadable under R/proc), for the caller to show; the tree itself
    // prints nothing.
    std::string ScanProblem() override;

private:
    enum class Kind : uint8_t { Pci, Usb, Disk };

    struct Node {
        Kind kind = Kind::Pci;
        std::string name; // "0000:00:14.0", "usb1", "1-1.4", "sdb"
        std::string dir;  // the device's sysfs folder, links resolved
        DevNode parent = 0;
        DevNode firstChild = 0;
        DevNode nextSibling = 0;
        std::string driverKey;
        // USB: bus number and the ports from the root hub (empty for a root hub).
        int bus = 0;
        std::vector<int> ports;
        // Disk: host, channel, target, LUN (-1 when the layout does not say);
        // the folder names that place it, taken from its sysfs path.
        std::array<int, 4> scsi{-1, -1, -1, -1};
        std::string scsiDir;      // the SCSI device folder (vendor, model)
        std::string usbInterface; // "1.0" of "1-1.4:1.0"
        int ataPort = 0;          // N of "ataN"
        std::string controller;   // "pci-0000:00:14.0" or "platform-<name>"
        // Read on first use.
        bool attributesRead = false;
        std::optional<std::string> instanceId;
        bool isHub = false;
        int portCount = -1;      // hubs: maxchild, once read
        bool serialRead = false; // USB: every LUN of a card reader asks
        std::optional<std::string> serial;
    };

    Node* Get(DevNode node);
    DevNode Add(Node node);
    DevNode ParentByPath(std::string dir);
    void ReadUsbDevices();
    void ReadDisks();
    void LinkChildren();
    void ReadAttributes(Node& node);
    void NameDisks();
    std::string DiskPathByPlace(const Node& disk) const;
    std::optional<std::string> DiskPathById(const Node& disk);
    Node* HubByPath(std::string_view hubPath);
    std::optional<bool> PortConnected(const Node& hub, int port) const;
    const Node* PresentDiskByDrive(int drive);
    const Node* PresentDiskByPath(std::string_view diskPath);
    MountGuard& Guard();

    std::string root_; // R without a trailing '/'; empty for "/"
    std::vector<Node> nodes_;
    std::unordered_map<std::string, DevNode> byDir_;
    std::unordered_map<std::string, DevNode> usbByName_;
    std::unordered_map<std::string, DevNode> diskByName_;
    bool sysListed_ = false;
    bool usbListed_ = false;
    bool blockListed_ = false;
    bool disksNamed_ = false;
    std::vector<DeviceInterface> diskInterfaces_;
    std::unordered_map<std::string, DevNode> diskByPath_;
    std::unique_ptr<MountGuard> mountGuard_;
};

} // namespace varnet
