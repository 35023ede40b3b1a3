// A plain reading of the burn-in report, part by part in reading order: one
// search of the whole text per CE, die and plane, one per CE for the speed
// errors, and the report read as a whole INI document. Slow on large reports
// and kept only as the reference the fast reader is compared with; it makes
// the same choices where a plain reading would misread (9-column temperature
// header first, a speed error's CE standing alone, absurd numbers saturating,
// byte fields outside 0..255 held as 255).
#pragma once

#include "reports/report_context.h"

#include <string_view>

namespace varnet::test {

void ReadRdtReportLiteral(std::string_view text, const ReportContext& context, const PortReport& port);

} // namespace varnet::test
