#include "reports/report_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace varnet {
namespace {
bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;

int32_t Signed(int64_t value, bool negative) {
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
}

// Saturating, as an absurd count must stay absurd.
int64_t AddDigit(int64_t value, char digit) {
    return std::min(value * 10 + (digit - '0'), kLimit);
}
} // namespace

size_t FindFrom(std::string_view text, std::string_view key, size_t from) {
    if (from > text.size())
        return kNotFound;
    if (key.size() <= 1)
        return text.find(key, from);
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* const start = begin + from;
    const char* p = start;
    // The first byte found by memchr while it is rare, as it is in a report;
    // once false starts come thick (a run of that byte) the rest is left to
    // memmem, which is slower there but linear whatever the text.
    for (size_t falseStarts = 0; falseStarts <= 32 + static_cast<size_t>(p - start) / 16; ++falseStarts) {
        if (static_cast<size_t>(end - p) < key.size())
            return kNotFound;
        const void* hit = std::memchr(p, key[0], static_cast<size_t>(end - p) - key.size() + 1);
        if (!hit)
            return kNotFound;
        const char* const at = static_cast<const char*>(hit);
        if (std::memcmp(at + 1, key.data() + 1, key.size() - 1) == 0)
            return static_cast<size_t>(at - begin);
        p = at + 1;
    }
    const void* found = ::memmem(p, static_cast<size_t>(end - p), key.data(), key.size());
    return found ? static_cast<size_t>(static_cast<const char*>(found) - begin) : kNotFound;
}

std::string_view TrimWhite(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsWhite(text[begin]))
        ++begin;
    while (end > begin && IsWhite(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

int32_t ReportValue(std::string_view slice) {
    std::string_view text = TrimWhite(slice);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = AddDigit(value, c);
    }
    return Signed(value, negative);
}

int32_t ReportValueWithout(std::string_view slice, std::string_view removed) {
    const auto isRemoved = [&](char c) { return removed.find(c) != std::string_view::npos; };
    size_t i = 0;
    while (i < slice.size() && (isRemoved(slice[i]) || IsWhite(slice[i])))
        ++i;
    bool negative = false;
    if (i < slice.size() && (slice[i] == '-' || slice[i] == '+'))
        negative = slice[i++] == '-';
    int64_t value = 0;
    for (; i < slice.size(); ++i) {
        const char c = slice[i];
        if (c >= '0' && c <= '9')
            value = AddDigit(value, c);
        else if (!isRemoved(c))
            break;
    }
    return Signed(value, negative);
}

size_t FindWithout(std::string_view text, size_t from, std::string_view separator, std::string_view removed,
                   size_t& end) {
    if (separator.empty())
        return kNotFound;
    for (size_t at = FindFrom(text, separator.substr(0, 1), from); at != kNotFound;
         at = FindFrom(text, separator.substr(0, 1), at + 1)) {
        size_t i = at + 1;
        size_t matched = 1;
        // Each run of removed bytes is passed here once and by the search for
        // the next first byte once: linear in the text.
        while (matched < separator.size() && i < text.size()) {
            if (removed.find(text[i]) != std::string_view::npos) {
                ++i;
            } else if (text[i] == separator[matched]) {
                ++matched;
                ++i;
            } else {
                break;
            }
        }
        if (matched == separator.size()) {
            end = i;
            return at;
        }
    }
    return kNotFound;
}

std::string RemoveChar(std::string_view text, char c) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch != c)
            out += ch;
    }
    return out;
}

void ReadPlaneValues(std::string_view line, std::array<int32_t, 4>& planes) {
    static constexpr std::string_view kKeys[4] = {"Plane0=", "Plane1=", "Plane2=", "Plane3="};
    for (size_t p = 0; p < 4; ++p) {
        const size_t at = line.find(kKeys[p]);
        if (at == kNotFound || at == 0)
            continue;
        size_t end = FindFrom(line, ",", at);
        if (end == kNotFound)
            end = FindFrom(line, "\n", at);
        if (end == kNotFound)
            continue;
        planes[p] = ReportValue(line.substr(at + kKeys[p].size(), end - at - kKeys[p].size()));
    }
}

} // namespace varnet
