#include "sysfs_root_builder.h"

#include "temp_dir.h"

#include <stdexcept>

namespace varnet::test {
namespace fs = std::filesystem;

SysfsRoot::SysfsRoot(fs::path root) : root_(std::move(root)) {
    fs::create_directories(root_ / "sys/devices");
    // A root without them binds no disk: nothing mounted, no swap.
    Mountinfo("");
    Swaps("Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n");
}

void SysfsRoot::Attr(std::string_view file, std::string_view value) const {
    fs::path full = root_ / file;
    fs::create_directories(full.parent_path());
    WriteText(full, std::string(value) + "\n");
}

void SysfsRoot::Link(std::string_view link, std::string_view target) const {
    fs::path full = root_ / link;
    fs::create_directories(full.parent_path());
    fs::create_symlink((root_ / target).lexically_relative(full.parent_path()), full);
}

void SysfsRoot::Remove(std::string_view path) const {
    fs::remove_all(root_ / path);
}

std::string SysfsRoot::Pci(std::string_view slot, std::string_view vendor, std::string_view device) const {
    std::string dir = "sys/devices/pci0000:00/" + std::string(slot);
    Attr(dir + "/vendor", vendor);
    Attr(dir + "/device", device);
    Attr(dir + "/uevent", "PCI_SLOT_NAME=" + std::string(slot));
    return dir;
}

std::string SysfsRoot::Usb(std::string_view parentDir, std::string_view name, const UsbInfo& info) const {
    std::string dir = std::string(parentDir) + "/" + std::string(name);
    Attr(dir + "/idVendor", info.vendor);
    Attr(dir + "/idProduct", info.product);
    Attr(dir + "/bDeviceClass", info.deviceClass);
    Attr(dir + "/maxchild", std::to_string(info.maxchild));
    Attr(dir + "/speed", std::to_string(info.speed));
    if (info.serial)
        Attr(dir + "/serial", *info.serial);
    Link("sys/bus/usb/devices/" + std::string(name), dir);
    return dir;
}

std::string SysfsRoot::Hub(std::string_view parentDir, std::string_view name, int ports, int speed) const {
    UsbInfo info;
    info.vendor = "05e3";
    info.product = speed >= 5000 ? "0626" : "0610";
    info.deviceClass = "09";
    info.maxchild = ports;
    info.speed = speed;
    std::string dir = Usb(parentDir, name, info);
    std::string interface =
        name.starts_with("usb") ? std::string(name.substr(3)) + "-0:1.0" : std::string(name) + ":1.0";
    Attr(dir + "/" + interface + "/bInterfaceClass", "09");
    Link("sys/bus/usb/devices/" + interface, dir + "/" + interface);
    return dir;
}

std::string SysfsRoot::UsbDisk(std::string_view deviceDir, int host, int lun, std::string_view name,
                               const DiskInfo& info) const {
    std::string device(fs::path(deviceDir).filename().string());
    std::string interface = std::string(deviceDir) + "/" + device + ":1.0";
    Attr(interface + "/bInterfaceClass", "08");
    std::string h = std::to_string(host);
    std::string scsi = interface + "/host" + h + "/target" + h + ":0:0/" + h + ":0:0:" + std::to_string(lun);
    return Block(scsi, name, SdDev(name), info);
}

std::string SysfsRoot::AtaDisk(std::string_view pciDir, int port, int host, std::string_view name,
                               const DiskInfo& info) const {
    std::string h = std::to_string(host);
    std::string scsi = std::string(pciDir) + "/ata" + std::to_string(port) + "/host" + h + "/target" + h +
                       ":0:0/" + h + ":0:0:0";
    return Block(scsi, name, SdDev(name), info);
}

std::string SysfsRoot::Block(std::string_view scsiDir, std::string_view name, std::string_view dev,
                             const DiskInfo& info) const {
    std::string scsi(scsiDir);
    Attr(scsi + "/vendor", info.vendor);
    Attr(scsi + "/model", info.model);
    Attr(scsi + "/type", "0");
    std::string dir = scsi + "/block/" + std::string(name);
    Attr(dir + "/dev", dev);
    Attr(dir + "/size", std::to_string(info.sectors));
    Attr(dir + "/removable", std::to_string(info.removable));
    Attr(dir + "/queue/logical_block_size", std::to_string(info.blockLength));
    Link("sys/block/" + std::string(name), dir);
    Link("sys/class/block/" + std::string(name), dir);
    return dir;
}

std::string SysfsRoot::Partition(std::string_view diskDir, std::string_view name, int number) const {
    std::string dir = std::string(diskDir) + "/" + std::string(name);
    std::string diskDev = ReadText(root_ / diskDir / "dev");
    size_t colon = diskDev.find(':');
    int minor = std::stoi(diskDev.substr(colon + 1)) + number;
    Attr(dir + "/partition", std::to_string(number));
    Attr(dir + "/dev", diskDev.substr(0, colon + 1) + std::to_string(minor));
    Link("sys/class/block/" + std::string(name), dir);
    return dir;
}

std::string SysfsRoot::VirtualBlock(std::string_view name, std::string_view dev) const {
    std::string dir = "sys/devices/virtual/block/" + std::string(name);
    Attr(dir + "/dev", dev);
    Attr(dir + "/size", "2048");
    Link("sys/block/" + std::string(name), dir);
    Link("sys/class/block/" + std::string(name), dir);
    return dir;
}

void SysfsRoot::Mountinfo(std::string_view text) const {
    fs::create_directories(root_ / "proc/self");
    WriteText(root_ / "proc/self/mountinfo", text);
}

void SysfsRoot::Swaps(std::string_view text) const {
    fs::create_directories(root_ / "proc");
    WriteText(root_ / "proc/swaps", text);
}

std::string SysfsRoot::SdDev(std::string_view name) {
    int index = -1;
    for (char c : name.substr(2))
        index = (index + 1) * 26 + (c - 'a');
    int major = index < 16 ? 8 : 65 + (index - 16) / 16;
    return std::to_string(major) + ":" + std::to_string((index % 16) * 16);
}

} // namespace varnet::test
