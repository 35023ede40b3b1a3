// Reports that hold nothing to judge a drive by, as a full disk, a library
// that died while writing or a file of something else leave them: for the
// tests of every station that judges a report. In a namespace of their own,
// as every station's tests link into one binary.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnet::test::unreadable {

struct Report {
    const char* name;
    std::string bytes;
};

// An empty, a binary and a NUL-filled file, and the whole report cut right
// before firstCount, the first count line (or block) of its kind.
inline std::vector<Report> Reports(std::string_view whole, std::string_view firstCount) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 131 + 7) % 256);
    const size_t cut = whole.find(firstCount);
    return {{"empty", ""},
            {"binary", binary},
            {"NUL-filled", std::string(whole.size(), '\0')},
            {"cut before its counts", std::string(whole.substr(0, cut == std::string_view::npos ? 0 : cut))}};
}

} // namespace varnet::test::unreadable
