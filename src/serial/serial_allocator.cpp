#include "serial/serial_allocator.h"

#include <chrono>
#include <ctime>
#include <optional>

namespace varnet {
namespace {

thread_local uint32_t generatorState = 1;

constexpr std::string_view kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

unsigned char Byte(char c) {
    return static_cast<unsigned char>(c);
}

unsigned char FoldCase(char c) {
    const unsigned char b = Byte(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return FoldCase(a[i]) < FoldCase(b[i]) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool NextAutoIncrement(std::string_view base, std::string_view end, std::string_view mask, std::string& x) {
    // Position by position, not as a whole number: SN29 .. SN30 is still open
    // because '2' < '3'.
    bool open = false;
    for (size_t j = 0; j < mask.size(); ++j)
        open = open || (mask[j] == '#' && Byte(base[j]) < Byte(end[j]));
    if (!open)
        return false;
    x.assign(base);
    for (size_t p = mask.size(); p-- > 0;) {
        if (mask[p] != '#')
            continue;
        if (base[p] != '9') {
            // Stepping past the last byte value would put a zero byte into
            // the SN, which the station file cannot hold.
            if (Byte(base[p]) == 0xFF)
                return false;
            x[p] = static_cast<char>(Byte(base[p]) + 1);
            return true;
        }
        x[p] = '0';
    }
    // Every counted position was '9': wrapping round would hand out the
    // range's numbers a second time.
    return false;
}

char DrawCharacter(int port, const SnTime& now) {
    const auto seconds = static_cast<uint32_t>(now.calendarSeconds);
    const auto portBits = static_cast<uint32_t>(port);
    SeedSnGenerator((static_cast<uint32_t>(NextSnRandom()) + 1u) * 2018u + seconds + portBits);
    const uint32_t index =
        (portBits + static_cast<uint32_t>(NextSnRandom()) + static_cast<uint32_t>(now.milliseconds)) % 36u;
    return kAlphabet[index];
}

bool IsLastValueOfAnyPort(const std::string& x, const LastSnByPort& lastSnByPort) {
    for (const std::string& last : lastSnByPort) {
        if (last == x)
            return true;
    }
    return false;
}

bool NextRandom(int port, std::string_view start, std::string_view end, std::string_view mask,
                const LastSnByPort& lastSnByPort, const HandedOutSerials* taken, const SnClock& clock,
                std::string& x) {
    const bool hasDrawnPosition = mask.find('#') != std::string_view::npos;
    int draws = 0;
    // The generator is seeded from the calendar second: within one second a
    // port's draws can circle through a handful of characters, none of them
    // free while other ports hold their values. Only a search that has seen
    // the second change twice has really tried the range.
    int secondChanges = 0;
    std::optional<int64_t> second;
    while (true) {
        x.assign(start);
        for (size_t p = 0; p < mask.size(); ++p) {
            if (mask[p] != '#') {
                x[p] = mask[p];
                continue;
            }
            while (true) {
                if (draws >= kMaxRandomDraws && secondChanges >= 2)
                    return false;
                ++draws;
                const SnTime now = clock();
                if (second && *second != now.calendarSeconds)
                    ++secondChanges;
                second = now.calendarSeconds;
                const char c = DrawCharacter(port, now);
                if (Byte(c) > Byte(end[p]))
                    continue;
                // The later positions still hold the start's characters, so
                // this keeps every prefix drawn so far inside the range.
                x[p] = c;
                if (CompareNoCase(x, start) >= 0 && CompareNoCase(x, end) <= 0)
                    break;
            }
        }
        if (!IsLastValueOfAnyPort(x, lastSnByPort) && !(taken && taken->contains(x)))
            return true;
        // A mask without '#' gives the same value on every pass.
        if (!hasDrawnPosition)
            return false;
    }
}

} // namespace

SnTime ReadSnTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t calendar = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&calendar, &local);
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    SnTime time;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = local.tm_sec;
    time.milliseconds = static_cast<int>(sinceEpoch.count() % 1000);
    time.calendarSeconds = static_cast<int64_t>(calendar);
    return time;
}

void SeedSnGenerator(uint32_t seed) {
    generatorState = seed;
}

int NextSnRandom() {
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int>((generatorState >> 16) & 0x7FFFu);
}

bool AllocateSerialNumber(int port, std::string_view mask, std::string_view currentSn,
                          std::string_view startSn, std::string_view endSn, SnType type,
                          LastSnByPort& lastSnByPort, std::string& out, const SnClock& clock,
                          const HandedOutSerials* taken) {
    if (port < 0 || port >= kPortCount)
        return false;
    if (type != SnType::AutoIncrement && type != SnType::Random)
        return false;
    const std::string_view base = type == SnType::AutoIncrement ? currentSn : startSn;
    // Every loop walks the mask's positions and reads base and end at each, so
    // all three must be equally long. A shorter base or end (typed by hand in
    // a station file) is refused rather than guessed at: padding it would
    // number drives from a value nobody configured.
    if (base.empty() || endSn.empty() || mask.empty() || base.size() != mask.size() ||
        endSn.size() != mask.size())
        return false;
    std::string x;
    const bool found = type == SnType::AutoIncrement
                           ? NextAutoIncrement(base, endSn, mask, x)
                           : NextRandom(port, base, endSn, mask, lastSnByPort, taken, clock, x);
    if (!found)
        return false;
    lastSnByPort[static_cast<size_t>(port)] = x;
    out = std::move(x);
    return true;
}

} // namespace varnet
