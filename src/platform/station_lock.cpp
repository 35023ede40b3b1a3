#include "platform/station_lock.h"

#include "platform/text_format.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace varnet {
namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[512];
    off_t offset = 0;
    while (true) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<size_t>(n));
        offset += n;
        if (text.size() > 4096)
            return text;
    }
}

// "1234\nstation-7\n": false when the holder has not written it (yet).
bool ParseHolder(std::string_view text, pid_t& pid, std::string& host) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos)
        return false;
    long value = 0;
    const auto [ptr, error] = std::from_chars(text.data(), text.data() + end, value);
    if (error != std::errc() || ptr != text.data() + end || value <= 0)
        return false;
    const std::string_view rest = text.substr(end + 1);
    const size_t hostEnd = rest.find('\n');
    if (hostEnd == std::string_view::npos)
        return false;
    pid = static_cast<pid_t>(value);
    host = std::string(rest.substr(0, hostEnd));
    return true;
}

std::string HostName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return "this computer";
    return host;
}

} // namespace

std::string StationInUseMessage(pid_t holderPid, const std::string& holderHost) {
    if (holderPid <= 0)
        return "This station folder is in use by varnettool (PID unknown) on an unknown host";
    return Format("This station folder is in use by varnettool (PID %d) on %s", static_cast<int>(holderPid),
                  holderHost.c_str());
}

StationLock::~StationLock() {
    Release();
}

StationLock::StationLock(StationLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), folder_(std::move(other.folder_)) {}

StationLock& StationLock::operator=(StationLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        folder_ = std::move(other.folder_);
    }
    return *this;
}

void StationLock::Release() {
    if (fd_ < 0)
        return;
    // The file stays: removing it would let a program that opened the old
    // file and one that makes a new one both hold "the" lock.
    ::close(fd_);
    fd_ = -1;
    folder_.clear();
}

Status StationLock::Take(const std::filesystem::path& folder, Refusal* refusal) {
    Refusal ignored;
    Refusal& out = refusal ? *refusal : ignored;
    out = Refusal{};
    // A second lock of this process on its own folder would refuse itself.
    if (Held() && folder_ == folder)
        return Status::Ok();
    const std::filesystem::path file = folder / kStationLockFileName;
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return Status::Error(
            Format("cannot open the station folder's lock file %s: %s", file.c_str(), std::strerror(errno)));
    int rc;
    do
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            return Status::Error(Format("cannot lock the station folder's lock file %s: %s", file.c_str(),
                                        std::strerror(error)));
        }
        // The holder writes its name right after it took the lock; a
        // refusal in that instant reads once more before saying "unknown".
        out.inUse = true;
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (ParseHolder(ReadAll(fd), out.holderPid, out.holderHost))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::close(fd);
        return Status::Error(StationInUseMessage(out.holderPid, out.holderHost));
    }
    // The lock is on this inode, so the holder's name is written in place,
    // not by replacing the file.
    const std::string holder = Format("%d\n%s\n", static_cast<int>(::getpid()), HostName().c_str());
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, holder.data(), holder.size(), 0) != static_cast<ssize_t>(holder.size())) {
        const int error = errno;
        ::close(fd);
        return Status::Error(
            Format("cannot write the station folder's lock file %s: %s", file.c_str(), std::strerror(error)));
    }
    Release();
    fd_ = fd;
    folder_ = folder;
    return Status::Ok();
}

} // namespace varnet
