#include "devices/hub_inventory.h"

#include "platform/text.h"

namespace varnet {
namespace {

constexpr size_t kVendorProductPrefix = 22; // "USB\VID_vvvv&PID_pppp\"

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string InstanceIdOr(DeviceTree& tree, DevNode node) {
    if (node == 0)
        return {};
    return tree.InstanceId(node).value_or(std::string());
}

// Only the one character after the last '&' is read, so a hub on port 12 of
// its parent records 1: the slot arithmetic was made for hubs of up to nine
// ports and reads the instance text that way.
uint16_t ParentPortOf(std::string_view instanceId) {
    const size_t amp = instanceId.rfind('&');
    if (amp == std::string_view::npos || amp + 1 >= instanceId.size())
        return 0;
    const char c = instanceId[amp + 1];
    return c >= '0' && c <= '9' ? static_cast<uint16_t>(c - '0') : 0;
}

} // namespace

int BuildHubInventory(CDeviceTable& table, DeviceTree& tree) {
    table.externalHubs.clear();
    table.allHubs.clear();
    const auto hubs = tree.ListInterfaces(InterfaceClass::UsbHub);
    if (!hubs)
        return 0;
    int cascades = 0;
    uint16_t fourPort = 0;
    for (const DeviceInterface& hub : *hubs) {
        const std::optional<std::string> id = tree.InstanceId(hub.node);
        if (!id)
            continue;
        const DevNode parent = tree.Parent(hub.node);
        const std::string parentId = InstanceIdOr(tree, parent);
        const bool rootHub = Contains(parentId, "PCI") || Contains(*id, "ROOT");

        ST_HUBINFO info;
        info.hubPort = ParentPortOf(*id);
        const std::string_view prefix = Prefix(*id, kVendorProductPrefix);
        const DevNode firstChild = tree.FirstChild(hub.node);
        if (Contains(parentId, prefix)) {
            info.counted = 1;
        } else if (firstChild != 0 && Contains(InstanceIdOr(tree, firstChild), prefix)) {
            info.cascadeIndex = static_cast<uint16_t>(cascades++);
            uint16_t children = 0;
            for (DevNode child = firstChild; child != 0; child = tree.NextSibling(child))
                ++children;
            info.childCount = children;
        } else if (tree.HubPortCount(hub.path) == 4) {
            info.fourPortIndex = fourPort++;
            info.counted = 1;
        }
        SetFieldText(info.devicePath, hub.path);
        table.allHubs.insert_or_assign(*id, info);
        if (!rootHub)
            table.externalHubs.insert_or_assign(*id, info);
    }
    return cascades;
}

int FindHubPort(const CDeviceTable& table, DeviceTree& tree, DevNode usbDevInst, DevNode hubDevInst,
                ST_HUBINFO& hubInfo) {
    const std::optional<std::string> driverKey = usbDevInst ? tree.DriverKey(usbDevInst) : std::nullopt;
    const std::optional<std::string> hubId = hubDevInst ? tree.InstanceId(hubDevInst) : std::nullopt;
    // An empty key would be "contained" in every port's key.
    if (!driverKey || driverKey->empty() || !hubId)
        return 0;
    auto found = table.externalHubs.find(*hubId);
    if (found == table.externalHubs.end()) {
        found = table.allHubs.find(*hubId);
        if (found == table.allHubs.end())
            return 0;
    }
    const std::string_view hubPath = FieldText(found->second.devicePath);
    const std::optional<int> ports = tree.HubPortCount(hubPath);
    if (!ports)
        return 0;
    for (int c = 1; c <= *ports; ++c) {
        const std::optional<int> status = tree.PortConnectionStatus(hubPath, c);
        if (!status)
            return 0;
        if (*status != 1)
            continue;
        const std::optional<std::string> portKey = tree.PortDriverKey(hubPath, c);
        if (portKey && Contains(*portKey, *driverKey)) {
            hubInfo = found->second;
            hubInfo.hubPort = static_cast<uint16_t>(c);
            return c;
        }
    }
    return 0;
}

} // namespace varnet
