#include "platform/disk_watcher.h"

#include "platform/diagnostic_log.h"
#include "platform/sysfs_device_tree.h"
#include "platform/sysfs_files.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace varnet {
namespace {

constexpr uint32_t kFolderEvents =
    IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

DiskWatcher::DiskWatcher(const std::filesystem::path& root) {
    try {
        root_ = sysfs::RootPrefix(root);
        targets_ = {root_ + "/dev/disk", root_ + "/dev/disk/by-id", root_ + "/dev/disk/by-path"};
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // Armed before the first list, so that a disk arriving in between is
        // seen by the next batch rather than lost.
        Arm();
        Rescan();
    } catch (...) {
        LogCaught();
        // Out of memory: a watcher that reports nothing.
    }
}

DiskWatcher::~DiskWatcher() {
    if (fd_ >= 0)
        ::close(fd_);
}

void DiskWatcher::Arm() {
    if (fd_ < 0)
        return;
    for (const std::string& target : targets_) {
        if (std::any_of(watches_.begin(), watches_.end(),
                        [&](const auto& watch) { return watch.second == target; }))
            continue;
        // The folder itself, or the nearest one above it that exists, to hear
        // it being made.
        std::string folder = target;
        for (;;) {
            int watch = ::inotify_add_watch(fd_, folder.empty() ? "/" : folder.c_str(), kFolderEvents);
            if (watch >= 0) {
                watches_[watch] = folder;
                break;
            }
            if ((errno != ENOENT && errno != ENOTDIR) || folder.size() <= root_.size())
                break;
            folder = std::string(sysfs::ParentPath(folder));
        }
    }
}

bool DiskWatcher::IsArmed() const {
    return fd_ >= 0 && std::all_of(targets_.begin(), targets_.end(), [this](const std::string& target) {
               return std::any_of(watches_.begin(), watches_.end(),
                                  [&](const auto& watch) { return watch.second == target; });
           });
}

// Events in a folder watched only as the parent of a missing one matter when
// they name the missing one; the rest of a real /dev is noise.
bool DiskWatcher::Relevant(int watch, const char* name) const {
    auto found = watches_.find(watch);
    if (found == watches_.end())
        return false;
    const std::string& folder = found->second;
    if (std::find(targets_.begin(), targets_.end(), folder) != targets_.end())
        return true;
    std::string child = folder + "/" + name;
    return std::any_of(targets_.begin(), targets_.end(), [&](const std::string& target) {
        return target == child || (target.starts_with(child) && target[child.size()] == '/');
    });
}

bool DiskWatcher::DrainEvents() {
    if (fd_ < 0)
        return false;
    bool relevant = false;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                relevant = true;
            } else if (event->mask & IN_IGNORED) {
                // The folder is gone (or moved away and dropped below).
                watches_.erase(event->wd);
                relevant = true;
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                // Forgotten now, not at IN_IGNORED, so that the re-arm below
                // looks for the folder again. A moved folder would keep its
                // watch under its new name: drop it.
                if (event->mask & IN_MOVE_SELF)
                    ::inotify_rm_watch(fd_, event->wd);
                watches_.erase(event->wd);
                relevant = true;
            } else if (Relevant(event->wd, event->len ? event->name : "")) {
                relevant = true;
            }
        }
    }
    if (relevant)
        Arm();
    return relevant;
}

std::vector<DiskChange> DiskWatcher::Rescan() {
    SysfsDeviceTree tree(root_.empty() ? std::filesystem::path("/") : std::filesystem::path(root_));
    std::optional<std::vector<DeviceInterface>> listed = tree.ListInterfaces(InterfaceClass::Disk);
    if (!listed)
        return {};
    std::set<std::string> now;
    for (DeviceInterface& disk : *listed)
        now.insert(std::move(disk.path));
    std::vector<DiskChange> changes;
    for (const std::string& path : disks_) {
        if (!now.count(path))
            changes.push_back({DiskChange::Kind::Removed, path});
    }
    for (const std::string& path : now) {
        if (!disks_.count(path))
            changes.push_back({DiskChange::Kind::Arrived, path});
    }
    disks_ = std::move(now);
    return changes;
}

std::vector<DiskChange> DiskWatcher::ReadChanges() {
    try {
        std::vector<DiskChange> changes = std::move(pending_);
        pending_.clear();
        if (DrainEvents()) {
            std::vector<DiskChange> more = Rescan();
            changes.insert(changes.end(), more.begin(), more.end());
        }
        return changes;
    } catch (...) {
        LogCaught();
        return {};
    }
}

bool DiskWatcher::WaitForEvents(std::chrono::milliseconds timeout) {
    if (fd_ < 0)
        return false;
    try {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (DrainEvents()) {
                std::vector<DiskChange> more = Rescan();
                pending_.insert(pending_.end(), more.begin(), more.end());
                return true;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd waitOn{fd_, POLLIN, 0};
            ::poll(&waitOn, 1, static_cast<int>(left.count()));
        }
    } catch (...) {
        LogCaught();
        return false;
    }
}

std::vector<DiskChange> DiskWatcher::WaitForChanges(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::vector<DiskChange> changes = ReadChanges();
        if (!changes.empty() || fd_ < 0)
            return changes;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return {};
        pollfd waitOn{fd_, POLLIN, 0};
        ::poll(&waitOn, 1, static_cast<int>(left.count()));
    }
}

} // namespace varnet
