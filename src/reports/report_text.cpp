#include "reports/report_text.h"

#include <limits>

namespace varnet {
namespace {
bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
} // namespace

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
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
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
