#include "config/setting_ce_map.h"

namespace varnet {
namespace {

// Detect's reading of one ID: byte 0 names a maker (neither 0x00 nor 0xFF)
// and byte 1 differs from it, as an unpopulated slot echoes one byte.
bool NamesAChip(const std::array<uint8_t, 8>& id) {
    return id[0] != 0x00 && id[0] != 0xFF && id[0] != id[1];
}

} // namespace

std::optional<std::string> CheckCeMap(uint32_t setCeMask, uint8_t flashFamily) {
    std::array<int, kCeMapChannels> perChannel{};
    for (int bit = 0; bit < kCeMapChannels * kCesPerChannel; ++bit)
        if (setCeMask & (1u << bit))
            ++perChannel[static_cast<size_t>(bit / kCesPerChannel)];
    int usedChannels = 0;
    for (const int count : perChannel)
        usedChannels += count > 0 ? 1 : 0;
    const bool ce0 = setCeMask & 1u;
    const bool ce8 = setCeMask & (1u << kCesPerChannel);

    if (usedChannels == 1 && !ce0)
        return "Set CH/CE Map Error!\r\n(CE0 must be used!)";
    if (!ce0 && !ce8)
        return "Set CH/CE Map Error!\r\n(CE0 or CE8 must keep one!)";
    if (usedChannels <= 1)
        return std::nullopt;
    if (flashFamily == 15 || flashFamily == 16 || flashFamily == 18) {
        for (const int count : perChannel)
            if (count > perChannel[0])
                return "Set CH/CE Map Error!\r\n(CE numbers in CH0 must be equal or more than the other CH!)";
        return std::nullopt;
    }
    int first = 0;
    for (const int count : perChannel) {
        if (count == 0)
            continue;
        if (first == 0)
            first = count;
        else if (count != first)
            return "Set CH/CE Map Error!\r\n(CE numbers must be equal in using CH)";
    }
    return std::nullopt;
}

FlashIdScan ScanFlashIds(std::span<const std::array<uint8_t, 8>> ids) {
    FlashIdScan scan;
    for (size_t index = 0; index < ids.size(); ++index) {
        if (!NamesAChip(ids[index]))
            continue;
        ++scan.populated;
        scan.ceMask |= 1u << (index % 32);
        if (scan.firstIndex < 0)
            scan.firstIndex = static_cast<int>(index);
    }
    return scan;
}

} // namespace varnet
