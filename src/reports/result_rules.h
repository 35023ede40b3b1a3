// The judgements the two result pages draw from a port's record: which CEs
// are listed, which dies and CEs are marked over their limit, and the value
// of the load-progress animation. Plain functions of the record: any thread,
// nothing owned, no failure (an out-of-range CE or die is the caller's bug).
#pragma once

#include "reports/port_result.h"

#include <array>
#include <cstdint>
#include <vector>

namespace varnet {

// The result tables cover channels 0-3 with 8 CEs each.
inline constexpr int kShownChannels = 4;
inline constexpr int kCePerChannel = 8;

// A CE slot is listed when bytes 0 and 1 of its flash ID are both neither
// 0x00 nor 0xFF and differ from each other.
bool IsListedCe(const std::array<uint8_t, 8>& flashId);

// The listed flat CE numbers of channels 0-3, channel-major.
std::vector<int> ListedCes(const ST_PORT_RESULT& record);

// RDT viewer: the later bad blocks of (ce, die) exceed what the record's
// own limits allow. Unsigned, as the reports' counts are compared elsewhere.
bool RdtDieOverLimit(const ST_PORT_RESULT& record, int ce, int die);

// Bad-block viewer: the CE is marked by its dies' later bad blocks.
bool BbCeMarked(const ST_PORT_RESULT& record, int ce);

// The animation's value from the fill, the report reading and the library's
// progress; above 99 the animation is done.
int AnimationValue(int gridProgress, int readProgress, int progress);

} // namespace varnet
