// The text rules every report reader follows: searching from a position,
// slices up to a separator, and the decimal value of a slice.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnet {

inline constexpr size_t kNotFound = std::string_view::npos;

// Position of the first key at or after from; kNotFound when absent (also
// when from lies past the end). The time taken does not depend on how often
// the key's first byte comes in the text: a report can be one long run of it.
size_t FindFrom(std::string_view text, std::string_view key, size_t from);

// Leading and trailing white space (space, tab, CR, LF, VT, FF) removed.
std::string_view TrimWhite(std::string_view text);

// The decimal value of a slice: trimmed, an optional sign, then digits up to
// the first other character; 0 when there are none. Numbers beyond 32 bits
// saturate, so an absurd count stays an absurd count instead of wrapping to a
// plausible one.
int32_t ReportValue(std::string_view slice);

// The slice from `from` up to (not including) the next separator; false when
// there is none.
inline bool SliceTo(std::string_view text, size_t from, std::string_view separator, std::string_view& slice) {
    const size_t end = FindFrom(text, separator, from);
    if (end == kNotFound)
        return false;
    slice = text.substr(from, end - from);
    return true;
}

// Every occurrence of c removed.
std::string RemoveChar(std::string_view text, char c);

// What ReportValue and a search give on the slice with every byte of
// `removed` taken out, without making that copy: the slice may be most of a
// report, and reading it must not take as much memory again.
int32_t ReportValueWithout(std::string_view slice, std::string_view removed);
// The first separator at or after from once the bytes of `removed` are taken
// out: the position of its first byte (kNotFound when absent), and in end the
// position just past its last one. Its first byte must not be one removed.
size_t FindWithout(std::string_view text, size_t from, std::string_view separator, std::string_view removed,
                   size_t& end);

// The plane values of one report line ("... Plane0=7, Plane1=3\n"): for each
// plane p the key "Plane<p>=" counts only at line position 1 or later; its
// value runs to the next "," after it, else to the next "\n", else the plane
// is skipped. Missing planes keep their entry.
void ReadPlaneValues(std::string_view line, std::array<int32_t, 4>& planes);

} // namespace varnet
