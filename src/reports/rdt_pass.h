// Whether a burn-in result passes: the retention test, the limits the report
// gave (or the station's), the later bad blocks of each die after a retention
// run, or the built-in limit of 10 blocks when the report names none.
//
// Pure: reads the record and the CE restriction of the active configuration.
// Counts are compared as unsigned numbers, so a negative count (an absurd
// report) exceeds every limit instead of passing under it.
#pragma once

#include "reports/report_context.h"

namespace varnet {

bool IsRdtPass(const ST_PORT_RESULT& result, const ReportContext& context);

} // namespace varnet
