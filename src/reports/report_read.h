// What a report reader made of a report, for the station that judges it: a
// report that is missing, or that holds less than the least a report of its
// kind holds (an empty, binary, NUL-filled or cut-off file), leaves nothing
// to judge: the record then holds reset values or an earlier run's figures,
// which must never pass for this drive's.
//
// The least of each kind: a burn-in log report has a count line
// "CE_<n>,Die_<n>,Plane_<n>, ... Bad=" of a CE in scope, under its per-plane
// heading; an erase report a "CENo_<n>/Die_<n>-> ... Bad Count:" line; a
// bad-block scan report its title and a "CENo_<n>(Phy:<n>)/Die_<n>" block.
#pragma once

#include <cstdint>

namespace varnet {

enum class ReportRead : uint8_t {
    kMissing,    // no file could be read: the record and list are as they were
    kIncomplete, // read, but without the least of its kind
    kComplete,   // read, and held at least that
};

} // namespace varnet
