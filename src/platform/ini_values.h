// The value forms of the INI files: how integers, hexadecimal bytes and
// length-limited strings are read back from the text of a key, as the device
// library reads the same files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnet {

// Integer read: nullopt (key absent) or an empty value gives def; otherwise
// an optional sign and the leading decimal digits, 0 when there are none.
// Digits beyond 32 bits wrap, as the platform's conversion does.
int32_t ParseProfileInt(std::optional<std::string_view> value, int32_t def);

// Hex read: every character is a digit, '0'-'9', 'A'-'F', 'a'-'f' giving its
// value and any other character 0, accumulated four bits at a time.
uint32_t ParseHexDigits(std::string_view text);

// A string read into a buffer of size bytes keeps size - 1 characters.
std::string_view CutToBuffer(std::string_view text, size_t size);

// A string read that falls back on its default returns the default without
// its trailing blanks, as the platform's read does.
std::string_view DefaultText(std::string_view def);

// Integer write: "%d" of the value's low 32 bits taken as a signed int, as
// the platform writes integers, so 4294967293 is written "-3".
std::string IntText(int64_t value);

// "%02X" of the value, the form the hex keys are written in.
std::string HexByteText(uint32_t value);

} // namespace varnet
