// The serial-number allocator: the next Auto++ value of a masked counter, or a
// random value inside a masked range.
//
// A mask has one character per SN position: '#' marks a position that Auto++
// counts and Random draws, any other character is fixed. Characters are
// compared as unsigned bytes.
//
// Threads: AllocateSerialNumber changes only its out string and the port's
// lastSnByPort entry, which the caller guards with snMutex (serial_state.h).
// Random draws use a generator whose state is per thread, so every port
// worker has its own sequence; the port index is mixed into each seed so
// that workers drawing in the same millisecond still differ.
//
// Failures: a refused allocation returns false and changes nothing; nothing
// throws.
#pragma once

#include "serial/serial_state.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace varnet {

enum class SnType : uint8_t {
    AutoIncrement = 0, // counter over the masked range
    Random = 1,        // random value inside the range
    ScanInput = 2,     // scanned list (scan_sn_store.h)
    Unified = 3,       // SerialNum for every drive
};

// One reading of the clock: local time fields and the calendar time.
struct SnTime {
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;        // 0..999
    int64_t calendarSeconds = 0; // seconds since the epoch
};

// Where timestamps and draws read the time; tests pin it.
using SnClock = std::function<SnTime()>;

// The system clock, in local time.
SnTime ReadSnTime();

// The calling thread's draw generator: state = state * 214013 + 2531011,
// value = (state >> 16) & 0x7FFF. Each thread starts from state 1.
void SeedSnGenerator(uint32_t seed);
int NextSnRandom();

// Draws one Random allocation makes at least, its restarts included, before
// it is refused rather than spinning on a range that has no free value left
// (start equal to end, or every value already some port's last one). It is
// refused only once the clock's calendar second has also changed twice
// during the search, so a range with a free value is never refused because
// one second's draws missed it: an exhausted range costs about two seconds.
inline constexpr int kMaxRandomDraws = 10000;

// Computes the next SN for port (0..23) into out and lastSnByPort[port].
//  - AutoIncrement works from currentSn: refused when no '#' position of
//    currentSn is below endSn's character there (the range is used up);
//    otherwise counts up by one, a '9' carrying to the next '#' position to
//    the left, any other character stepping to the next code value.
//  - Random works from startSn: every '#' position is drawn from 0-9A-Z until
//    the value so far lies between startSn and endSn (case-insensitive), the
//    other positions take the mask's character; a value equal to any port's
//    last value is drawn again.
// Refused (false, nothing changed): another type or port, an empty base
// (currentSn or startSn by type), endSn or mask, a base or endSn whose length
// differs from the mask's, an Auto++ carry out of the leftmost '#' position,
// and a Random search past its bound (kMaxRandomDraws).
bool AllocateSerialNumber(int port, std::string_view mask, std::string_view currentSn,
                          std::string_view startSn, std::string_view endSn, SnType type,
                          LastSnByPort& lastSnByPort, std::string& out, const SnClock& clock = ReadSnTime,
                          const HandedOutSerials* taken = nullptr);

} // namespace varnet
