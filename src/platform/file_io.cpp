#include "platform/file_io.h"

#include "platform/text_format.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace varnet {
namespace {

std::string ErrnoText(const char* what, const fs::path& path, int error) {
    return Format("%s %s: %s", what, path.c_str(), std::strerror(error));
}

// The file the bytes really go to: links are followed so that replacing a
// linked station file keeps the link.
fs::path WriteTarget(const fs::path& path) {
    std::error_code ec;
    fs::path target = fs::weakly_canonical(path, ec);
    return ec ? path : target;
}

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

} // namespace

FileRead ReadFile(const fs::path& path) {
    FileRead result;
    // Without O_NONBLOCK, opening a FIFO put in a file's place would wait for
    // a writer that never comes; a regular file reads the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.outcome = errno == ENOENT ? FileRead::kMissing : FileRead::kFailed;
        if (result.outcome == FileRead::kFailed)
            result.error = ErrnoText("cannot open", path, errno);
        return result;
    }
    FdCloser closer(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.outcome = FileRead::kFailed;
        result.error = Format("cannot read %s: not a regular file", path.c_str());
        return result;
    }
    if (st.st_size > 0)
        result.bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.outcome = FileRead::kFailed;
            result.error = ErrnoText("cannot read", path, errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(buffer, static_cast<size_t>(n));
    }
    result.outcome = FileRead::kRead;
    return result;
}

std::optional<std::string> ReadWholeFile(const fs::path& path) {
    FileRead read = ReadFile(path);
    if (read.outcome != FileRead::kRead)
        return std::nullopt;
    return std::move(read.bytes);
}

Status WriteFileAtomically(const fs::path& path, std::string_view content) {
    const fs::path target = WriteTarget(path);
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return Status::Error(ErrnoText("cannot create a temporary file beside", target, errno));
    FdCloser closer(fd);
    auto fail = [&](const char* what) {
        const int error = errno;
        ::close(closer.Release());
        ::unlink(temp.c_str());
        return Status::Error(ErrnoText(what, target, error));
    };

    // A replaced file keeps its permissions; a new one gets the usual 0644.
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0)
        return fail("cannot set the permissions of");

    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("cannot write");
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail("cannot flush");
    if (::close(closer.Release()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Status::Error(ErrnoText("cannot close", target, error));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Status::Error(ErrnoText("cannot replace", target, error));
    }
    // Without this the rename itself may not survive a power cut.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return Status::Ok();
}

std::mutex& FileLock(const fs::path& path) {
    static std::mutex registryMutex;
    static std::map<std::string, std::unique_ptr<std::mutex>> locks;
    std::error_code ec;
    fs::path key = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec)
        key = path.lexically_normal();
    std::lock_guard guard(registryMutex);
    auto& slot = locks[key.string()];
    if (!slot)
        slot = std::make_unique<std::mutex>();
    return *slot;
}

Status UpdateFile(const fs::path& path,
                  const std::function<std::optional<std::string>(const std::string& current)>& change,
                  std::string_view refused) {
    std::lock_guard guard(FileLock(path));
    const FileRead read = ReadFile(path);
    if (read.outcome == FileRead::kFailed)
        return Status::Error(read.error);
    const std::optional<std::string> bytes = change(read.bytes);
    if (!bytes)
        return Status::Error(std::string(refused));
    if (*bytes == read.bytes && (read.outcome == FileRead::kRead || bytes->empty()))
        return Status::Ok();
    return WriteFileAtomically(path, *bytes);
}

} // namespace varnet
