// The one formatting helper for printf-style texts ("%02X", "%s (%s)", ...).
// The format attribute makes the compiler check every call's arguments against
// its format string (the build treats a mismatch as an error), and the helper
// itself never throws: a text that cannot be formatted comes back empty.
#pragma once

#include <string>

namespace varnet {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace varnet
