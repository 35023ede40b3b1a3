// The production history a drive carries: a 4096-byte area of 32 entries of
// 128 bytes, read and written whole through the device library, to which
// every re-production appends one entry.
//
// Entry layout: byte 27 is the sequence number (1 to 254), 0xFF there marks
// an empty entry. A ReMP entry is a copy of the entry before it with the
// station tag (bytes 0-15), the date (20-22), the sequence number (27) and
// the serial number (28-47) replaced.
//
// Pure data: the functions touch only the buffer they are given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varnet {

inline constexpr size_t kHistorySize = 4096;
inline constexpr size_t kHistoryEntrySize = 128;
inline constexpr int kHistoryEntries = 32;
inline constexpr size_t kHistorySequenceByte = 27;
inline constexpr uint8_t kHistoryEmptyMark = 0xFF;
inline constexpr uint8_t kHistoryLastSequence = 254;

using ProductionHistory = std::array<uint8_t, kHistorySize>;

// The date as the entry stores it; a field that could not be read is 0.
struct HistoryDate {
    int year = 0; // four digits; stored modulo 100
    int month = 0;
    int day = 0;
};

HistoryDate TodayForHistory();

// Where the next entry goes.
struct HistorySlot {
    int slot = 0;
    uint8_t sequence = 1;
    // The entry whose bytes the new one carries on; none for the first entry
    // of an empty history.
    std::optional<int> previous;
};

// The first empty entry, with the sequence number after its position; in a
// full history the slot after the highest sequence number M (M modulo 32)
// with sequence M + 1, where the entry before slot 0 is entry 31.
HistorySlot ChooseHistorySlot(const ProductionHistory& history);

// Appends the ReMP entry for serialNumber (first 20 characters, padded with
// spaces) and returns where it went.
HistorySlot AppendReMpEntry(ProductionHistory& history, const HistoryDate& date,
                            std::string_view serialNumber);

} // namespace varnet
