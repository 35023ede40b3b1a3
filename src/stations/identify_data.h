// The drive's ATA identify data as every station reads it: the text fields
// (two characters per word, the first in the word's high byte), the capacity
// it gives, and how a capacity is written on a tile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace varnet {

using IdentifyData = std::array<uint8_t, 512>;

// A text field of `pairs` character pairs from byte `offset`, in display
// order; a zero byte ends it, as it ends a C string. Not trimmed: the
// drive's own padding is part of what it reports.
std::string IdentifyText(const IdentifyData& data, size_t offset, size_t pairs);
std::string IdentifySerialText(const IdentifyData& data);   // bytes 20-39
std::string IdentifyFirmwareText(const IdentifyData& data); // bytes 46-53
std::string IdentifyModelText(const IdentifyData& data);    // bytes 54-93

// The capacity the identify data gives, in MiB; 0 when it gives none. The
// lowest byte of the sector count is replaced by 0xAF, the rounding the line
// has always shown capacities with. The 48-bit count (words 100-103) is read
// in full and unsigned: a signed 32-bit reading would show a drive of 1 TiB
// or more with a negative, wrapped-around size, and its low 32 bits alone
// would shrink one of 2 TiB. Capped at the 32-bit maximum.
uint32_t IdentifyCapacityMb(const IdentifyData& data);

// "%dMB" below 1024 MB, else "%0.2fGB".
std::string CapacityText(uint32_t capacityMb);

} // namespace varnet
