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

#include "mplib/host_process.h"
#include "mplib/library_fault.h"
#include "mplib/library_settings.h"
#include "mplib/mp_library.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace varnet {

using HostFault = LibraryFault;

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
    std::optional<LibraryFault> TakeFault() override;
    // Starts the host now (the start-up check): false and why when the host
    // cannot start or its library does not load.
    Status Warm();
    // Forgets the crash count and a stuck host (Refresh, a replugged drive).
    void Reset() override;
    // Kills the host of a call in progress; any thread.
    void Interrupt() override { host_.Interrupt(); }
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
