// Which disk sits on which of the 24 ports, and what the current scan knows
// of the USB hubs. One table lives in the main page's run state; scans fill
// it on the interface thread, and each port worker reads only its own
// port's drive number, letter, path and identify serial number.
//
// A drive may be pulled while its port's worker runs: the interface thread
// then clears the port's entry while the worker reads it. The drive number
// and the letter are therefore atomic, and the path is written under a lock
// that a reader on another thread takes too (DevicePathCopy); the interface
// thread, the only writer, reads it without.
//
// A port may instead carry a mount note: a disk a user mounted sits where
// the scan would have placed it, and is not bound. The note (the disk's
// first mount point) is the interface thread's alone.
#pragma once

#include "platform/port_count.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace varnet {

constexpr size_t kDevicePathSize = 512;

// What the inventory knows of one hub. In the copy FindHubPort hands out,
// hubPort is the hub's port the disk hangs on instead of the hub's own place.
struct ST_HUBINFO {
    uint8_t counted = 0;
    uint16_t hubPort = 0;
    uint16_t fourPortIndex = 0;
    uint16_t cascadeIndex = 0;
    uint16_t childCount = 0;
    std::array<char, kDevicePathSize> devicePath{};
};

using HubMap = std::map<std::string, ST_HUBINFO, std::less<>>;

struct CDeviceTable {
    std::array<std::array<char, kDevicePathSize>, kPortCount> portDevicePath{};
    std::array<std::atomic<int32_t>, kPortCount> portDriveNumber{};
    std::array<std::array<char, kDevicePathSize>, kPortCount> portIdentifySerial{};
    // The model name identify showed (for the port's run records).
    std::array<std::array<char, kDevicePathSize>, kPortCount> portIdentifyModel{};
    std::array<std::atomic<char>, kPortCount> portDriveLetter{};

    // Filled at the start of every scan and emptied at its end.
    HubMap externalHubs;
    HubMap allHubs;

    // "SataFlow" of Debug.txt as the last Refresh read it.
    int sataFlow = 0;

    // Every per-port field back to zero, mount notes included, before a full
    // scan places every disk afresh.
    void ClearPorts();

    // Interface thread.
    std::string_view DevicePath(int port) const;
    // Any thread.
    std::string DevicePathCopy(int port) const;
    bool IsFree(int port) const { return DevicePath(port).empty(); }
    // True when one of ports 0 .. limit - 1 holds exactly this path.
    bool HoldsPath(std::string_view path, int limit = kPortCount) const;
    // Also drops the port's mount note: a bound drive wins the port.
    void Bind(int port, std::string_view path, int32_t driveNumber);
    // A disk went away: its port becomes free (path, drive number and
    // letter cleared), and a mount note of the same disk goes too. Returns
    // the port it was bound to, or -1 when no port held the path.
    int Release(std::string_view path);

    // Mount notes (interface thread). The disk at `path` is mounted at
    // `mountPoint` and would have been placed on `port`.
    void NoteMounted(int port, std::string_view path, std::string_view mountPoint);
    // The port's mount point; empty when the port has no note.
    std::string_view MountedAt(int port) const;
    // The interface path of the disk the port's note is about; empty when
    // the port has no note.
    std::string_view MountedPath(int port) const;

private:
    struct MountNote {
        std::string path;
        std::string mountPoint;
    };

    mutable std::mutex pathMutex_;
    std::array<MountNote, kPortCount> mountNotes_;
};

} // namespace varnet
