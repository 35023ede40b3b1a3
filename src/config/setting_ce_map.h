// CE masks of the Configuration page: the check of a hand-set CH/CE map, and
// what Detect makes of the 64 flash IDs a drive reports. Plain functions:
// any thread, nothing kept; a map's problem is an answer, not a failure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace varnet {

// Bit channel x 8 + CE of a map of 4 channels x 8 CEs.
inline constexpr int kCeMapChannels = 4;
inline constexpr int kCesPerChannel = 8;

// The first problem of a map (only ever shown: the map is saved anyway), or
// nullopt when the map is sound for the flash family.
std::optional<std::string> CheckCeMap(uint32_t setCeMask, uint8_t flashFamily);

struct FlashIdScan {
    uint32_t populated = 0; // how many IDs name a chip
    uint32_t ceMask = 0;    // bit (index % 32) of each
    int firstIndex = -1;    // the first that names a chip; -1 for none
};

// Over the drive's IDs, index channel x 8 + CE.
FlashIdScan ScanFlashIds(std::span<const std::array<uint8_t, 8>> ids);

} // namespace varnet
