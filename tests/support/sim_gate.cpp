#include "sim_gate.h"

#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace varnet::test {

SimGate::SimGate(std::filesystem::path stationFolder, const std::string& drive, const std::string& entry)
    : fifo_(stationFolder / "Sim" / ("gate-" + drive + "-" + entry)), reached_(fifo_.string() + ".reached") {}

bool SimGate::WaitReached(std::chrono::milliseconds bound) const {
    const auto until = std::chrono::steady_clock::now() + bound;
    std::error_code ec;
    while (!std::filesystem::exists(reached_, ec)) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool SimGate::Release() const {
    // Non-blocking: with no call at the gate there is no reader, and the
    // open fails instead of waiting for one.
    const int fd = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const char byte = 1;
    const bool written = ::write(fd, &byte, 1) == 1;
    ::close(fd);
    return written;
}

} // namespace varnet::test
