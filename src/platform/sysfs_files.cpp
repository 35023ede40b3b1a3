#include "platform/sysfs_files.h"

#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnet::sysfs {
namespace {

// Sysfs attributes are at most a page; procfs tables may be longer, and a
// runaway file must not eat memory.
constexpr size_t kMaxFileBytes = 4u << 20;

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::string RootPrefix(const std::filesystem::path& root) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::weakly_canonical(root, error);
    if (error)
        full = std::filesystem::absolute(root, error).lexically_normal();
    std::string text = full.string();
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    return text;
}

std::optional<std::string> ReadAttribute(const std::string& path) {
    // A FIFO or device in an attribute's place must not hang a scan: open
    // without waiting, and read regular files only (sysfs and procfs files
    // are regular).
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<size_t>(n));
        if (content.size() > kMaxFileBytes) {
            ::close(fd);
            return std::nullopt;
        }
        // A sysfs attribute comes whole in one read, and a regular file reads
        // short only at its end: no second call just to see the end.
        if (static_cast<size_t>(n) < sizeof buffer)
            break;
    }
    ::close(fd);
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    return content;
}

std::optional<std::vector<std::string>> ListFolder(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

std::optional<std::string> ReadLink(const std::string& path) {
    char buffer[4096];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer)
        return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

std::string ResolveLinkTarget(std::string_view linkFolder, std::string_view target) {
    std::string result = target.starts_with('/') ? std::string() : std::string(linkFolder);
    while (!result.empty() && result.back() == '/')
        result.pop_back();
    while (!target.empty()) {
        size_t slash = target.find('/');
        std::string_view part = target.substr(0, slash);
        target = slash == std::string_view::npos ? std::string_view() : target.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            size_t last = result.rfind('/');
            result.resize(last == std::string::npos ? 0 : last);
            continue;
        }
        result += '/';
        result += part;
    }
    return result.empty() ? std::string("/") : result;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string_view BaseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view ParentPath(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::optional<uint64_t> ParseDecimal(std::string_view text) {
    text = TrimSpace(text);
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<uint64_t> ParseHex(std::string_view text) {
    text = TrimSpace(text);
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace varnet::sysfs
