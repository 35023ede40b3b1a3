// Writes and changes a simulated station's device root: the sys/, dev/disk/
// and proc/ files a Linux kernel and udev would show for the hubs and disks of
// a station description (docs/device_root.md is the layout). The program's
// device adapter reads such a root exactly as it reads a real machine, so
// everything here follows what the kernel and udev do, down to the order in
// which they hand out numbers and names:
//  - bus numbers go to the USB controllers in line order, the USB 2 root hub
//    of a controller first, then its SuperSpeed root hub;
//  - devices attach hub by hub as the kernel's hub thread finds them: the
//    root hubs in bus order, then every hub in the order it was found, each
//    one's ports in order; a bus's device numbers follow that order (the root
//    hub is 1), and a later plug takes the number after the highest in use;
//  - SCSI host numbers and sd names are the lowest free ones, the station's
//    SATA disks taking theirs before any USB disk, USB disks in attach order;
//  - a plug writes the sysfs entries (and the /dev node) before udev's links
//    appear; each link is made under a temporary name (".#<name><hex>") and
//    renamed into place, so a watcher sees IN_MOVED_TO for it. An unplug
//    removes the sysfs entries first and udev's links after them, and a
//    by-id or by-path folder goes with its last link;
//  - a drive's by-id link exists only when its USB bridge has a serial
//    number; every USB disk has a by-path link.
// /dev nodes are empty files: a simulated root cannot hold device nodes, but
// udev's links must resolve.
//
// simDir/attached.ini, section [Disks], maps the kernel name of every
// attached drive ("sdb") to its name in the description; the stand-in device
// library reads it to find the drive behind a drive number. It changes
// before a plugged drive's links appear and after an unplugged drive's sysfs
// entries are gone. Other sections of the file are left alone.
#pragma once

#include "platform/status.h"
#include "station_description.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace varnet::sim {

// Every function takes a description as ParseStationDescription accepts it.
//
// Writes the whole root for the description, removing an earlier one first
// (a folder that holds anything but sys, dev and proc is refused, so that a
// slip of the argument cannot wipe a real folder). Drives marked unplugged
// are left out. An empty simDir writes no attached.ini.
Status WriteDeviceRoot(const StationDescription& description, const std::filesystem::path& rootDir,
                       const std::filesystem::path& simDir);

// Attaches or removes one USB disk of the description (a drive or a card
// reader) in a root written by WriteDeviceRoot, as the kernel and udev would.
// Plugging an attached disk, unplugging an absent one, an unknown name or a
// station disk is an error that changes nothing.
Status PlugDrive(const StationDescription& description, const std::filesystem::path& rootDir,
                 const std::filesystem::path& simDir, std::string_view name);
Status UnplugDrive(const StationDescription& description, const std::filesystem::path& rootDir,
                   const std::filesystem::path& simDir, std::string_view name);

// The kernel's name of the SCSI disk with the given index: 0 = "sda",
// 25 = "sdz", 26 = "sdaa".
std::string ScsiDiskName(int index);

} // namespace varnet::sim
