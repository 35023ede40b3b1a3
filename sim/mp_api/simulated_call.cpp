#include "simulated_call.h"

#include "config/flash_database.h"
#include "drive_lookup.h"
#include "platform/file_io.h"
#include "platform/text_format.h"
#include "report_common.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnet::sim {
namespace {

constexpr size_t kBufferSize = 512;

void SetProgress(int32_t* progress, int32_t value) {
    if (progress)
        std::atomic_ref<int32_t>(*progress).store(value, std::memory_order_relaxed);
}

// Spends ms milliseconds, raising the progress value from `from` to `to`.
void TakeTime(int32_t* progress, int ms, int32_t from, int32_t to) {
    using Clock = std::chrono::steady_clock;
    if (ms <= 0)
        return;
    const auto start = Clock::now();
    const auto total = std::chrono::milliseconds(ms);
    const auto slice = std::chrono::milliseconds(std::clamp(ms / 50, 5, 100));
    while (true) {
        const auto elapsed = Clock::now() - start;
        if (elapsed >= total)
            break;
        const auto share = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
        SetProgress(progress, from + static_cast<int32_t>((to - from) * share / ms));
        std::this_thread::sleep_for(std::min<Clock::duration>(slice, total - elapsed));
    }
    SetProgress(progress, to);
}

struct Faults {
    const SimFault* fail = nullptr;
    const SimFault* fatal = nullptr; // crash, hang or exit: the call never comes back
    bool lose = false;
    bool noReport = false;
    bool gate = false;
    int delayMs = -1;
};

Faults FaultsOf(const SimDisk& disk, std::string_view entry) {
    Faults f;
    for (const SimFault& fault : disk.faults) {
        if (fault.entry != entry)
            continue;
        switch (fault.kind) {
        case FaultKind::Fail:
            f.fail = &fault;
            break;
        case FaultKind::NoReport:
            f.noReport = true;
            break;
        case FaultKind::Delay:
            f.delayMs = fault.ms;
            break;
        case FaultKind::Lose:
            f.lose = true;
            break;
        case FaultKind::Gate:
            f.gate = true;
            break;
        case FaultKind::Crash:
        case FaultKind::Hang:
        case FaultKind::Exit:
            f.fatal = &fault;
            break;
        }
    }
    return f;
}

// The drive's state, made from its description the first time it is used.
Status LoadOrCreateState(const std::filesystem::path& file, const SimDisk& disk, DriveState& state) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec))
        return LoadDriveState(file, state);
    FlashDatabase database;
    database.Load("FlashInfo.dat"); // a station without one still has drives
    state = NewDriveState(disk, database);
    return SaveDriveState(file, state);
}

// Holds the call until a byte arrives on the drive's FIFO for this entry
// point. The FIFO is opened for reading and writing so that the open never
// waits for a writer and a writer that closes without writing is no end of
// file; the .reached file is made only once the FIFO is open, so a test that
// saw it can write at once.
Status PassGate(const std::string& driveName, std::string_view entry) {
    const std::filesystem::path fifo =
        std::filesystem::path("Sim") / Format("gate-%s-%s", driveName.c_str(), std::string(entry).c_str());
    std::filesystem::path reached = fifo;
    reached += ".reached";
    if (::mkfifo(fifo.c_str(), 0600) != 0 && errno != EEXIST)
        return Status::Error(Format("cannot make the gate %s: %s", fifo.c_str(), std::strerror(errno)));
    const int fd = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return Status::Error(Format("cannot open the gate %s: %s", fifo.c_str(), std::strerror(errno)));
    const int mark = ::open(reached.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (mark < 0) {
        const int error = errno;
        ::close(fd);
        return Status::Error(Format("cannot mark the gate %s: %s", reached.c_str(), std::strerror(error)));
    }
    ::close(mark);
    char byte = 0;
    ssize_t got = 0;
    do {
        got = ::read(fd, &byte, 1);
    } while (got < 0 && errno == EINTR);
    const int error = errno;
    ::close(fd);
    ::unlink(reached.c_str());
    if (got != 1)
        return Status::Error(Format("cannot read the gate %s: %s", fifo.c_str(), std::strerror(error)));
    return Status::Ok();
}

std::string ExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return Format("simulation error: %s", e.what());
    } catch (...) {
        return "simulation error";
    }
}

CallOutcome Run(std::string_view entry, int driveNumber, const CallBuffers& buffers,
                const std::function<CallOutcome(DriveWork&)>& work) {
    const DriveLookup lookup = LookUpDrive(driveNumber);
    if (!lookup.found)
        return CallOutcome::Failure(kCodeNoDrive, Format("Drive %d: %s", driveNumber, lookup.error.c_str()));
    const SimDisk& disk = lookup.disk;
    // The gate comes before the state lock, so that a held call holds no
    // other call of the drive.
    if (FaultsOf(disk, entry).gate) {
        if (const Status passed = PassGate(disk.name, entry); !passed.ok())
            return CallOutcome::Failure(kCodeInternal, passed.message());
    }
    const std::filesystem::path file = DriveStateFile(disk.name);
    // Two numbers never name one drive on a sound station; should the
    // attached list say so anyway, the calls still take turns.
    std::lock_guard lock(FileLock(file));

    DriveState state;
    if (const Status loaded = LoadOrCreateState(file, disk, state); !loaded.ok())
        return CallOutcome::Failure(kCodeState, loaded.message());
    if (state.lost) {
        return CallOutcome::Failure(
            kCodeLost, Format("Drive %d (%s) does not answer", driveNumber, lookup.diskName.c_str()));
    }

    const Faults faults = FaultsOf(disk, entry);
    const int callMs = faults.delayMs >= 0 ? faults.delayMs : disk.callMs;
    if (faults.lose) {
        TakeTime(buffers.progress, callMs / 2, 0, 50);
        state.lost = true;
        if (const Status saved = SaveDriveState(file, state); !saved.ok())
            return CallOutcome::Failure(kCodeState, saved.message());
        return CallOutcome::Failure(
            kCodeLost, Format("Drive %d (%s) stopped answering", driveNumber, lookup.diskName.c_str()));
    }
    if (faults.fatal) {
        // What a faulty vendor library does to its process: the host that
        // serves the call goes with it (or, in process, the program).
        TakeTime(buffers.progress, callMs / 2, 0, 50);
        if (faults.fatal->kind == FaultKind::Crash)
            ::raise(SIGSEGV);
        if (faults.fatal->kind == FaultKind::Exit)
            ::_exit(std::stoi(faults.fatal->code));
        while (true)
            ::pause();
    }
    TakeTime(buffers.progress, callMs, 0, 99);

    DriveState changed = state;
    DriveWork context{driveNumber, disk, changed, callMs, faults.fail != nullptr};
    CallOutcome outcome = work(context);
    // A drive pulled while the call ran has done nothing that can be
    // reported: no report, no changed state, a failure as a real library
    // gives when its drive stops answering.
    if (const DriveLookup after = LookUpDrive(driveNumber); !after.found || after.disk.name != disk.name) {
        return CallOutcome::Failure(kCodeLost, Format("Drive %d (%s) was removed during the call",
                                                      driveNumber, lookup.diskName.c_str()));
    }
    if (faults.fail) {
        outcome.ok = false;
        outcome.code = faults.fail->code;
        outcome.message = faults.fail->message;
    }
    if (outcome.report && !outcome.reportPath.empty() && !faults.noReport) {
        const Status written =
            WriteReport(outcome.reportPath, outcome.report(outcome.ok ? "" : outcome.message));
        if (!written.ok() && outcome.ok)
            return CallOutcome::Failure(kCodeReport, written.message());
    }
    if (!outcome.ok)
        return outcome;
    if (const Status saved = SaveDriveState(file, changed); !saved.ok())
        return CallOutcome::Failure(kCodeState, saved.message());
    return outcome;
}

} // namespace

CallOutcome CallOutcome::Failure(std::string code, std::string message) {
    CallOutcome outcome;
    outcome.ok = false;
    outcome.code = std::move(code);
    outcome.message = std::move(message);
    return outcome;
}

void PutText(char* buffer, std::string_view text) {
    if (!buffer)
        return;
    const size_t length = std::min(text.size(), kBufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

uint8_t RunDriveCall(std::string_view entry, int driveNumber, const CallBuffers& buffers,
                     const std::function<CallOutcome(DriveWork&)>& work) noexcept {
    CallOutcome outcome;
    try {
        SetProgress(buffers.progress, 0);
        outcome = Run(entry, driveNumber, buffers, work);
    } catch (...) {
        outcome = CallOutcome::Failure(kCodeInternal, ExceptionText());
    }
    if (outcome.ok) {
        SetProgress(buffers.progress, 100);
        PutText(buffers.errorCode, "");
        PutText(buffers.errorMessage, "");
        return 1;
    }
    PutText(buffers.errorCode, outcome.code);
    PutText(buffers.errorMessage, outcome.message);
    return 0;
}

} // namespace varnet::sim
