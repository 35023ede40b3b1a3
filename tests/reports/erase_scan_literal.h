// Plain readers of the erase-count and bad-block scan reports: every marker
// searched for from the cursor with a text search, one after the other, as
// the reading rules are stated. Slow on large reports; they exist so that
// the fast readers can be compared with them.
#pragma once

#include "reports/report_context.h"

#include <string_view>

namespace varnet::test {

void LiteralReadEraseReportText(std::string_view text, const PortReport& port);
void LiteralReadScanBadReportText(std::string_view text, const PortReport& port);

} // namespace varnet::test
