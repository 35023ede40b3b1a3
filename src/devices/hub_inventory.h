// The USB hub inventory a scan builds first, and the lookup of the hub port a
// USB device hangs on. The slot arithmetic of the scan modes rests on the
// facts recorded here: whether a hub sits in a cascade box (its parent has
// the same vendor and product), which cascade head or stand-alone 4-port hub
// it is in enumeration order, and the port of its parent it hangs on.
// Nothing here fails loudly: a hub or request that does not answer is skipped.
#pragma once

#include "devices/device_table.h"
#include "platform/device_tree.h"

namespace varnet {

// Fills allHubs and externalHubs of the table from the present hubs; returns
// the number of cascade heads. Maps are replaced, not merged.
int BuildHubInventory(CDeviceTable& table, DeviceTree& tree);

// The 1-based port of the hub hubDevInst on which the USB device usbDevInst
// is connected, with the hub's record (hubPort := that port) in hubInfo; 0
// when the hub is unknown to the inventory or does not answer.
int FindHubPort(const CDeviceTable& table, DeviceTree& tree, DevNode usbDevInst, DevNode hubDevInst,
                ST_HUBINFO& hubInfo);

// Empties both hub maps when a scan ends, however it ends.
class HubMapsGuard {
public:
    explicit HubMapsGuard(CDeviceTable& table) : table_(table) {}
    ~HubMapsGuard() {
        table_.externalHubs.clear();
        table_.allHubs.clear();
    }
    HubMapsGuard(const HubMapsGuard&) = delete;
    HubMapsGuard& operator=(const HubMapsGuard&) = delete;

private:
    CDeviceTable& table_;
};

} // namespace varnet
