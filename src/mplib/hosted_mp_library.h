// The device library of one port, served by a library host process
// (varnet-mphost): the stations call it exactly as the in-process library,
// and a crash, an exit or a hang of the library costs this port's call, not
// the program.
//
// The host starts on the first call and serves the port's later calls. A
// call that ends in a host fault returns false (the buffers as they were)
// and leaves the fault for the run's owner to take (TakeFault), who turns it
// into the port's verdict; the next call starts a fresh host. A port whose
// host crashed kCrashLimit times within kCrashWindow refuses calls until
// Reset (the operator's Refresh); a host that would not die after SIGKILL
// leaves the port refusing calls until the drive is replugged (Reset after
// the drive went away).
//
// Threads: one port's worker at a time (the port's calls never overlap).
// TakeFault and Reset from that worker or while the port does not run.
#pragma once

#include "mplib/mp_library.h"
#include "mplib/host_process.h"
#include "mplib/library_settings.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace varnet {

struct HostFault {
    enum Kind {
        kCrashed,     // signal
        kExited,      // exitCode
        kTimedOut,    // seconds
        kUnreapable,  // the host would not die: the drive must be replugged
        kRefused,     // too many crashes: the port waits for Refresh
        kUnavailable, // the host could not be started or answered nonsense (detail)
    } kind = kCrashed;
    std::string entryPoint;
    int signal = 0;
    int exitCode = 0;
    int seconds = 0;
    std::string detail;

    // "Error" or "Timeout": the run record's verdict.
    const char* Verdict() const;
    // The tile's text: "%sFail!\r\nLibrary crashed: SIGSEGV" and its kin,
    // with the verdict prefix; Chinese when language is 1.
    std::string TileText(std::string_view prefix, int language) const;
};

class HostedMpLibrary final : public MpLibrary {
public:
    static constexpr int kCrashLimit = 3;
    static constexpr std::chrono::minutes kCrashWindow{10};

    HostedMpLibrary(std::filesystem::path hostProgram, std::filesystem::path library,
                    LibrarySettings settings);

    bool GetIdentifyInfoBuf(int drive, uint8_t* buffer512) override;
    bool DoPretestInit(const Call& call) override;
    bool DoPretestInitRdtMark(const Call& call, bool burnInPassed) override;
    bool DoPretestInitRdtMarkCeMask(const Call& call, bool burnInPassed, uint32_t ceMask) override;
    bool ReadRdtLog(const Call& call) override;
    bool ReadRdtBadLog(const Call& call) override;
    bool DoEraseAll(const Call& call) override;
    bool GetAllFlashID(int drive, const char* outputFile) override;
    bool ScandBadBlock(int drive, const char* mpFirmwareName, const char* outputFile) override;
    bool ModifyDeviceInfo(int drive, const char* modelName, const char* serialNumber) override;
    bool DownLoadMicroCode(int drive, const char* firmwareFile) override;
    bool SecurityErase(int drive, char* errorMessage) override;
    bool ResetSmart(int drive) override;
    bool WriteReadPH(int drive, int mode, uint8_t* buffer, int length) override;

    // The fault of the last call, if it ended in one; cleared by taking it.
    std::optional<HostFault> TakeFault();
    // Starts the host now (the start-up check): false and why when the host
    // cannot start or its library does not load.
    Status Warm();
    // Forgets the crash count and a stuck host (Refresh, a replugged drive).
    void Reset();
    // Kills a running host (closing); waits at most reapWait.
    void Stop();
    pid_t HostPid() const { return host_.Pid(); }

    // Tests only: how long a killed host may take, and a host that never dies.
    mphost::HostProcess& ProcessForTests() { return host_; }

private:
    bool Run(mphost::Request& request, int32_t* progress, mphost::Reply& reply);
    bool EightArgument(mphost::Op op, const Call& call, uint8_t burnInPassed, uint32_t ceMask);
    Status EnsureHost();
    void NoteFault(HostFault fault);

    std::filesystem::path hostProgram_;
    std::filesystem::path library_;
    LibrarySettings settings_;
    mphost::HostProcess host_;
    std::deque<std::chrono::steady_clock::time_point> crashes_;
    bool stuck_ = false;
    std::mutex faultMutex_;
    std::optional<HostFault> fault_;
};

// The host program: beside the running executable, else in
// ../libexec/varnettool/ relative to its folder; never the station folder or
// PATH. nullopt when neither holds one.
std::optional<std::filesystem::path> FindHostProgram();

} // namespace varnet
