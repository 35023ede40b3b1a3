// The production history area's entry choice and the ReMP entry.
#include "stations/production_history.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace varnet {
namespace {

constexpr size_t kTagOffset = 0;
constexpr size_t kTagSize = 16;
constexpr size_t kDateOffset = 20;
constexpr size_t kSerialOffset = 28;
constexpr size_t kSerialSize = 20;

uint8_t* Entry(ProductionHistory& history, int slot) {
    return history.data() + static_cast<size_t>(slot) * kHistoryEntrySize;
}

uint8_t SequenceOf(const ProductionHistory& history, int slot) {
    return history[static_cast<size_t>(slot) * kHistoryEntrySize + kHistorySequenceByte];
}

} // namespace

HistoryDate TodayForHistory() {
    HistoryDate date;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr)
        return date;
    date.year = local.tm_year + 1900;
    date.month = local.tm_mon + 1;
    date.day = local.tm_mday;
    return date;
}

HistorySlot ChooseHistorySlot(const ProductionHistory& history) {
    HistorySlot choice;
    uint8_t highest = 0;
    for (int slot = 0; slot < kHistoryEntries; ++slot) {
        const uint8_t sequence = SequenceOf(history, slot);
        if (sequence == kHistoryEmptyMark) {
            choice.slot = slot;
            choice.sequence = static_cast<uint8_t>(slot + 1);
            if (slot > 0)
                choice.previous = slot - 1;
            return choice;
        }
        highest = std::max(highest, sequence);
    }
    choice.slot = highest % kHistoryEntries;
    // 255 would be the empty mark: the entry would vanish and the next run
    // would write over it, so the numbering starts again at 1.
    choice.sequence = highest >= kHistoryLastSequence ? 1 : static_cast<uint8_t>(highest + 1);
    // A full history wraps: the entry before slot 0 is the last one, not the
    // entry 32 runs old that slot 0 still holds.
    choice.previous = (choice.slot + kHistoryEntries - 1) % kHistoryEntries;
    return choice;
}

HistorySlot AppendReMpEntry(ProductionHistory& history, const HistoryDate& date,
                            std::string_view serialNumber) {
    const HistorySlot choice = ChooseHistorySlot(history);
    uint8_t* entry = Entry(history, choice.slot);
    if (choice.previous)
        std::memmove(entry, Entry(history, *choice.previous), kHistoryEntrySize);

    std::memset(entry + kTagOffset, ' ', kTagSize);
    std::memcpy(entry + kTagOffset, "ReMP", 4);
    entry[kDateOffset] = static_cast<uint8_t>(date.year % 100);
    entry[kDateOffset + 1] = static_cast<uint8_t>(date.month);
    entry[kDateOffset + 2] = static_cast<uint8_t>(date.day);
    entry[kHistorySequenceByte] = choice.sequence;
    const size_t serialLength = std::min(serialNumber.size(), kSerialSize);
    std::memset(entry + kSerialOffset, ' ', kSerialSize);
    if (serialLength > 0)
        std::memcpy(entry + kSerialOffset, serialNumber.data(), serialLength);
    return choice;
}

} // namespace varnet
