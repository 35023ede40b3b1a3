// Random identifiers: a UUID version 4 (RFC 9562) in its 36-character text
// form, from the kernel's random source. Any thread; never fails (should the
// kernel refuse, a per-process generator seeded from the clock and the
// process stands in, so identifiers stay unique in practice).
#pragma once

#include <string>

namespace varnet {

std::string NewUuidV4();

} // namespace varnet
