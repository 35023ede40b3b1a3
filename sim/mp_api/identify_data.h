// The 512 bytes of ATA IDENTIFY DEVICE data the drive answers with: its
// texts as byte-swapped character pairs (serial words 10-19, firmware 23-26,
// model 27-46, blank padded), its sector count (words 60-61 capped at 28
// bits, words 100-103 in full), the usual capability words of a SATA solid-
// state drive, and the integrity word 255.
#pragma once

#include "drive_state.h"

#include <array>
#include <cstdint>

namespace varnet::sim {

std::array<uint8_t, 512> IdentifyData(const DriveState& state);

} // namespace varnet::sim
