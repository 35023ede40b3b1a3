// Which station a station file asks for, judged on the key's text as the
// file holds it. The record's loader turns anything it cannot read into
// station 0 (01_EraseAll), so a damaged file would erase every drive; a run
// is only ever started from a selection this judgement accepted.
//
// Reads the file once per call; any thread. Never fails: an unreadable file
// has no selection.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace varnet {

// The station 0-7 the file's [General Info] TestStationSel names; nullopt
// when the key is missing or empty, is not a whole number (digits only,
// surrounding blanks and one pair of quotes aside), or names no station.
std::optional<int> ReadStationSelection(const std::filesystem::path& stationFile);

// The same judgement of a value's text as the INI reader returns it.
std::optional<int> ParseStationSelection(std::string_view text);

} // namespace varnet
