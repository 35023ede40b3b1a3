// Writes small device roots in the kernel's sysfs layout for the cases the
// laptop fixture does not show (odd names, broken attributes, LVM and md
// stacks, many disks). Folders are given relative to the root, as in
// "sys/devices/pci0000:00/0000:00:14.0"; links are made relative, as the
// kernel makes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnet::test {

struct UsbInfo {
    std::string vendor = "0781";
    std::string product = "5581";
    std::string deviceClass = "00";
    int maxchild = 0;
    int speed = 480;
    std::optional<std::string> serial;
};

struct DiskInfo {
    std::string vendor = "SanDisk ";
    std::string model = "Ultra           ";
    uint64_t sectors = 60088320; // 512-byte units, as "size" counts
    int removable = 1;
    int blockLength = 512;
};

class SysfsRoot {
public:
    // The root with sys/devices and with empty proc/self/mountinfo and
    // proc/swaps (nothing mounted, no swap).
    explicit SysfsRoot(std::filesystem::path root);
    const std::filesystem::path& path() const { return root_; }

    // An attribute: the value and a line end.
    void Attr(std::string_view file, std::string_view value) const;
    void Link(std::string_view link, std::string_view target) const;
    void Remove(std::string_view path) const;

    // The PCI function "pci0000:00/<slot>".
    std::string Pci(std::string_view slot, std::string_view vendor = "0x8086",
                    std::string_view device = "0xa36d") const;
    // A USB device (root hub "usbN" or "<bus>-<ports>") in parentDir.
    std::string Usb(std::string_view parentDir, std::string_view name, const UsbInfo& info) const;
    // A hub: a USB device with class 09, its hub interface and ports.
    std::string Hub(std::string_view parentDir, std::string_view name, int ports, int speed = 480) const;
    // An sd disk behind the mass-storage interface of a USB device.
    std::string UsbDisk(std::string_view deviceDir, int host, int lun, std::string_view name,
                        const DiskInfo& info = {}) const;
    // An sd disk on a SATA port of an AHCI function.
    std::string AtaDisk(std::string_view pciDir, int port, int host, std::string_view name,
                        const DiskInfo& info = {}) const;
    std::string Partition(std::string_view diskDir, std::string_view name, int number) const;
    // A dm, md or loop device under sys/devices/virtual/block.
    std::string VirtualBlock(std::string_view name, std::string_view dev) const;

    void Mountinfo(std::string_view text) const;
    void Swaps(std::string_view text) const;

    // "8:16" for sdb, "65:160" for sdaa, as the sd driver numbers them.
    static std::string SdDev(std::string_view name);

private:
    std::string Block(std::string_view dir, std::string_view name, std::string_view dev,
                      const DiskInfo& info) const;

    std::filesystem::path root_;
};

} // namespace varnet::test
