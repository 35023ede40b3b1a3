// Texts stored in the simulated station's INI files (the MES route store,
// the drives' state files): every byte that would change a line's meaning or
// be trimmed away (control bytes, '%', '=', '[', ']', ';', quotes, and blanks
// at either end) is written as %XX, so any text round-trips.
#pragma once

#include <string>
#include <string_view>

namespace varnet::sim {

std::string EncodeStoreText(std::string_view text);
// A '%' not followed by two hex digits is kept as it is.
std::string DecodeStoreText(std::string_view text);

} // namespace varnet::sim
