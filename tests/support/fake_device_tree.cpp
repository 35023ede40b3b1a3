#include "fake_device_tree.h"

#include "platform/text_format.h"

#include <algorithm>

namespace varnet::test {

FakeDeviceTree::FakeDeviceTree() {
    Node pci;
    pci.instanceId = "PCI\\VEN_8086&DEV_A36D\\3&11583659&0&A0";
    pci.driverKey = "{pci}\\0000#";
    const DevNode controller = Add(0, pci);
    Node root;
    root.instanceId = "USB\\ROOT_HUB30\\4&1a2b3c4d&0&0";
    root.driverKey = "{usb}\\root#";
    root.ports = 12;
    root.isHub = true;
    root.path = "\\\\?\\usb#root_hub30#4&1a2b3c4d&0&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
    rootHub_ = Add(controller, root);
}

DevNode FakeDeviceTree::Add(DevNode parent, Node node) {
    node.parent = parent;
    nodes_.push_back(std::move(node));
    const auto id = static_cast<DevNode>(nodes_.size());
    if (parent != 0)
        nodes_[parent - 1].children.push_back(id);
    return id;
}

DevNode FakeDeviceTree::AddHub(DevNode parent, int port, uint16_t vid, uint16_t pid, int ports) {
    Node hub;
    const int serial = ++serial_;
    hub.instanceId = Format("USB\\VID_%04X&PID_%04X\\6&%x&0&%d", vid, pid, serial, port);
    hub.driverKey = Format("{usb}\\hub%04d#", serial);
    hub.ports = ports;
    hub.isHub = true;
    hub.path = Format("\\\\?\\usb#vid_%04x&pid_%04x#6&%x&0&%d#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", vid,
                      pid, serial, port);
    const DevNode node = Add(parent, hub);
    nodes_[parent - 1].onPort[port] = node;
    return node;
}

std::string FakeDeviceTree::DiskPath(int drive) {
    return Format("\\\\?\\usbstor#disk&ven_varnet&prod_ssd#sim%03d&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
                  drive);
}

std::string FakeDeviceTree::HubPath(DevNode hub) const {
    return nodes_[hub - 1].path;
}

DevNode FakeDeviceTree::AddUsbDisk(DevNode parent, int port, int drive, bool removable) {
    Node bridge;
    const int serial = ++serial_;
    bridge.instanceId = Format("USB\\VID_1E4E&PID_7101\\7&%x&0&%d", serial, port);
    bridge.driverKey = Format("{usb}\\dev%04d#", serial);
    const DevNode usb = Add(parent, bridge);
    nodes_[parent - 1].onPort[port] = usb;
    Node disk;
    disk.instanceId = Format("USBSTOR\\DISK&VEN_VARNET\\SIM%03d&0", drive);
    disk.driverKey = Format("{disk}\\%04d#", drive);
    disk.isDisk = true;
    disk.drive = drive;
    disk.removable = removable;
    disk.path = DiskPath(drive);
    return Add(usb, disk);
}

DevNode FakeDeviceTree::AddSataDisk(int drive) {
    Node disk;
    disk.instanceId = Format("SCSI\\DISK&VEN_ATA\\%d", drive);
    disk.driverKey = Format("{disk}\\%04d#", drive);
    disk.isDisk = true;
    disk.drive = drive;
    disk.path = Format("\\\\?\\scsi#disk&ven_ata#%d#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", drive);
    return Add(1, disk); // under the PCI controller
}

void FakeDeviceTree::RemoveDisk(DevNode disk) {
    Node& node = nodes_[disk - 1];
    node.isDisk = false;
    const DevNode usb = node.parent;
    Node& hub = nodes_[nodes_[usb - 1].parent - 1];
    for (auto it = hub.onPort.begin(); it != hub.onPort.end(); ++it) {
        if (it->second == usb) {
            hub.onPort.erase(it);
            break;
        }
    }
    std::erase(hub.children, usb);
}

void FakeDeviceTree::SetDiskPath(DevNode disk, std::string path) {
    nodes_[disk - 1].path = std::move(path);
}

std::optional<std::vector<DeviceInterface>> FakeDeviceTree::ListInterfaces(InterfaceClass interfaceClass) {
    ++listCalls;
    if (listFails)
        return std::nullopt;
    std::vector<DeviceInterface> found;
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const Node& n = nodes_[i];
        const bool wanted =
            interfaceClass == InterfaceClass::UsbHub ? n.isHub && !unlistedHubs.contains(n.path) : n.isDisk;
        if (wanted)
            found.push_back({n.path, static_cast<DevNode>(i + 1)});
    }
    return found;
}

DevNode FakeDeviceTree::Parent(DevNode node) {
    return node ? nodes_[node - 1].parent : 0;
}

DevNode FakeDeviceTree::FirstChild(DevNode node) {
    if (!node || nodes_[node - 1].children.empty())
        return 0;
    return nodes_[node - 1].children.front();
}

DevNode FakeDeviceTree::NextSibling(DevNode node) {
    if (!node || !nodes_[node - 1].parent)
        return 0;
    const auto& siblings = nodes_[nodes_[node - 1].parent - 1].children;
    const auto at = std::find(siblings.begin(), siblings.end(), node);
    return at == siblings.end() || at + 1 == siblings.end() ? 0 : *(at + 1);
}

std::optional<std::string> FakeDeviceTree::InstanceId(DevNode node) {
    return node ? std::optional(nodes_[node - 1].instanceId) : std::nullopt;
}

std::optional<std::string> FakeDeviceTree::DriverKey(DevNode node) {
    return node ? std::optional(nodes_[node - 1].driverKey) : std::nullopt;
}

const FakeDeviceTree::Node* FakeDeviceTree::HubByPath(std::string_view path) const {
    for (const Node& n : nodes_)
        if (n.isHub && n.path == path)
            return &n;
    return nullptr;
}

std::optional<int> FakeDeviceTree::HubPortCount(std::string_view hubPath) {
    const Node* hub = HubByPath(hubPath);
    return hub ? std::optional(hub->ports) : std::nullopt;
}

std::optional<int> FakeDeviceTree::PortConnectionStatus(std::string_view hubPath, int port) {
    const Node* hub = HubByPath(hubPath);
    if (!hub || failingPorts.contains({std::string(hubPath), port}))
        return std::nullopt;
    return hub->onPort.contains(port) ? 1 : 0;
}

std::optional<std::string> FakeDeviceTree::PortDriverKey(std::string_view hubPath, int port) {
    const Node* hub = HubByPath(hubPath);
    if (!hub || !hub->onPort.contains(port))
        return std::nullopt;
    return nodes_[hub->onPort.at(port) - 1].driverKey;
}

std::optional<int> FakeDeviceTree::DiskDriveNumber(std::string_view diskPath) {
    for (const Node& n : nodes_)
        if (n.isDisk && n.path == diskPath)
            return n.drive;
    return std::nullopt;
}

std::optional<std::string> FakeDeviceTree::MountedAt(std::string_view diskPath) {
    const auto found = mountedAt.find(std::string(diskPath));
    if (found == mountedAt.end() || !DiskDriveNumber(diskPath))
        return std::nullopt;
    return found->second;
}

std::optional<bool> FakeDeviceTree::IsRemovableMedium(int drive) {
    for (const Node& n : nodes_)
        if (n.isDisk && n.drive == drive)
            return n.removable;
    return std::nullopt;
}

std::optional<CapacityReply> FakeDeviceTree::ReadCapacity10(int drive) {
    const auto found = capacities.find(drive);
    return found == capacities.end() ? std::nullopt : std::optional(found->second);
}

namespace {

class Shared final : public DeviceTree {
public:
    explicit Shared(std::shared_ptr<DeviceTree> tree) : t_(std::move(tree)) {}
    std::optional<std::vector<DeviceInterface>> ListInterfaces(InterfaceClass c) override {
        return t_->ListInterfaces(c);
    }
    DevNode Parent(DevNode n) override { return t_->Parent(n); }
    DevNode FirstChild(DevNode n) override { return t_->FirstChild(n); }
    DevNode NextSibling(DevNode n) override { return t_->NextSibling(n); }
    std::optional<std::string> InstanceId(DevNode n) override { return t_->InstanceId(n); }
    std::optional<std::string> DriverKey(DevNode n) override { return t_->DriverKey(n); }
    std::optional<int> HubPortCount(std::string_view p) override { return t_->HubPortCount(p); }
    std::optional<int> PortConnectionStatus(std::string_view p, int c) override {
        return t_->PortConnectionStatus(p, c);
    }
    std::optional<std::string> PortDriverKey(std::string_view p, int c) override {
        return t_->PortDriverKey(p, c);
    }
    std::optional<int> DiskDriveNumber(std::string_view p) override { return t_->DiskDriveNumber(p); }
    std::optional<std::string> MountedAt(std::string_view p) override { return t_->MountedAt(p); }
    std::optional<bool> IsRemovableMedium(int d) override { return t_->IsRemovableMedium(d); }
    std::optional<CapacityReply> ReadCapacity10(int d) override { return t_->ReadCapacity10(d); }
    std::string ScanProblem() override { return t_->ScanProblem(); }

private:
    std::shared_ptr<DeviceTree> t_;
};

} // namespace

std::unique_ptr<DeviceTree> SharedDeviceTree(std::shared_ptr<DeviceTree> tree) {
    return std::make_unique<Shared>(std::move(tree));
}

} // namespace varnet::test
