#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace varnet {
namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.empty())
        return true;
    if (part.size() > text.size())
        return false;
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, part.size()), part))
            return true;
    }
    return false;
}

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), UpperAscii);
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string_view FieldText(std::span<const char> field) {
    const void* zero = std::memchr(field.data(), 0, field.size());
    const size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - field.data()) : field.size();
    return {field.data(), n};
}

std::string_view FieldText(std::span<const unsigned char> field) {
    return FieldText(std::span<const char>(reinterpret_cast<const char*>(field.data()), field.size()));
}

void SetFieldText(std::span<char> field, std::string_view text) {
    if (field.empty())
        return;
    const size_t n = std::min(text.size(), field.size() - 1);
    if (n > 0)
        std::memcpy(field.data(), text.data(), n);
    std::memset(field.data() + n, 0, field.size() - n);
}

std::string_view Prefix(std::string_view text, size_t n) {
    return text.substr(0, std::min(n, text.size()));
}

std::string_view Slice(std::string_view text, size_t first, size_t n) {
    if (first == 0 || first > text.size())
        return {};
    return text.substr(first - 1, n);
}

} // namespace varnet

namespace varnet {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string ValidUtf8(std::string_view text) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t min = 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF)
            length = 2, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4, min = 0x10000;
        bool ok = length != 0 && i + length <= text.size();
        uint32_t code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (ok && (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF))
            ok = false;
        if (ok) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

} // namespace varnet
