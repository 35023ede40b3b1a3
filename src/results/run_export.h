// The runs written out for other programs and for people: CSV (UTF-8,
// RFC 4180: one header row naming the columns, one row per run, CRLF line
// ends, a field quoted when it holds a comma, quote or line break), JSON (an
// array with one record object per run, one per line) and HTML (one
// self-contained page: the yield tables, the failure Pareto as inline SVG
// and the runs, readable offline, no script, nothing fetched).
//
// All output is valid UTF-8. Pure functions.
#pragma once

#include "results/run_query.h"
#include "results/summary_report.h"
#include "results/yield_summary.h"

#include <span>
#include <string>
#include <vector>

namespace varnet {

// The columns of the CSV export, in order.
const std::vector<std::string>& ExportColumns();

std::string ExportCsv(std::span<const StoredRun> runs);
std::string ExportJson(std::span<const StoredRun> runs);
std::string ExportHtml(std::span<const StoredRun> runs, const YieldSummary& summary,
                       const SummaryHeading& heading);

// The Pareto as an SVG element: a bar per cause (count) and the cumulative
// share as a line, causes named under their bars.
std::string ParetoSvg(const std::vector<FailureCauseCount>& pareto);

// Text made safe inside HTML and SVG.
std::string HtmlEscape(std::string_view text);

} // namespace varnet
