#include "platform/ini_values.h"

#include "platform/text_format.h"

#include <algorithm>

namespace varnet {

int32_t ParseProfileInt(std::optional<std::string_view> value, int32_t def) {
    if (!value || value->empty())
        return def;
    std::string_view text = *value;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    uint32_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        result = result * 10u + static_cast<uint32_t>(c - '0');
    }
    if (negative)
        result = 0u - result;
    return static_cast<int32_t>(result);
}

uint32_t ParseHexDigits(std::string_view text) {
    uint32_t result = 0;
    for (char c : text) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        result = (result << 4) | digit;
    }
    return result;
}

std::string_view CutToBuffer(std::string_view text, size_t size) {
    if (size == 0)
        return {};
    return text.substr(0, std::min(text.size(), size - 1));
}

std::string_view DefaultText(std::string_view def) {
    while (!def.empty() && (def.back() == ' ' || def.back() == '\t'))
        def.remove_suffix(1);
    return def;
}

std::string IntText(int64_t value) {
    return Format("%d", static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(value))));
}

std::string HexByteText(uint32_t value) {
    return Format("%02X", value);
}

} // namespace varnet
