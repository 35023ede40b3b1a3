#include "platform/diagnostic_log.h"

#include "platform/secret_redaction.h"
#include "platform/text.h"
#include "platform/text_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <exception>
#include <mutex>

namespace varnet {
namespace {

struct LogFile {
    std::mutex mutex;
    int fd = -1;
};

LogFile& Log() {
    static LogFile log;
    return log;
}

// The source file's name without its folders: enough to find the place.
std::string_view FileName(const char* path) {
    const std::string_view text(path);
    const size_t slash = text.rfind('/');
    return slash == std::string_view::npos ? text : text.substr(slash + 1);
}

std::string LocalTimeText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return Format("%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

} // namespace

bool OpenDiagnosticLog(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    LogFile& log = Log();
    std::lock_guard lock(log.mutex);
    if (log.fd >= 0)
        ::close(log.fd);
    log.fd = fd;
    return fd >= 0;
}

void CloseDiagnosticLog() {
    LogFile& log = Log();
    std::lock_guard lock(log.mutex);
    if (log.fd >= 0)
        ::close(log.fd);
    log.fd = -1;
}

namespace {

void WriteLine(int port, std::string_view text, std::source_location where) {
    LogFile& log = Log();
    {
        std::lock_guard lock(log.mutex);
        if (log.fd < 0)
            return;
    }
    // One line whatever the text holds: its own line breaks are shown, not kept.
    // The log is read by whoever looks after the station: a password some
    // caller failed to hide still stops here.
    std::string flat = ValidUtf8(RedactSecrets(text));
    for (char& c : flat)
        if (c == '\n' || c == '\r')
            c = ' ';
    const std::string portText = port >= 1 ? Format("P%d", port) : std::string("-");
    const std::string line =
        Format("%s %s %.*s:%u %s\n", LocalTimeText().c_str(), portText.c_str(),
               static_cast<int>(FileName(where.file_name()).size()), FileName(where.file_name()).data(),
               static_cast<unsigned>(where.line()), flat.c_str());
    std::lock_guard lock(log.mutex);
    if (log.fd >= 0)
        (void)!::write(log.fd, line.data(), line.size());
}

} // namespace

void LogDiagnostic(int port, std::string_view text, std::source_location where) noexcept {
    // Called from catch blocks that handle running out of memory: a line
    // that cannot even be built is dropped.
    try {
        WriteLine(port, text, where);
    } catch (...) {
    }
}

void LogDiscarded(const Status& status, int port, std::source_location where) noexcept {
    if (!status.ok())
        LogDiagnostic(port, status.message(), where);
}

void LogCaught(int port, std::source_location where) noexcept {
    try {
        std::string what = "unknown exception";
        try {
            if (const std::exception_ptr caught = std::current_exception())
                std::rethrow_exception(caught);
        } catch (const std::exception& e) {
            what = std::string("exception: ") + e.what();
        } catch (...) {
        }
        LogDiagnostic(port, what, where);
    } catch (...) {
    }
}

std::filesystem::path DiagnosticLogFile(const std::filesystem::path& appDir, std::string_view logDateFolder) {
    return appDir / "Log" / std::string(logDateFolder) / "varnettool.log";
}

} // namespace varnet
