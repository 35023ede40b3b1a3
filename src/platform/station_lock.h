// StationLock: one program per station folder. Two programs on one folder
// would both run every drive and both write its files, so the window and the
// headless runner hold an exclusive lock on the folder's lock file
// (".varnettool.lock") for as long as they use the folder.
//
// The lock is the kernel's flock on that file: a program that dies, however
// it dies, frees it, and no stale lock ever needs clearing by hand. The
// file holds the holder's PID and host name (one line each) so that a
// refused program can say who holds the folder. The descriptor is
// close-on-exec, so a child the program starts never keeps the folder locked
// after the program is gone.
//
// Ownership and threads: the object owns the lock (RAII, movable, not
// copyable); release it by Release() or by destroying or replacing it, for
// instance to take another folder. One thread at a time per object. Nothing
// throws: Take answers with a Status and, when another program holds the
// folder, inUse set and the holder's message.
#pragma once

#include "platform/status.h"

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace varnet {

inline constexpr const char* kStationLockFileName = ".varnettool.lock";

class StationLock {
public:
    StationLock() = default;
    ~StationLock();
    StationLock(StationLock&& other) noexcept;
    StationLock& operator=(StationLock&& other) noexcept;
    StationLock(const StationLock&) = delete;
    StationLock& operator=(const StationLock&) = delete;

    struct Refusal {
        bool inUse = false; // another program holds the folder (else the lock file could not be used)
        pid_t holderPid = 0;
        std::string holderHost;
    };

    // Takes the folder's lock without waiting. On failure the lock held
    // before (if any) is kept; the Status says "This station folder is in
    // use by varnettool (PID 1234) on <host>" when another program holds
    // it, else why the lock file could not be used.
    Status Take(const std::filesystem::path& folder, Refusal* refusal = nullptr);
    void Release();

    bool Held() const { return fd_ >= 0; }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    int fd_ = -1;
    std::filesystem::path folder_;
};

// The refusal text for a holder; PID 0 and an empty host when the holder has
// not written them yet.
std::string StationInUseMessage(pid_t holderPid, const std::string& holderHost);

} // namespace varnet
