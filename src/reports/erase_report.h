// The erase-count report the device library writes after an erase-all or a
// burn-in initialisation: early and later bad-block counts per CE, die and
// plane, read back into the port's record; and the pieces of bad-block report
// reading that the scan report reader shares.
//
// Promises: the reader runs on the port's worker thread and touches only that
// port's record and list. A missing or unreadable file changes nothing (and
// creates no file): an absent report must never look like a clean drive.
// Counts saturate at the 32-bit limits instead of wrapping. The time taken is
// linear in the size of the report, whatever its content (one line of 50 MB
// included), and beyond the text a read holds less memory than the text
// itself, besides the record and list it fills. The context is
// taken for a signature uniform with the other report readers; no count of
// this report depends on the CE scope. The result tells whether the report
// held a bad-count line (report_read.h); what the reader fills in does not
// depend on it.
#pragma once

#include "reports/report_context.h"
#include "reports/report_read.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace varnet {

ReportRead ReadEraseReport(const std::filesystem::path& path, const ReportContext& context,
                           const PortReport& port);
ReportRead ReadEraseReportText(std::string_view text, const ReportContext& context, const PortReport& port);

// The sums both bad-block readers end with: totalBad, laterBadPerDie and the
// three grand totals from earlyBad and laterBad. Sums are taken in 64 bits and
// clamped to the 32-bit range once, so a report of absurd counts gives the
// nearest representable total rather than a wrapped (or undefined) one; a
// grand total adds the stored, clamped per-plane totals.
void SumBadBlockCounts(ST_PORT_RESULT& result);

int32_t ClampToInt32(int64_t value);

// The first occurrence of a key at or after a position, as FindFrom gives it,
// remembering the last answer: the readers' cursors only move forward, so a
// run of searches for the same key scans each part of the text at most once
// instead of once per search.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view key) : text_(text), key_(key) {}
    size_t Find(size_t from);

private:
    std::string_view text_;
    std::string_view key_;
    bool known_ = false;
    size_t from_ = 0;
    size_t found_ = 0;
};

// The plane values of report lines (see ReadPlaneValues) for lines given by
// their start: a line runs from its start through the next line feed, and a
// start with no line feed after it reads nothing (false). Several lines of a
// report may end at the same line feed (markers written on one line): every
// key, comma and line feed is found by a search that only moves forward and
// every value is converted once, so lines read at starts that never go down
// cost no more than one pass over the text, whatever their length, and no
// memory beyond the reader itself. A start below an earlier one is read
// correctly, by searching again.
class PlaneLineReader {
public:
    explicit PlaneLineReader(std::string_view text);
    bool Read(size_t start, std::array<int32_t, 4>& planes);

private:
    std::string_view text_;
    ForwardFinder lineFeeds_;
    std::array<ForwardFinder, 4> keys_;   // "Plane<p>="
    std::array<ForwardFinder, 4> commas_; // after the key of each plane
    std::array<size_t, 4> valueAt_;       // the key whose value is in value_
    std::array<int32_t, 4> value_{};
};

} // namespace varnet
