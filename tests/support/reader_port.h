// One port's record, list and read progress as a report reader fills them,
// and the first difference between two such ports: what the differential
// tests compare a fast reader's outcome with a literal reading by.
#pragma once

#include "reports/report_context.h"

#include <memory>
#include <string>

namespace varnet::test {

struct ReaderPort {
    std::unique_ptr<ST_PORT_RESULT> result = std::make_unique<ST_PORT_RESULT>();
    BadBlockList badBlocks;
    int32_t readProgress = -1;
    PortReport Report() { return PortReport{*result, badBlocks, &readProgress}; }
};

// Empty when every field of the record, the read progress and every list
// entry are equal; otherwise names the first that is not.
std::string FirstDifference(const ReaderPort& a, const ReaderPort& b);

} // namespace varnet::test
