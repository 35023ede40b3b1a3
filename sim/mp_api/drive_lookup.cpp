#include "drive_lookup.h"

#include "platform/ini_file.h"
#include "platform/text_format.h"

namespace varnet::sim {

std::string KernelDiskName(int driveNumber) {
    if (driveNumber < 1)
        return {};
    // Bijective base 26: after z comes aa, not ba.
    std::string letters;
    for (unsigned n = static_cast<unsigned>(driveNumber); n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('a' + (n - 1) % 26));
    return "sd" + letters;
}

std::filesystem::path AttachedListFile() {
    return std::filesystem::path("Sim") / "attached.ini";
}

std::filesystem::path StationDescriptionFile() {
    return std::filesystem::path("Sim") / "station.txt";
}

DriveLookup LookUpDrive(int driveNumber) {
    DriveLookup result;
    result.diskName = KernelDiskName(driveNumber);
    if (result.diskName.empty()) {
        result.error = Format("no drive number %d", driveNumber);
        return result;
    }
    const std::string name = IniGetString(AttachedListFile(), "Disks", result.diskName, "", 256);
    if (name.empty()) {
        result.error = Format("no drive attached as %s", result.diskName.c_str());
        return result;
    }
    StationDescription station;
    if (const Status loaded = LoadStationDescription(StationDescriptionFile(), station); !loaded.ok()) {
        result.error = loaded.message();
        return result;
    }
    const SimDisk* disk = station.FindDisk(name);
    if (!disk || disk->kind != DiskKind::UsbDrive) {
        result.error =
            Format("%s names '%s', which is no drive of the station", result.diskName.c_str(), name.c_str());
        return result;
    }
    result.disk = *disk;
    result.found = true;
    return result;
}

} // namespace varnet::sim
