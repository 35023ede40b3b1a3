#include "app/end_signals.h"

#include "platform/text_format.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace varnet {
namespace {

int readFd = -1;
volatile sig_atomic_t writeFd = -1;
int first = 0;

extern "C" void OnEndSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // A full pipe already holds an unread signal: losing this one is fine.
    [[maybe_unused]] const ssize_t written = ::write(writeFd, &number, 1);
    errno = saved;
}

} // namespace

Status EndSignals::Install() {
    if (readFd >= 0)
        return Status::Ok();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return Status::Error(Format("cannot make the signal pipe: %s", std::strerror(errno)));
    readFd = fds[0];
    writeFd = fds[1];
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    // System calls the signal lands in go on; the loop learns of it from
    // the pipe.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        if (::sigaction(signal, &action, nullptr) != 0)
            return Status::Error(Format("cannot handle signal %d: %s", signal, std::strerror(errno)));
    return Status::Ok();
}

int EndSignals::Fd() {
    return readFd;
}

int EndSignals::Take() {
    if (readFd < 0)
        return first;
    unsigned char numbers[16];
    ssize_t n;
    while ((n = ::read(readFd, numbers, sizeof numbers)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0 && first == 0)
            first = numbers[0];
    return first;
}

} // namespace varnet
