// The block devices the station itself stands on, so that no production step
// ever touches them: every disk that holds, directly or through partitions,
// device-mapper (LVM, dm-crypt) or md layers, a mounted file system or an
// active swap area. Mounts under /media and /run/media do not count: that is
// where the desktop mounts the drives under production.
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
// Whether a mount point lies under /media or /run/media.
bool IsRemovableMediaMount(std::string_view mountPoint);

class MountGuard {
public:
    explicit MountGuard(const std::filesystem::path& root);

    // Whether the disk (a whole-disk name such as "sda") must never be
    // touched. Results are kept per disk.
    bool HoldsStationData(std::string_view diskName);

    // True when a mount table or the swap list is missing or unreadable.
    bool Failed() const { return failed_; }
    // Why no disk may be bound, naming the file; empty unless Failed().
    const std::string& Problem() const { return problem_; }
    // The block devices (by name, e.g. "sda2", "dm-0") in use, and the devices
    // they rest on, down to the disks.
    const std::set<std::string>& UsedDevices() const { return used_; }

private:
    bool ReadTable(const std::string& path, const char* what, std::string& bytes);
    std::string ClassBlock(std::string_view name) const;
    std::string NameOfDevice(unsigned major, unsigned minor);
    std::string NameOfDevPath(const std::string& devPath);
    void MarkUsed(const std::string& name, int depth);
    bool HolderUsed(const std::string& name, int depth);

    std::string root_; // without a trailing '/'; empty for "/"
    bool failed_ = false;
    std::string problem_;
    std::set<std::string> used_;
    bool numbersScanned_ = false;
    std::unordered_map<std::string, std::string> nameByNumber_; // "8:2" -> "sda2"
    std::unordered_map<std::string, bool> diskVerdicts_;
};

} // namespace varnet
