#include "reports/flash_id_list.h"

#include "platform/file_io.h"
#include "platform/text.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace varnet {
namespace {

constexpr size_t kIdBytes = 8;
constexpr size_t kIdTextLength = 3 * kIdBytes; // two digits and a separator per byte

// A character that is no hexadecimal digit counts as 0, as the list's
// reader always took it.
int HexDigit(char c) {
    return std::max(HexDigitValue(c), 0);
}

// The ID text after a colon; characters past the end of the file add no
// digit, so a cut-off "9" reads as 0x09.
std::array<uint8_t, 8> ReadId(std::string_view text, size_t colon) {
    std::array<uint8_t, 8> id{};
    for (size_t j = 0; j < kIdBytes; ++j) {
        unsigned value = 0;
        for (size_t k = 1; k <= 2; ++k) {
            const size_t at = colon + 3 * j + k;
            if (at < text.size())
                value = value * 16 + static_cast<unsigned>(HexDigit(text[at]));
        }
        id[j] = static_cast<uint8_t>(value);
    }
    return id;
}

} // namespace

void ReadFlashIdList(const std::filesystem::path& path, ST_PORT_RESULT& result) {
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return;
    ReadFlashIdListText(*text, result);
}

void ReadFlashIdListText(std::string_view text, ST_PORT_RESULT& result) {
    // The record is large; a worker thread's stack need not hold a second one.
    const auto fresh = std::make_unique<ST_PORT_RESULT>();
    size_t count = 0;
    // A colon among the 24 characters of an ID is part of that ID's text.
    for (size_t colon = text.find(':'); colon != std::string_view::npos && count < kMaxFlashIds;
         colon = text.find(':', colon + kIdTextLength + 1))
        fresh->flashId[count++] = ReadId(text, colon);

    for (size_t channel = 0; channel < 8; ++channel) {
        bool populated = false;
        for (size_t ce = 0; ce < 8; ++ce) {
            if (IsValidFlashId(fresh->flashId[channel * 8 + ce])) {
                ++fresh->flashCount;
                populated = true;
            }
        }
        fresh->channelCount += populated ? 1 : 0;
    }
    result = *fresh;
}

} // namespace varnet
