// The page-wide serial-number state: what Auto++ hands out next, the slot the
// allocator fills, the last value produced for each port, and every Random
// number handed out since the last start of all ports (what Random keeps
// away from).
//
// Threads: the three values are read and changed only with snMutex held,
// except by the page itself while no port runs (a run start sets currentSn to
// the page's SN_Start and, for a start of all ports, empties lastSnByPort; a
// new choice of station file sets currentSn; the page-close advance). Wait
// for snMutex with WaitPumpingMessages (platform/wait_pumping.h), so that the
// window thread stays responsive while a port holds it.
#pragma once

#include "platform/port_count.h"
#include <array>
#include <mutex>
#include <set>
#include <string>

namespace varnet {

using LastSnByPort = std::array<std::string, kPortCount>;
using HandedOutSerials = std::set<std::string, std::less<>>;

struct SerialNumberState {
    // The SN Auto++ hands out next; empty until the first run start.
    std::string currentSn;
    // Receives the allocator's Auto++ result; kept across run starts, so a
    // refused allocation leaves currentSn at the last value advanced to.
    std::string nextSnSlot;
    // Index = port index 0..23.
    LastSnByPort lastSnByPort;
    // Random numbers given to drives since the last start of all ports: a
    // port run again by a tile click must not draw one of them, which the
    // last value of each port alone cannot rule out.
    HandedOutSerials handedOutSinceStart;
    std::timed_mutex snMutex;
};

} // namespace varnet
