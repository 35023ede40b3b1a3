// Byte-text helpers with the platform's rules: names compare without regard to
// ASCII letter case, "blank" means space or tab. Texts are UTF-8 bytes; only
// ASCII letters change case.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace varnet {

bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);
std::string_view TrimBlanks(std::string_view text);

// The text of a fixed-size character field: up to its first zero byte, or the
// whole field when it has none, so a field without terminator never reads past
// its end.
std::string_view FieldText(std::span<const char> field);
std::string_view FieldText(std::span<const unsigned char> field);

// Copies text into a fixed-size field, cut to size - 1 characters and
// zero-filled, as the records' text fields are kept.
void SetFieldText(std::span<char> field, std::string_view text);

// At most n leading characters of text (fewer when it is shorter).
std::string_view Prefix(std::string_view text, size_t n);
// Characters first .. first + n - 1 (1-based), clipped to the text.
std::string_view Slice(std::string_view text, size_t first, size_t n);

} // namespace varnet

namespace varnet {

// The value of a hexadecimal digit ('0'-'9', 'A'-'F', 'a'-'f'), -1 for any
// other character.
int HexDigitValue(char c);

// The text as valid UTF-8: every byte sequence that is not well-formed UTF-8
// becomes U+FFFD, so bytes a library put into a buffer can be shown safely.
std::string ValidUtf8(std::string_view text);

} // namespace varnet
