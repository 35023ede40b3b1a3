// The readable form of the flash database, from which FlashInfo.dat is made
// and into which one is dumped: one record per line,
//
//   name | flash ID | maker | type | MB per die | dies per CE | RDT firmware | production firmware
//
// e.g. "BICS3 | 98 3C 98 B3 76 72 | TOSHIBA | BICS3 TLC | 32768 | 1 | ... | ...". The flash ID
// is one to eight hexadecimal bytes separated by blanks (missing bytes are 0);
// the numbers are decimal. Blanks around a field do not count, a line whose
// first non-blank character is '#' is a comment, blank lines are ignored.
//
// A text may carry "\\" for a backslash and "\xHH" for any other byte, so that
// every record read from a file can be written out and read back unchanged
// (the writer escapes '|', control characters, bytes above 0x7E, blanks at a
// field's ends and a leading '#'). Texts keep their field's terminator: at
// most 31 bytes for the name, 15 for maker and type, 127 for firmware names.
//
// The bytes the tool does not interpret (0-63 and 397-399 of a record) are not
// part of the table and are written as zeros.
#pragma once

#include "config/flash_database.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnet {

struct FlashTable {
    std::vector<ST_SSD_FLASH_PARAM> records; // the good lines, in table order
    std::vector<std::string> errors;         // "line N: why", one per bad line

    bool ok() const { return errors.empty(); }
};

// Never throws on any input; a bad line is reported and skipped.
FlashTable ParseFlashTable(std::string_view text);

// The table text of records (a header comment, then one aligned line each),
// which ParseFlashTable turns back into the same records apart from the
// uninterpreted bytes and anything after a text's terminator. A text that
// fills its whole field (no terminator: only a damaged file has one) is shown
// whole and refused when read back, since the field could not keep it.
std::string FormatFlashTable(std::span<const ST_SSD_FLASH_PARAM> records);

} // namespace varnet
