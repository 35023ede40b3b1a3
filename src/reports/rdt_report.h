// The burn-in (RDT) log report the device library writes from a drive's
// burn-in log: header texts, the burn-in settings, bad-block counts per CE,
// die and plane, the temperature table, the limits, the speed errors and the
// fail list, read back into the port's record and list.
//
// Promises: runs on the port's worker thread and touches only that port's
// record, list and read progress. The read progress goes 0, 10, 20, then
// through 20-99 while the fail list is walked, and 100 at the end; it never
// leaves 0..100. A missing or unreadable file changes nothing else and
// creates no file: an absent report must never read as a clean drive. Single
// numbers saturate at the 32-bit limits; sums are taken in 64 bits and
// clamped to 32 bits once. The time taken is linear in the size of the
// report, whatever its content (one line of 50 MB included), and beyond the
// text a read holds less memory than the text itself, besides the record
// and list it fills.
//
// Fail-list entries carry the report's CE, channel and plane when the number
// fits a byte (0-255) and 255 when it does not, so an absurd number never
// turns into a plausible one. They are not limited to the flash geometry: a
// consumer must range-check them before indexing by them. An entry of a CE
// outside the CE scope is dropped; any other row is kept and counted, since a
// garbled plane must not make a failure disappear.
//
// The result tells whether the report held a count line of a CE in scope
// (report_read.h); what the reader fills in does not depend on it.
#pragma once

#include "reports/report_context.h"
#include "reports/report_read.h"

#include <filesystem>
#include <string_view>

namespace varnet {

ReportRead ReadRdtReport(const std::filesystem::path& path, const ReportContext& context,
                         const PortReport& port);
ReportRead ReadRdtReportText(std::string_view text, const ReportContext& context, const PortReport& port);

} // namespace varnet
