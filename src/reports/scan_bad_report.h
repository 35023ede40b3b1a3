// The bad-block scan report (the bad-block table the ReMP and Scan Bad
// stations have the device library write): header values, per CE and die the
// early and later counts, per plane the erase, program and read fail counts,
// and the list of bad blocks, read back into the port's record and list; the
// spare blocks follow from the flash IDs already in the record.
//
// Promises: runs on the port's worker thread and touches only that port's
// record, list and read progress. The read progress goes to 0 at once, to 50
// when the report has been walked and to 100 when the record is complete; it
// stays 0 for a file that is missing, unreadable or not a scan report. A
// missing or unreadable file changes nothing else and creates no file.
// Counts saturate at the 32-bit limits; every list entry has CE < 32, die < 8,
// plane < 4 and a terminated label. The time taken is linear in the size of
// the report, whatever its content (one line of 50 MB included), and beyond
// the text a read holds less memory than the text itself, besides the record
// and list it fills. The result tells whether the report held its title and
// a CE and die block (report_read.h); what the reader fills in does not
// depend on it.
#pragma once

#include "reports/report_context.h"
#include "reports/report_read.h"

#include <filesystem>
#include <string_view>

namespace varnet {

ReportRead ReadScanBadReport(const std::filesystem::path& path, const ReportContext& context,
                             const PortReport& port);
ReportRead ReadScanBadReportText(std::string_view text, const ReportContext& context, const PortReport& port);

} // namespace varnet
