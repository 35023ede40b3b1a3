// One library host: the varnet-mphost process, its socket and the shared
// page that carries the progress value. Starting it, one call through it
// with a budget, and its end however it comes (a reply, a signal, an exit, a
// budget passed, a process that will not die).
//
// A host belongs to one port: one call at a time, from that port's worker
// (not thread-safe otherwise). The process is killed when the object goes.
// Failures are values: a call says how it ended, nothing throws.
#pragma once

#include "mplib/host_protocol.h"
#include "platform/status.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

namespace varnet::mphost {

struct CallOutcome {
    enum Kind {
        kReplied,    // reply holds the library's answer
        kCrashed,    // the host died of a signal (signal) during the call
        kExited,     // the host exited (exitCode) during the call
        kTimedOut,   // the budget passed; the host was killed and reaped
        kUnreapable, // the budget passed and the killed host did not go away
        kBroken,     // the host answered nonsense or could not be reached (detail)
    } kind = kBroken;
    Reply reply;
    int signal = 0;
    int exitCode = 0;
    std::string detail;
};

// "SIGSEGV" and the like; "signal 63" for one without a name.
std::string SignalName(int signal);

class HostProcess {
public:
    HostProcess() = default;
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Spawns the host in the current working folder with the current
    // environment and waits (up to wait) for its Hello: what it says of the
    // library is in hello (result 0: the library did not load; text: why).
    Status Start(const std::filesystem::path& hostProgram, const std::filesystem::path& library,
                 std::chrono::milliseconds wait, Reply& hello);
    bool Running() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // Sends the request and waits for its reply until the budget passes,
    // mirroring the host's progress value into *progress (when given) as it
    // moves. After any outcome but kReplied the process is gone (or, for
    // kUnreapable, abandoned) and Running() is false.
    CallOutcome Call(Request request, std::chrono::milliseconds budget, int32_t* progress);

    // Kills the host (SIGKILL) and reaps it, waiting up to reapWait; false
    // when it would not go away.
    bool Kill(std::chrono::milliseconds reapWait);
    // SIGKILL to a host in the middle of a call, from any thread: the call
    // then ends as the host's death.
    void Interrupt();

    // How long a killed host may take to go away; tests shorten it.
    std::chrono::milliseconds reapWait{5000};
    // Test injection: behave as if a killed host never went away.
    bool simulateUnreapable = false;

private:
    // Waits for the exited host and fills how it ended.
    void Reap(CallOutcome& outcome);
    void Abandon();
    void CloseAll();

    pid_t pid_ = -1;
    std::mutex pidfdMutex_; // the pidfd's closing against Interrupt
    int pidfd_ = -1;
    int socket_ = -1;
    int32_t* shared_ = nullptr; // the progress page
    uint32_t sequence_ = 0;
};

} // namespace varnet::mphost
