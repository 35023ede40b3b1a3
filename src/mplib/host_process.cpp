#include "mplib/host_process.h"

#include "platform/text_format.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;

namespace varnet::mphost {
namespace {

constexpr int kHostSocketFd = 3;
constexpr int kHostProgressFd = 4;
constexpr auto kPollStep = std::chrono::milliseconds(20);

int PidfdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int PidfdKill(int pidfd) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0));
}

std::string Errno(const char* what) {
    return Format("%s: %s", what, std::strerror(errno));
}

// Readable within wait: the process has ended.
bool WaitReadable(int fd, std::chrono::milliseconds wait) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do
        rc = ::poll(&p, 1, static_cast<int>(wait.count()));
    while (rc < 0 && errno == EINTR);
    return rc > 0;
}

} // namespace

std::string SignalName(int signal) {
    if (const char* abbrev = ::sigabbrev_np(signal))
        return std::string("SIG") + abbrev;
    return Format("signal %d", signal);
}

HostProcess::~HostProcess() {
    if (pid_ > 0)
        (void)Kill(reapWait);
    CloseAll();
}

Status HostProcess::Start(const std::filesystem::path& hostProgram, const std::filesystem::path& library,
                          std::chrono::milliseconds wait, Reply& hello) {
    if (pid_ > 0)
        (void)Kill(reapWait);
    CloseAll();
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return Status::Error(Errno("socketpair"));
    const int memfd = ::memfd_create("varnet-progress", MFD_CLOEXEC);
    if (memfd < 0 || ::ftruncate(memfd, 4096) != 0) {
        const Status failed = Status::Error(Errno("memfd_create"));
        ::close(pair[0]);
        ::close(pair[1]);
        if (memfd >= 0)
            ::close(memfd);
        return failed;
    }
    void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, memfd, 0);
    if (page == MAP_FAILED) {
        const Status failed = Status::Error(Errno("mmap"));
        ::close(pair[0]);
        ::close(pair[1]);
        ::close(memfd);
        return failed;
    }
    shared_ = static_cast<int32_t*>(page);
    socket_ = pair[0];

    // Above the fds the child gets, so that placing one cannot overwrite the other.
    const int childSocket = ::fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
    const int childMemfd = ::fcntl(memfd, F_DUPFD_CLOEXEC, 10);
    ::close(pair[1]);
    ::close(memfd);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childSocket, kHostSocketFd);
    posix_spawn_file_actions_adddup2(&actions, childMemfd, kHostProgressFd);
    // Nothing else of the program's (other hosts' sockets, files, the
    // window's connections) goes with it.
    posix_spawn_file_actions_addclosefrom_np(&actions, kHostProgressFd + 1);
    const std::string program = hostProgram.string();
    const std::string libraryText = library.string();
    std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                               const_cast<char*>("--socket"),
                               const_cast<char*>("3"),
                               const_cast<char*>("--progress"),
                               const_cast<char*>("4"),
                               const_cast<char*>("--library"),
                               const_cast<char*>(libraryText.c_str()),
                               nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(childSocket);
    ::close(childMemfd);
    if (spawned != 0) {
        CloseAll();
        return Status::Error(Format("cannot start %s: %s", program.c_str(), std::strerror(spawned)));
    }
    pid_ = pid;
    {
        std::lock_guard lock(pidfdMutex_);
        pidfd_ = PidfdOpen(pid);
    }
    if (pidfd_ < 0) {
        const Status failed = Status::Error(Errno("pidfd_open"));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid_ = -1;
        CloseAll();
        return failed;
    }
    Request none;
    none.op = Op::Hello;
    // The Hello arrives unasked; waiting for it is a call without a request.
    CallOutcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::vector<uint8_t> buffer(kMaxMessage + 1);
    while (true) {
        pollfd fds[2] = {{socket_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            (void)Kill(reapWait);
            return Status::Error(Format("%s did not answer within %lld ms", program.c_str(),
                                        static_cast<long long>(wait.count())));
        }
        const int rc = ::poll(fds, 2, static_cast<int>(std::min(left, kPollStep * 10).count()));
        if (rc < 0 && errno != EINTR)
            return Status::Error(Errno("poll"));
        if (rc <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::recv(socket_, buffer.data(), buffer.size(), 0);
            if (n > 0) {
                std::string error;
                std::optional<Reply> reply =
                    DecodeReply(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), error);
                if (!reply || reply->op != Op::Hello) {
                    (void)Kill(reapWait);
                    return Status::Error(
                        Format("%s: %s", program.c_str(),
                               reply ? "the first message was not its Hello" : error.c_str()));
                }
                hello = std::move(*reply);
                return Status::Ok();
            }
        }
        if ((fds[0].revents & (POLLHUP | POLLERR)) || (fds[1].revents & POLLIN)) {
            Reap(outcome);
            return Status::Error(Format("%s ended before it answered (%s)", program.c_str(),
                                        outcome.kind == CallOutcome::kCrashed
                                            ? SignalName(outcome.signal).c_str()
                                            : Format("exit %d", outcome.exitCode).c_str()));
        }
    }
}

CallOutcome HostProcess::Call(Request request, std::chrono::milliseconds budget, int32_t* progress) {
    CallOutcome outcome;
    if (pid_ <= 0) {
        outcome.detail = "the library host is not running";
        return outcome;
    }
    request.sequence = ++sequence_;
    std::atomic_ref<int32_t> shared(*shared_);
    shared.store(progress ? std::atomic_ref<int32_t>(*progress).load(std::memory_order_relaxed) : 0,
                 std::memory_order_relaxed);
    auto mirror = [&] {
        if (progress)
            std::atomic_ref<int32_t>(*progress).store(shared.load(std::memory_order_relaxed),
                                                      std::memory_order_relaxed);
    };
    const std::vector<uint8_t> message = EncodeRequest(request);
    if (::send(socket_, message.data(), message.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(message.size())) {
        // A host that died between calls: how it ended is the call's outcome.
        if (WaitReadable(pidfd_, std::chrono::milliseconds(1000))) {
            Reap(outcome);
            return outcome;
        }
        outcome.detail = Errno("send to the library host");
        (void)Kill(reapWait);
        return outcome;
    }
    const auto deadline = std::chrono::steady_clock::now() + budget;
    std::vector<uint8_t> buffer(kMaxMessage + 1);
    while (true) {
        mirror();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            if (Kill(reapWait)) {
                outcome.kind = CallOutcome::kTimedOut;
            } else {
                outcome.kind = CallOutcome::kUnreapable;
            }
            return outcome;
        }
        pollfd fds[2] = {{socket_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
        const int rc = ::poll(fds, 2, static_cast<int>(std::min(left, kPollStep).count()));
        if (rc < 0 && errno != EINTR) {
            outcome.detail = Errno("poll");
            (void)Kill(reapWait);
            return outcome;
        }
        if (rc <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::recv(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) {
                mirror();
                std::string error;
                std::optional<Reply> reply =
                    DecodeReply(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)), error);
                if (!reply || reply->op != request.op || reply->sequence != request.sequence) {
                    outcome.detail = reply ? "a reply to another call" : error;
                    (void)Kill(reapWait);
                    return outcome;
                }
                outcome.kind = CallOutcome::kReplied;
                outcome.reply = std::move(*reply);
                return outcome;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLIN)) || (fds[1].revents & POLLIN)) {
            // The socket closed or the process ended: give it a moment to be
            // reapable, then tell how it ended.
            if (WaitReadable(pidfd_, std::chrono::milliseconds(1000))) {
                Reap(outcome);
            } else {
                outcome.detail = "the library host closed its connection";
                (void)Kill(reapWait);
            }
            return outcome;
        }
    }
}

bool HostProcess::Kill(std::chrono::milliseconds wait) {
    if (pid_ <= 0)
        return true;
    (void)PidfdKill(pidfd_);
    if (simulateUnreapable || !WaitReadable(pidfd_, wait)) {
        Abandon();
        return false;
    }
    CallOutcome ignored;
    Reap(ignored);
    return true;
}

void HostProcess::Reap(CallOutcome& outcome) {
    if (pid_ <= 0)
        return;
    int status = 0;
    pid_t rc;
    do
        rc = ::waitpid(pid_, &status, 0);
    while (rc < 0 && errno == EINTR);
    if (rc == pid_ && WIFSIGNALED(status)) {
        outcome.kind = CallOutcome::kCrashed;
        outcome.signal = WTERMSIG(status);
    } else if (rc == pid_ && WIFEXITED(status)) {
        outcome.kind = CallOutcome::kExited;
        outcome.exitCode = WEXITSTATUS(status);
    } else {
        outcome.kind = CallOutcome::kBroken;
        outcome.detail = Errno("waitpid");
    }
    pid_ = -1;
    CloseAll();
}

// A process that did not go away after SIGKILL is stuck in the kernel (a
// drive that never completes an I/O): it is left to the kernel, and the
// port that used it is not used again until the drive goes.
void HostProcess::Abandon() {
    pid_ = -1;
    CloseAll();
}

void HostProcess::Interrupt() {
    std::lock_guard lock(pidfdMutex_);
    if (pidfd_ >= 0)
        (void)PidfdKill(pidfd_);
}

void HostProcess::CloseAll() {
    if (socket_ >= 0)
        ::close(socket_);
    std::lock_guard lock(pidfdMutex_);
    if (pidfd_ >= 0)
        ::close(pidfd_);
    if (shared_)
        ::munmap(shared_, 4096);
    socket_ = pidfd_ = -1;
    shared_ = nullptr;
}

} // namespace varnet::mphost
