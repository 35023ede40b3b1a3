#include "platform/temp_leftovers.h"

#include "platform/diagnostic_log.h"

#include <chrono>
#include <system_error>

namespace fs = std::filesystem;

namespace varnet {
namespace {

// What mkstemp puts in place of its six X: letters and digits.
constexpr size_t kRandomChars = 6;

// A write of our own is never older than this when it is still running.
constexpr auto kMinimumAge = std::chrono::minutes(1);

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

bool IsWriteLeftoverName(std::string_view name) {
    // ".", at least one character of the target's name, ".", six characters.
    if (name.size() < 1 + 1 + 1 + kRandomChars || name.front() != '.')
        return false;
    const std::string_view random = name.substr(name.size() - kRandomChars);
    if (name[name.size() - kRandomChars - 1] != '.')
        return false;
    for (char c : random) {
        if (!IsAsciiLetterOrDigit(c))
            return false;
    }
    return true;
}

size_t RemoveWriteLeftovers(const fs::path& folder, fs::file_time_type now) {
    size_t removed = 0;
    try {
        std::error_code ec;
        fs::directory_iterator it(folder, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const fs::directory_entry& entry = *it;
            if (!IsWriteLeftoverName(entry.path().filename().string()))
                continue;
            std::error_code statError;
            // The entry's own type: a link is never followed, whatever it names.
            if (!entry.is_regular_file(statError) || entry.is_symlink(statError) || statError)
                continue;
            const fs::file_time_type changed = fs::last_write_time(entry.path(), statError);
            if (statError || now - changed <= kMinimumAge)
                continue;
            if (fs::remove(entry.path(), statError) && !statError)
                ++removed;
        }
    } catch (...) {
        LogCaught();
        // Out of memory while listing: what was removed so far stays removed.
    }
    return removed;
}

} // namespace varnet
