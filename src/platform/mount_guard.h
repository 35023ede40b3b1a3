// The block devices in use on this computer, so that no production step ever
// touches them: every disk that holds, directly or through partitions,
// device-mapper (LVM, dm-crypt) or md layers, a mounted file system or an
// active swap area, wherever it is mounted. A desktop mounts a user's backup
// disk under /media just as it mounts a drive plugged for production, so the
// mount point never makes a disk safe to erase.
//
// Of the disks in use, the guard tells two kinds apart:
//  - the station's own: it holds the running system (/, /boot or anything
//    below it, /home, /usr, /var or below) or active swap. Nobody is to be
//    told to unmount such a disk;
//  - mounted: every other disk in use. It names the first of its mount
//    points in mount-table order, so the operator can unmount it and test it.
//
// Contract:
//  - reads R/proc/self/mountinfo and R/proc/swaps once, when constructed;
//    block devices are matched by major:minor (R/sys/dev/block, else the
//    "dev" attributes under R/sys/class/block), and, for file systems that
//    report an anonymous device number (btrfs), by the /dev source name;
//  - layers are followed both ways: "slaves/" down from a used device and
//    "holders/" up from a disk and its partitions;
//  - a mountinfo or swaps file that is missing or cannot be read (or is no
//    regular file) makes every disk count as the station's, because guessing
//    would risk the system disk or a mounted backup disk; Problem() then says
//    which file. A simulated root carries both files (empty ones are tables
//    with no entries);
//  - never throws; not thread-safe.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varnet {

struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string mountPoint; // unescaped
    std::string source;     // unescaped, e.g. "/dev/sda2"
};

// One entry per well-formed line; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);
// The file names of the active swap areas (partitions and files), unescaped.
std::vector<std::string> ParseSwaps(std::string_view text);
// Undoes the kernel's octal escapes ("\040" for a blank, "\011", "\012",
// "\134"); anything else stays as it is.
std::string UnescapeMountField(std::string_view text);
// Whether a mount point is one the running system lives on: /, /home, or
// /boot, /usr, /var and anything below them.
bool IsSystemMountPoint(std::string_view mountPoint);

enum class DiskUse {
    Free,    // nothing of it is mounted or swapped on: it may be bound
    Mounted, // a file system of it is mounted, none the system's
    Station, // the system's own, or the tables could not be read
};

struct DiskUseVerdict {
    DiskUse use = DiskUse::Free;
    std::string mountPoint; // Mounted: the first mount point; else empty
};

class MountGuard {
public:
    explicit MountGuard(const std::filesystem::path& root);

    // How the disk (a whole-disk name such as "sda") is used. Every disk is
    // the station's while Failed(). Results are kept per disk.
    DiskUseVerdict Use(std::string_view diskName);
    // Whether the disk must never be touched: anything but Free.
    bool InUse(std::string_view diskName) { return Use(diskName).use != DiskUse::Free; }

    // True when a mount table or the swap list is missing or unreadable.
    bool Failed() const { return failed_; }
    // Why no disk may be bound, naming the file; empty unless Failed().
    const std::string& Problem() const { return problem_; }
    // The block devices (by name, e.g. "sda2", "dm-0") in use, and the devices
    // they rest on, down to the disks.
    std::set<std::string> UsedDevices() const;

private:
    // How a device is used: by the system, and by which mount first (an
    // index into mountPoints_; kNoMount for none).
    static constexpr size_t kNoMount = static_cast<size_t>(-1);
    struct Usage {
        bool system = false;
        size_t firstMount = kNoMount;
        // Whether `other` adds anything; if so, takes it in.
        bool Absorb(const Usage& other);
    };

    bool ReadTable(const std::string& path, const char* what, std::string& bytes);
    std::string ClassBlock(std::string_view name) const;
    std::string NameOfDevice(unsigned major, unsigned minor);
    std::string NameOfDevPath(const std::string& devPath);
    void MarkUsed(const std::string& name, const Usage& usage, int depth);
    void AddHolderUsage(const std::string& folder, Usage& usage, int depth) const;
    void AddDeviceUsage(const std::string& name, Usage& usage) const;

    std::string root_; // without a trailing '/'; empty for "/"
    bool failed_ = false;
    std::string problem_;
    std::unordered_map<std::string, Usage> used_;
    std::vector<std::string> mountPoints_;
    bool numbersScanned_ = false;
    std::unordered_map<std::string, std::string> nameByNumber_; // "8:2" -> "sda2"
    std::unordered_map<std::string, DiskUseVerdict> diskVerdicts_;
};

} // namespace varnet
