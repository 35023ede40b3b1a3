#include "devices/device_table.h"

#include "platform/text.h"

namespace varnet {

void CDeviceTable::ClearPorts() {
    std::lock_guard lock(pathMutex_);
    for (size_t p = 0; p < portDevicePath.size(); ++p) {
        portDevicePath[p].fill('\0');
        portIdentifySerial[p].fill('\0');
        portIdentifyModel[p].fill('\0');
        portDriveNumber[p] = 0;
        portDriveLetter[p] = '\0';
        mountNotes_[p] = {};
    }
}

std::string_view CDeviceTable::DevicePath(int port) const {
    return FieldText(portDevicePath[static_cast<size_t>(port)]);
}

std::string CDeviceTable::DevicePathCopy(int port) const {
    std::lock_guard lock(pathMutex_);
    return std::string(DevicePath(port));
}

bool CDeviceTable::HoldsPath(std::string_view path, int limit) const {
    for (int p = 0; p < limit && p < kPortCount; ++p)
        if (DevicePath(p) == path)
            return true;
    return false;
}

void CDeviceTable::Bind(int port, std::string_view path, int32_t driveNumber) {
    std::lock_guard lock(pathMutex_);
    SetFieldText(portDevicePath[static_cast<size_t>(port)], path);
    portDriveNumber[static_cast<size_t>(port)] = driveNumber;
    mountNotes_[static_cast<size_t>(port)] = {};
}

int CDeviceTable::Release(std::string_view path) {
    for (MountNote& note : mountNotes_)
        if (note.path == path)
            note = {};
    for (int p = 0; p < kPortCount; ++p) {
        if (DevicePath(p) != path)
            continue;
        std::lock_guard lock(pathMutex_);
        portDevicePath[static_cast<size_t>(p)].fill('\0');
        portDriveNumber[static_cast<size_t>(p)] = 0;
        portDriveLetter[static_cast<size_t>(p)] = '\0';
        return p;
    }
    return -1;
}

void CDeviceTable::NoteMounted(int port, std::string_view path, std::string_view mountPoint) {
    mountNotes_[static_cast<size_t>(port)] = {std::string(path), std::string(mountPoint)};
}

std::string_view CDeviceTable::MountedAt(int port) const {
    return mountNotes_[static_cast<size_t>(port)].mountPoint;
}

std::string_view CDeviceTable::MountedPath(int port) const {
    return mountNotes_[static_cast<size_t>(port)].path;
}

} // namespace varnet
