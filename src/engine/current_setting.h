// The main page's "Current Setting" box: what station runs, with which
// controller, flash, firmware images and serial number, as texts ready to
// show.
#pragma once

#include "config/customer_record.h"
#include "config/station_config.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace varnet {

struct CurrentSetting {
    std::string testStation; // "%02d_%s"
    std::string controller;
    std::string flashType;
    std::string flashId;
    std::string ceNumber;
    std::string totalSize;
    std::string mpFirmware;
    std::string rdtFirmware;
    std::string workingOrder;
    std::string modelName;
    std::string serialCaption; // "Start SN:" / "SN Fixed:" (or the Chinese forms)
    std::string serialNumber;
    bool showSnScan = false;    // SN_Set with Scan Input
    bool showSlcBuffer = false; // customer code 6
};

// "QC7720" ... "9420RM" by the first model ControllerType contains, else
// "WrongCtlType".
std::string ControllerModelOf(std::string_view controllerType);

// The box for the record loaded from stationConfigPath (some fields are read
// from the file itself, as the box always showed them).
CurrentSetting ComposeCurrentSetting(const ST_STATION_CONFIG& config,
                                     const std::filesystem::path& stationConfigPath,
                                     const CustomerRecord& customer, int uiLanguage);

} // namespace varnet
