#include "platform/sysfs_device_tree.h"

#include "platform/diagnostic_log.h"
#include "platform/mount_guard.h"
#include "platform/sysfs_files.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <tuple>

namespace varnet {
namespace {

constexpr std::string_view kHubPathPrefix = "/sys/bus/usb/devices/";
// The sd driver numbers at most 2^20 disks, which five letters cover; the
// bound also keeps the number far from overflow.
constexpr size_t kMaxDriveLetters = 5;

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsHexDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

int ToInt(std::string_view digits) {
    std::optional<uint64_t> value = sysfs::ParseDecimal(digits);
    return value && *value <= 1000000 ? static_cast<int>(*value) : -1;
}

// "usb3": bus 3, no ports; "1-1.4": bus 1, ports 1 and 4. Interfaces
// ("1-1.4:1.0") and anything else do not parse.
bool ParseUsbName(std::string_view name, int& bus, std::vector<int>& ports) {
    ports.clear();
    if (name.starts_with("usb")) {
        bus = IsDigits(name.substr(3)) ? ToInt(name.substr(3)) : -1;
        return bus > 0;
    }
    size_t dash = name.find('-');
    if (dash == std::string_view::npos || !IsDigits(name.substr(0, dash)))
        return false;
    bus = ToInt(name.substr(0, dash));
    std::string_view chain = name.substr(dash + 1);
    while (true) {
        size_t dot = chain.find('.');
        std::string_view part = chain.substr(0, dot);
        if (!IsDigits(part) || ToInt(part) < 1)
            return false;
        ports.push_back(ToInt(part));
        if (dot == std::string_view::npos)
            break;
        chain.remove_prefix(dot + 1);
    }
    return bus > 0;
}

// "0000:00:14.0": domain, bus, device and function.
bool IsPciFunctionName(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 2 != name.size() || name[dot + 1] < '0' || name[dot + 1] > '7')
        return false;
    std::string_view head = name.substr(0, dot);
    size_t second = head.rfind(':');
    if (second == std::string_view::npos)
        return false;
    size_t first = head.rfind(':', second - 1);
    if (second == 0 || first == std::string_view::npos)
        return false;
    return IsHexDigits(head.substr(0, first)) && head.substr(first + 1, second - first - 1).size() == 2 &&
           IsHexDigits(head.substr(first + 1, second - first - 1)) && head.substr(second + 1).size() == 2 &&
           IsHexDigits(head.substr(second + 1));
}

// "6:0:0:0": host, channel, target, LUN.
bool ParseScsiAddress(std::string_view name, std::array<int, 4>& address) {
    for (size_t i = 0; i < 4; ++i) {
        size_t colon = name.find(':');
        std::string_view part = name.substr(0, colon);
        if (!IsDigits(part) || (i < 3) == (colon == std::string_view::npos))
            return false;
        address[i] = ToInt(part);
        if (colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
    }
    return true;
}

// "1-1.4:1.0" gives "1.0" (configuration and interface).
std::string UsbInterfaceOfName(std::string_view name) {
    size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return std::string();
    int bus = 0;
    std::vector<int> ports;
    std::string_view tail = name.substr(colon + 1);
    size_t dot = tail.find('.');
    if (!ParseUsbName(name.substr(0, colon), bus, ports) || dot == std::string_view::npos ||
        !IsDigits(tail.substr(0, dot)) || !IsDigits(tail.substr(dot + 1)))
        return std::string();
    return std::string(tail);
}

int AtaPortOfName(std::string_view name) {
    return name.starts_with("ata") && IsDigits(name.substr(3)) ? ToInt(name.substr(3)) : 0;
}

std::string JoinPorts(const std::vector<int>& ports, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i)
            text += '.';
        text += std::to_string(ports[i]);
    }
    return text;
}

std::string UsbDriverKey(int bus, const std::vector<int>& ports) {
    char part[16];
    std::snprintf(part, sizeof part, "%04d", bus);
    std::string key = "{usb}\\";
    key += part;
    for (size_t i = 0; i < ports.size(); ++i) {
        std::snprintf(part, sizeof part, "%04d", ports[i]);
        key += i ? '.' : '-';
        key += part;
    }
    key += '#';
    return key;
}

std::optional<uint64_t> ReadHexAttribute(const std::string& path) {
    std::optional<std::string> text = sysfs::ReadAttribute(path);
    return text ? sysfs::ParseHex(*text) : std::nullopt;
}

std::optional<uint64_t> ReadDecimalAttribute(const std::string& path) {
    std::optional<std::string> text = sysfs::ReadAttribute(path);
    return text ? sysfs::ParseDecimal(*text) : std::nullopt;
}

bool IsUdevSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsUdevSafe(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::string_view("#+-.:=@_").find(c) != std::string_view::npos ||
           static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

std::optional<int> DriveNumberOfDiskName(std::string_view name) {
    if (!name.starts_with("sd") || name.size() < 3 || name.size() > 2 + kMaxDriveLetters)
        return std::nullopt;
    int number = 0;
    for (char c : name.substr(2)) {
        if (c < 'a' || c > 'z')
            return std::nullopt;
        number = number * 26 + (c - 'a' + 1);
    }
    return number;
}

std::string DiskNameOfDriveNumber(int drive) {
    if (drive < 1)
        return std::string();
    std::string letters;
    for (int n = drive; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('a' + (n - 1) % 26));
    return "sd" + letters;
}

std::string UdevLinkText(std::string_view text) {
    while (!text.empty() && IsUdevSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsUdevSpace(text.back()))
        text.remove_suffix(1);
    std::string out;
    bool inBlank = false;
    for (char c : text) {
        if (IsUdevSpace(c)) {
            inBlank = true;
            continue;
        }
        if (inBlank)
            out += '_';
        inBlank = false;
        out += IsUdevSafe(c) ? c : '_';
    }
    return out;
}

SysfsDeviceTree::SysfsDeviceTree(const std::filesystem::path& root) {
    try {
        root_ = sysfs::RootPrefix(root);
        sysListed_ = sysfs::IsFolder(root_ + "/sys");
        if (!sysListed_)
            return;
        ReadUsbDevices();
        ReadDisks();
        LinkChildren();
    } catch (...) {
        LogCaught();
        // Out of memory half-way: a tree that lists nothing is the honest answer.
        nodes_.clear();
        byDir_.clear();
        usbByName_.clear();
        diskByName_.clear();
        sysListed_ = usbListed_ = blockListed_ = false;
    }
}

SysfsDeviceTree::~SysfsDeviceTree() = default;

SysfsDeviceTree::Node* SysfsDeviceTree::Get(DevNode node) {
    return node >= 1 && node <= nodes_.size() ? &nodes_[node - 1] : nullptr;
}

DevNode SysfsDeviceTree::Add(Node node) {
    nodes_.push_back(std::move(node));
    DevNode id = static_cast<DevNode>(nodes_.size());
    byDir_.emplace(nodes_.back().dir, id);
    return id;
}

// The nearest known USB device or PCI function above a sysfs folder. PCI
// functions become nodes the first time a device below them asks. The folder
// comes by value: adding a node may move the one it was taken from.
DevNode SysfsDeviceTree::ParentByPath(std::string dir) {
    std::string_view up = sysfs::ParentPath(dir);
    while (up.size() > root_.size()) {
        std::string folder(up);
        auto known = byDir_.find(folder);
        if (known != byDir_.end())
            return known->second;
        std::string_view base = sysfs::BaseName(up);
        if (IsPciFunctionName(base)) {
            Node pci;
            pci.kind = Kind::Pci;
            pci.name = std::string(base);
            pci.dir = folder;
            pci.driverKey = "{pci}\\" + pci.name + "#";
            DevNode id = Add(std::move(pci));
            DevNode above = ParentByPath(folder);
            nodes_[id - 1].parent = above;
            return id;
        }
        up = sysfs::ParentPath(up);
    }
    return 0;
}

void SysfsDeviceTree::ReadUsbDevices() {
    const std::string folder = root_ + "/sys/bus/usb/devices";
    std::optional<std::vector<std::string>> names = sysfs::ListFolder(folder);
    if (!names) {
        // A machine without USB has no such folder; one that exists but
        // cannot be read is a failure.
        usbListed_ = !sysfs::Exists(folder);
        return;
    }
    usbListed_ = true;
    std::vector<DevNode> added;
    for (const std::string& name : *names) {
        Node usb;
        usb.kind = Kind::Usb;
        if (!ParseUsbName(name, usb.bus, usb.ports))
            continue;
        std::string entry = folder + "/" + name;
        std::optional<std::string> target = sysfs::ReadLink(entry);
        usb.dir = target ? sysfs::ResolveLinkTarget(folder, *target) : entry;
        if (!sysfs::IsFolder(usb.dir))
            continue; // dangling, or gone since the listing
        usb.name = name;
        usb.driverKey = UsbDriverKey(usb.bus, usb.ports);
        DevNode id = Add(std::move(usb));
        usbByName_.emplace(name, id);
        added.push_back(id);
    }
    // Parents only after every device is known: the listing is in no order.
    for (DevNode id : added) {
        DevNode parent = ParentByPath(nodes_[id - 1].dir);
        nodes_[id - 1].parent = parent;
    }
}

void SysfsDeviceTree::ReadDisks() {
    std::string folder = root_ + "/sys/block";
    std::optional<std::vector<std::string>> names = sysfs::ListFolder(folder);
    if (!names) {
        folder = root_ + "/sys/class/block";
        names = sysfs::ListFolder(folder);
    }
    blockListed_ = names.has_value();
    if (!names)
        return;
    for (const std::string& name : *names) {
        if (!DriveNumberOfDiskName(name))
            continue;
        std::string entry = folder + "/" + name;
        std::optional<std::string> target = sysfs::ReadLink(entry);
        Node disk;
        disk.kind = Kind::Disk;
        disk.name = name;
        disk.dir = target ? sysfs::ResolveLinkTarget(folder, *target) : entry;
        if (!sysfs::IsFolder(disk.dir))
            continue;
        disk.driverKey = "{disk}\\" + name + "#";

        // Where the disk sits, read off its path:
        // .../0000:00:14.0/usb2/2-1/2-1.1/2-1.1:1.0/host6/target6:0:0/6:0:0:0/block/sdb
        std::string_view up = sysfs::ParentPath(disk.dir);
        if (sysfs::BaseName(up) == "block") {
            up = sysfs::ParentPath(up);
            std::array<int, 4> address{};
            if (ParseScsiAddress(sysfs::BaseName(up), address)) {
                disk.scsi = address;
                disk.scsiDir = std::string(up);
            }
        }
        for (; up.size() > root_.size(); up = sysfs::ParentPath(up)) {
            std::string_view base = sysfs::BaseName(up);
            if (disk.usbInterface.empty())
                disk.usbInterface = UsbInterfaceOfName(base);
            if (disk.ataPort == 0)
                disk.ataPort = AtaPortOfName(base);
            if (IsPciFunctionName(base)) {
                disk.controller = "pci-" + std::string(base);
                break;
            }
            int bus = 0;
            std::vector<int> ports;
            if (ParseUsbName(base, bus, ports) && ports.empty()) {
                // A root hub: its controller is the folder above, a PCI
                // function or a platform device.
                std::string_view above = sysfs::BaseName(sysfs::ParentPath(up));
                disk.controller = (IsPciFunctionName(above) ? "pci-" : "platform-") + std::string(above);
                break;
            }
        }
        std::string dir = disk.dir;
        DevNode id = Add(std::move(disk));
        diskByName_.emplace(name, id);
        DevNode parent = ParentByPath(std::move(dir));
        nodes_[id - 1].parent = parent;
    }
}

// Children in port order (root hubs by bus), disks in LUN order, PCI
// functions by slot; nodes without a parent form the top row.
void SysfsDeviceTree::LinkChildren() {
    std::vector<DevNode> order(nodes_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<DevNode>(i + 1);
    std::sort(order.begin(), order.end(), [this](DevNode a, DevNode b) {
        const Node& x = nodes_[a - 1];
        const Node& y = nodes_[b - 1];
        if (x.parent != y.parent)
            return x.parent < y.parent;
        if (x.kind != y.kind)
            return x.kind < y.kind;
        switch (x.kind) {
        case Kind::Pci:
            return x.name < y.name;
        case Kind::Usb:
            return std::tie(x.bus, x.ports) < std::tie(y.bus, y.ports);
        case Kind::Disk:
            if (x.scsi != y.scsi)
                return x.scsi < y.scsi;
            return DriveNumberOfDiskName(x.name) < DriveNumberOfDiskName(y.name);
        }
        return a < b;
    });
    for (size_t i = 0; i < order.size(); ++i) {
        Node& node = nodes_[order[i] - 1];
        if (i > 0 && nodes_[order[i - 1] - 1].parent == node.parent)
            nodes_[order[i - 1] - 1].nextSibling = order[i];
        else if (node.parent != 0)
            nodes_[node.parent - 1].firstChild = order[i];
    }
}

void SysfsDeviceTree::ReadAttributes(Node& node) {
    if (node.attributesRead)
        return;
    node.attributesRead = true;
    char id[64];
    switch (node.kind) {
    case Kind::Pci: {
        std::optional<uint64_t> vendor = ReadHexAttribute(node.dir + "/vendor");
        std::optional<uint64_t> device = ReadHexAttribute(node.dir + "/device");
        if (vendor && device && *vendor <= 0xFFFF && *device <= 0xFFFF) {
            std::snprintf(id, sizeof id, "PCI\\VEN_%04X&DEV_%04X\\", static_cast<unsigned>(*vendor),
                          static_cast<unsigned>(*device));
            node.instanceId = id + node.name;
        }
        break;
    }
    case Kind::Usb: {
        std::optional<uint64_t> deviceClass = ReadHexAttribute(node.dir + "/bDeviceClass");
        node.isHub = deviceClass == 9u;
        if (node.ports.empty()) {
            std::optional<uint64_t> speed = ReadDecimalAttribute(node.dir + "/speed");
            if (speed) {
                std::snprintf(id, sizeof id, "USB\\ROOT_HUB%s\\%d&0&0", *speed >= 5000 ? "30" : "20",
                              node.bus);
                node.instanceId = id;
            }
            break;
        }
        std::optional<uint64_t> vendor = ReadHexAttribute(node.dir + "/idVendor");
        std::optional<uint64_t> product = ReadHexAttribute(node.dir + "/idProduct");
        if (vendor && product && *vendor <= 0xFFFF && *product <= 0xFFFF) {
            std::string parentPath =
                node.ports.size() == 1 ? "0" : JoinPorts(node.ports, node.ports.size() - 1);
            std::snprintf(id, sizeof id, "USB\\VID_%04X&PID_%04X\\%d&", static_cast<unsigned>(*vendor),
                          static_cast<unsigned>(*product), node.bus);
            node.instanceId = id + parentPath + "&0&" + std::to_string(node.ports.back());
        }
        break;
    }
    case Kind::Disk:
        node.instanceId = "DISK\\" + node.name;
        break;
    }
}

std::optional<std::vector<DeviceInterface>> SysfsDeviceTree::ListInterfaces(InterfaceClass interfaceClass) {
    try {
        if (interfaceClass == InterfaceClass::Disk) {
            if (!sysListed_ || !blockListed_)
                return std::nullopt;
            NameDisks();
            return diskInterfaces_;
        }
        if (!sysListed_ || !usbListed_)
            return std::nullopt;
        std::vector<DevNode> hubs;
        for (const auto& [name, id] : usbByName_) {
            Node& node = nodes_[id - 1];
            ReadAttributes(node);
            if (node.isHub)
                hubs.push_back(id);
        }
        std::sort(hubs.begin(), hubs.end(), [this](DevNode a, DevNode b) {
            return std::tie(nodes_[a - 1].bus, nodes_[a - 1].ports) <
                   std::tie(nodes_[b - 1].bus, nodes_[b - 1].ports);
        });
        std::vector<DeviceInterface> list;
        list.reserve(hubs.size());
        for (DevNode id : hubs)
            list.push_back({std::string(kHubPathPrefix) + nodes_[id - 1].name, id});
        return list;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

DevNode SysfsDeviceTree::Parent(DevNode node) {
    const Node* found = Get(node);
    return found ? found->parent : 0;
}

DevNode SysfsDeviceTree::FirstChild(DevNode node) {
    const Node* found = Get(node);
    return found ? found->firstChild : 0;
}

DevNode SysfsDeviceTree::NextSibling(DevNode node) {
    const Node* found = Get(node);
    return found ? found->nextSibling : 0;
}

std::optional<std::string> SysfsDeviceTree::InstanceId(DevNode node) {
    Node* found = Get(node);
    if (!found)
        return std::nullopt;
    try {
        ReadAttributes(*found);
        return found->instanceId;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<std::string> SysfsDeviceTree::DriverKey(DevNode node) {
    const Node* found = Get(node);
    if (!found)
        return std::nullopt;
    try {
        return found->driverKey;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

// A present hub with its port count, or nullptr. The count is read once: it
// belongs to the device, which cannot change while its folder stays.
SysfsDeviceTree::Node* SysfsDeviceTree::HubByPath(std::string_view hubPath) {
    std::string path = ToLowerAscii(hubPath);
    if (!path.starts_with(kHubPathPrefix))
        return nullptr;
    auto found = usbByName_.find(path.substr(kHubPathPrefix.size()));
    if (found == usbByName_.end())
        return nullptr;
    Node& hub = nodes_[found->second - 1];
    ReadAttributes(hub);
    if (!hub.isHub || !sysfs::IsFolder(hub.dir))
        return nullptr;
    if (hub.portCount < 0) {
        std::optional<uint64_t> count = ReadDecimalAttribute(hub.dir + "/maxchild");
        if (!count || *count > 255)
            return nullptr;
        hub.portCount = static_cast<int>(*count);
    }
    return &hub;
}

// The folder of the device on a hub's port: the kernel names it by hub and
// port, "1-1" on usb1's port 1, "1-1.4" on port 4 of 1-1.
std::optional<bool> SysfsDeviceTree::PortConnected(const Node& hub, int port) const {
    if (port < 1 || port > hub.portCount)
        return std::nullopt;
    std::string child = hub.ports.empty() ? std::to_string(hub.bus) + "-" + std::to_string(port)
                                          : hub.name + "." + std::to_string(port);
    return sysfs::IsFolder(hub.dir + "/" + child);
}

std::optional<int> SysfsDeviceTree::HubPortCount(std::string_view hubPath) {
    try {
        const Node* hub = HubByPath(hubPath);
        return hub ? std::optional<int>(hub->portCount) : std::nullopt;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<int> SysfsDeviceTree::PortConnectionStatus(std::string_view hubPath, int port) {
    try {
        const Node* hub = HubByPath(hubPath);
        std::optional<bool> connected = hub ? PortConnected(*hub, port) : std::nullopt;
        return connected ? std::optional<int>(*connected ? 1 : 0) : std::nullopt;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<std::string> SysfsDeviceTree::PortDriverKey(std::string_view hubPath, int port) {
    try {
        const Node* hub = HubByPath(hubPath);
        if (!hub || PortConnected(*hub, port) != true)
            return std::nullopt;
        std::vector<int> ports = hub->ports;
        ports.push_back(port);
        return UsbDriverKey(hub->bus, ports);
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<std::string> SysfsDeviceTree::DiskPathById(const Node& disk) {
    Node* usb = disk.parent ? &nodes_[disk.parent - 1] : nullptr;
    if (!usb || usb->kind != Kind::Usb || disk.scsiDir.empty())
        return std::nullopt;
    if (!usb->serialRead) {
        usb->serial = sysfs::ReadAttribute(usb->dir + "/serial");
        usb->serialRead = true;
    }
    const std::optional<std::string>& serial = usb->serial;
    if (!serial || UdevLinkText(*serial).empty())
        return std::nullopt;
    std::optional<std::string> vendor = sysfs::ReadAttribute(disk.scsiDir + "/vendor");
    std::optional<std::string> model = sysfs::ReadAttribute(disk.scsiDir + "/model");
    if (!vendor || !model)
        return std::nullopt;
    return "/dev/disk/by-id/usb-" + UdevLinkText(*vendor) + "_" + UdevLinkText(*model) + "_" +
           UdevLinkText(*serial) + "-" + std::to_string(disk.scsi[2]) + ":" + std::to_string(disk.scsi[3]);
}

std::string SysfsDeviceTree::DiskPathByPlace(const Node& disk) const {
    std::string path = "/dev/disk/by-path/";
    if (!disk.controller.empty())
        path += disk.controller + "-";
    const Node* usb = disk.parent ? &nodes_[disk.parent - 1] : nullptr;
    const bool scsiKnown = disk.scsi[0] >= 0;
    auto scsiTail = [&](int host) {
        return std::to_string(host) + ":" + std::to_string(disk.scsi[1]) + ":" +
               std::to_string(disk.scsi[2]) + ":" + std::to_string(disk.scsi[3]);
    };
    if (usb && usb->kind == Kind::Usb) {
        // udev's "usb-0:<ports>:<config>.<interface>" with the bus in place of
        // the 0: the two halves of a USB 3 hub share their port numbers.
        path += "usb-" + std::to_string(usb->bus) + ":" + JoinPorts(usb->ports, usb->ports.size());
        if (!disk.usbInterface.empty())
            path += ":" + disk.usbInterface;
        if (scsiKnown)
            path += "-scsi-" + scsiTail(0);
    } else if (disk.ataPort > 0) {
        path += "ata-" + std::to_string(disk.ataPort);
        // A port multiplier link or a second device on the port.
        if (scsiKnown && (disk.scsi[1] != 0 || disk.scsi[2] != 0))
            path += "." + std::to_string(disk.scsi[1] != 0 ? disk.scsi[1] : disk.scsi[2]);
    } else if (scsiKnown) {
        path += "scsi-" + scsiTail(disk.scsi[0]);
    } else {
        path += "block-" + disk.name;
    }
    return ToLowerAscii(path);
}

void SysfsDeviceTree::NameDisks() {
    if (disksNamed_)
        return;
    std::vector<DevNode> disks;
    for (const auto& [name, id] : diskByName_)
        disks.push_back(id);
    std::sort(disks.begin(), disks.end(), [this](DevNode a, DevNode b) {
        return DriveNumberOfDiskName(nodes_[a - 1].name) < DriveNumberOfDiskName(nodes_[b - 1].name);
    });
    std::vector<std::optional<std::string>> byId;
    std::unordered_map<std::string, int> uses;
    for (DevNode id : disks) {
        std::optional<std::string> path = DiskPathById(nodes_[id - 1]);
        if (path) {
            *path = ToLowerAscii(*path);
            ++uses[*path];
        }
        byId.push_back(std::move(path));
    }
    diskInterfaces_.clear();
    diskByPath_.clear();
    for (size_t i = 0; i < disks.size(); ++i) {
        const Node& disk = nodes_[disks[i] - 1];
        std::string path = byId[i] && uses[*byId[i]] == 1 ? *byId[i] : DiskPathByPlace(disk);
        // Places are unique in sysfs; should two still read alike, the
        // second disk stays unlisted rather than be taken for the first.
        if (!diskByPath_.emplace(path, disks[i]).second)
            continue;
        diskInterfaces_.push_back({std::move(path), disks[i]});
    }
    disksNamed_ = true;
}

const SysfsDeviceTree::Node* SysfsDeviceTree::PresentDiskByPath(std::string_view diskPath) {
    NameDisks();
    auto found = diskByPath_.find(ToLowerAscii(diskPath));
    if (found == diskByPath_.end())
        return nullptr;
    const Node& disk = nodes_[found->second - 1];
    return sysfs::IsFolder(disk.dir) ? &disk : nullptr;
}

std::optional<int> SysfsDeviceTree::DiskDriveNumber(std::string_view diskPath) {
    try {
        const Node* disk = PresentDiskByPath(diskPath);
        if (!disk)
            return std::nullopt;
        if (Guard().InUse(disk->name))
            return 0;
        return DriveNumberOfDiskName(disk->name);
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<std::string> SysfsDeviceTree::MountedAt(std::string_view diskPath) {
    try {
        const Node* disk = PresentDiskByPath(diskPath);
        if (!disk)
            return std::nullopt;
        DiskUseVerdict verdict = Guard().Use(disk->name);
        if (verdict.use != DiskUse::Mounted)
            return std::nullopt;
        // A card or stick would not be tested once unmounted either; the
        // attribute is sysfs's copy, the disk itself is not asked.
        if (ReadDecimalAttribute(disk->dir + "/removable") != 0u)
            return std::nullopt;
        return std::move(verdict.mountPoint);
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

MountGuard& SysfsDeviceTree::Guard() {
    if (!mountGuard_) {
        // A failed guard says nothing here: the scan's caller asks
        // ScanProblem() and tells the operator once.
        mountGuard_ = std::make_unique<MountGuard>(std::filesystem::path(root_.empty() ? "/" : root_));
    }
    return *mountGuard_;
}

std::string SysfsDeviceTree::ScanProblem() {
    try {
        return Guard().Problem();
    } catch (...) {
        LogCaught();
        return "no disk is bound: the mount tables could not be examined";
    }
}

const SysfsDeviceTree::Node* SysfsDeviceTree::PresentDiskByDrive(int drive) {
    auto found = diskByName_.find(DiskNameOfDriveNumber(drive));
    return found == diskByName_.end() ? nullptr : &nodes_[found->second - 1];
}

std::optional<bool> SysfsDeviceTree::IsRemovableMedium(int drive) {
    try {
        const Node* disk = PresentDiskByDrive(drive);
        if (!disk)
            return std::nullopt;
        std::optional<uint64_t> removable = ReadDecimalAttribute(disk->dir + "/removable");
        if (!removable || *removable > 1)
            return std::nullopt;
        return *removable == 1;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

std::optional<CapacityReply> SysfsDeviceTree::ReadCapacity10(int drive) {
    try {
        const Node* disk = PresentDiskByDrive(drive);
        if (!disk)
            return std::nullopt;
        // "size" counts 512-byte sectors whatever the drive's block length.
        std::optional<uint64_t> sectors = ReadDecimalAttribute(disk->dir + "/size");
        std::optional<uint64_t> blockLength = ReadDecimalAttribute(disk->dir + "/queue/logical_block_size");
        if (!sectors || !blockLength || *blockLength < 512 || *blockLength % 512 != 0 ||
            *blockLength > (1u << 20))
            return std::nullopt;
        uint64_t blocks = *sectors / (*blockLength / 512);
        // A card reader slot without a card has no capacity to report; the
        // drive answers "medium not present".
        if (blocks == 0)
            return std::nullopt;
        CapacityReply reply;
        reply.lastLba =
            static_cast<uint32_t>(std::min<uint64_t>(blocks - 1, std::numeric_limits<uint32_t>::max()));
        reply.blockLength = static_cast<uint32_t>(*blockLength);
        return reply;
    } catch (...) {
        LogCaught();
        return std::nullopt;
    }
}

} // namespace varnet
