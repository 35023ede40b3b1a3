#include "platform/file_bytes.h"

#include "platform/text_format.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace varnet {
namespace {

constexpr size_t kHugePage = 2u << 20;
// Below this an ordinary allocation costs as little.
constexpr size_t kLargeFile = 4u << 20;

// Reads from fd into data until end of file or capacity; the count read, or
// -1 with errno set.
ssize_t ReadInto(int fd, char* data, size_t capacity) {
    size_t total = 0;
    while (total < capacity) {
        const ssize_t n = ::read(fd, data + total, capacity - total);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(total);
}

// Anonymous memory of at least size bytes, advised for huge pages; nullptr
// when the system refuses it.
std::shared_ptr<char> LargeBuffer(size_t size) {
    const size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (address == MAP_FAILED)
        return nullptr;
    // Only advice: without huge pages the memory works all the same.
    (void)::madvise(address, length, MADV_HUGEPAGE);
    return std::shared_ptr<char>(static_cast<char*>(address), [length](char* p) { ::munmap(p, length); });
}

} // namespace

FileBytes HoldBytes(std::string bytes) {
    auto held = std::make_shared<const std::string>(std::move(bytes));
    FileBytes result;
    result.outcome = FileRead::kRead;
    result.bytes = *held;
    result.owner = std::move(held);
    return result;
}

FileBytes ReadFileBytes(const fs::path& path) {
    FileBytes result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        result.outcome = error == ENOENT ? FileRead::kMissing : FileRead::kFailed;
        if (result.outcome == FileRead::kFailed)
            result.error = Format("cannot open %s: %s", path.c_str(), std::strerror(error));
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.outcome = FileRead::kFailed;
        result.error = Format("cannot read %s: not a regular file", path.c_str());
        return result;
    }
    auto failed = [&](int error) {
        result = FileBytes();
        result.outcome = FileRead::kFailed;
        result.error = Format("cannot read %s: %s", path.c_str(), std::strerror(error));
        return result;
    };
    // One byte beyond the size the file had shows that it grew meanwhile.
    const size_t capacity = static_cast<size_t>(st.st_size) + 1;
    if (capacity > kLargeFile) {
        if (std::shared_ptr<char> buffer = LargeBuffer(capacity)) {
            const ssize_t n = ReadInto(fd, buffer.get(), capacity);
            if (n < 0)
                return failed(errno);
            if (static_cast<size_t>(n) < capacity) {
                result.outcome = FileRead::kRead;
                result.bytes = std::string_view(buffer.get(), static_cast<size_t>(n));
                result.owner = std::move(buffer);
                return result;
            }
            // It grew: go on in ordinary memory.
            std::string bytes(buffer.get(), static_cast<size_t>(n));
            char chunk[65536];
            for (ssize_t more; (more = ReadInto(fd, chunk, sizeof chunk)) != 0;) {
                if (more < 0)
                    return failed(errno);
                bytes.append(chunk, static_cast<size_t>(more));
            }
            return HoldBytes(std::move(bytes));
        }
    }
    std::string bytes;
    bytes.resize(capacity);
    size_t total = 0;
    for (;;) {
        const ssize_t n = ReadInto(fd, bytes.data() + total, bytes.size() - total);
        if (n < 0)
            return failed(errno);
        total += static_cast<size_t>(n);
        if (total < bytes.size())
            break;
        bytes.resize(bytes.size() * 2);
    }
    bytes.resize(total);
    return HoldBytes(std::move(bytes));
}

Status UpdateFileBytes(const fs::path& path,
                       const std::function<std::optional<std::string>(const FileBytes& current)>& change,
                       std::string_view refused, std::string* written) {
    std::lock_guard guard(FileLock(path));
    const FileBytes current = ReadFileBytes(path);
    if (current.outcome == FileRead::kFailed)
        return Status::Error(current.error);
    std::optional<std::string> next = change(current);
    if (!next)
        return Status::Error(std::string(refused));
    if (*next != current.bytes || (current.outcome == FileRead::kMissing && !next->empty())) {
        if (Status status = WriteFileAtomically(path, *next); !status.ok())
            return status;
    }
    if (written)
        *written = std::move(*next);
    return Status::Ok();
}

} // namespace varnet
