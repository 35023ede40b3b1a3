// The run record as one line of JSON, and back: the run journal's format and
// the JSON export's.
//
// Encoding writes the keys in a fixed order (run_id, station, port, drive,
// interface_path, model, firmware, drive_serial, serial, flash_id, verdict,
// error_code, error_message, text, report_path, aux_report_path, started_at,
// ended_at, duration_ms, host, station_file), times as UTC texts with
// milliseconds, strings escaped per RFC 8259; the line is always valid UTF-8
// (bytes that are not become U+FFFD) and holds no line break, so one record is
// one line whatever its texts hold.
//
// Decoding takes any JSON object: keys in any order, unknown keys skipped
// (nested to a limited depth), missing keys left at their defaults, a later
// duplicate key winning; it needs a non-empty run_id. Anything that is not
// such an object (a torn line, a wrong type, a bad time) is refused with a
// reason, never half-read. Both are pure functions that never throw.
#pragma once

#include "engine/port_run_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// Appends text as a JSON string literal, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

std::string EncodeRunRecord(const PortRunRecord& record);

// Appends the record's members (without braces), for writers that add
// members of their own to the object.
void AppendRunRecordMembers(std::string& out, const PortRunRecord& record);

std::optional<PortRunRecord> DecodeRunRecord(std::string_view line, std::string* error = nullptr);

} // namespace varnet
