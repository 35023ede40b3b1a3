// Disk arrival and removal under a device root R, as udev announces them: it
// makes and removes the links under R/dev/disk, R/dev/disk/by-id and
// R/dev/disk/by-path once the kernel has added or dropped the disk in sysfs.
// The watcher takes any change there as the cue to list the disks again (a
// fresh SysfsDeviceTree) and reports the difference to the previous list by
// interface path.
//
// Contract:
//  - the constructor arms the watches and takes the first list; that list is
//    the baseline, not reported as arrivals;
//  - a watched folder that does not exist yet (R/dev/disk before the first
//    disk, by-id after udev removed it with its last link) is waited for on
//    its nearest existing parent inside R, and armed as soon as it appears;
//  - Fd() is readable when events are pending: hand it to poll/select or a
//    socket notifier, then call ReadChanges(), which never blocks. A batch
//    of events that changes nothing gives an empty list;
//  - when the disks cannot be listed at all (sysfs unreadable for a moment)
//    the previous list stays and nothing is reported;
//  - without inotify (Fd() < 0) nothing is ever reported; no function throws;
//  - not thread-safe: one thread owns the watcher.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace varnet {

struct DiskChange {
    enum class Kind { Arrived, Removed };
    Kind kind = Kind::Arrived;
    std::string path; // the disk's interface path
};

class DiskWatcher {
public:
    explicit DiskWatcher(const std::filesystem::path& root);
    ~DiskWatcher();
    DiskWatcher(const DiskWatcher&) = delete;
    DiskWatcher& operator=(const DiskWatcher&) = delete;

    int Fd() const { return fd_; }

    // Drains pending events; when there were any, lists the disks again and
    // returns the removals, then the arrivals, each in path order.
    std::vector<DiskChange> ReadChanges();

    // Waits up to timeout for a batch that changes the disk list (for tests
    // and headless runs); empty when none came in time.
    std::vector<DiskChange> WaitForChanges(std::chrono::milliseconds timeout);

    // Waits up to timeout for any event and handles it (re-arming folders,
    // listing again); true when one came. Lets a caller know a folder it just
    // made is watched before it puts links in it.
    bool WaitForEvents(std::chrono::milliseconds timeout);

    // Whether all three folders are watched themselves (rather than waited
    // for on a parent): the readiness a caller can wait on after making them.
    bool IsArmed() const;

    // The interface paths of the disks present at the last listing.
    const std::set<std::string>& Disks() const { return disks_; }

private:
    bool DrainEvents();
    void Arm();
    bool Relevant(int watch, const char* name) const;
    std::vector<DiskChange> Rescan();

    std::string root_;
    std::vector<std::string> targets_;
    int fd_ = -1;
    std::map<int, std::string> watches_; // watch descriptor -> folder
    std::set<std::string> disks_;
    std::vector<DiskChange> pending_; // found by WaitForEvents, not yet read
};

} // namespace varnet
