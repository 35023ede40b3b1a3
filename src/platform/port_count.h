// How many ports a station has: tiles, records, bindings, scanned serial
// numbers and the port table are all this many (1-24 in texts and file
// names, 0-23 inside).
#pragma once

namespace varnet {

inline constexpr int kPortCount = 24;

} // namespace varnet
