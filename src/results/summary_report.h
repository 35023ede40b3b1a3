// The yield figures as varnet-results prints them: text tables for a person
// or one JSON object for a program, with the same definitions the Yield page
// shows. Pure functions.
#pragma once

#include "results/yield_summary.h"

#include <string>

namespace varnet {

struct SummaryHeading {
    std::string fromDay; // "YYYY-MM-DD"; empty: from the first run
    std::string toDay;   // "YYYY-MM-DD"; empty: to the last run
    std::string station; // empty: every station
    std::string source;  // the database or line server the figures come from
};

std::string SummaryText(const YieldSummary& summary, const SummaryHeading& heading);
std::string SummaryJson(const YieldSummary& summary, const SummaryHeading& heading);

// Rows of cells as aligned columns (numbers right, texts left), each line
// ending in "\n". A cell's width is counted in characters, not bytes.
std::string TextTable(const std::vector<std::vector<std::string>>& rows,
                      const std::vector<bool>& rightAligned);

} // namespace varnet
