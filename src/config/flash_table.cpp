#include "config/flash_table.h"

#include "platform/text.h"
#include "platform/text_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

namespace varnet {
namespace {

constexpr size_t kFieldCount = 8;
constexpr std::array<std::string_view, kFieldCount> kColumnTitles = {
    "# name", "flash ID", "maker", "type", "MB per die", "dies per CE", "RDT firmware", "production firmware",
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Offending input quoted in a message, cut so that a garbage line cannot
// flood the operator's screen.
std::string Quoted(std::string_view text) {
    constexpr size_t kShown = 40;
    std::string out = "'";
    out += text.substr(0, kShown);
    out += text.size() > kShown ? "...'" : "'";
    return out;
}

std::optional<std::string> Unescape(std::string_view field, std::string& error) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\') {
            if (i + 1 < field.size() && field[i + 1] == '\\') {
                ++i;
            } else if (i + 3 < field.size() && field[i + 1] == 'x' && HexDigitValue(field[i + 2]) >= 0 &&
                       HexDigitValue(field[i + 3]) >= 0) {
                c = static_cast<char>(HexDigitValue(field[i + 2]) * 16 + HexDigitValue(field[i + 3]));
                i += 3;
            } else {
                error = "bad escape " + Quoted(field.substr(i, 4)) + " (use \\\\ or \\xHH)";
                return std::nullopt;
            }
        }
        if (c == '\0') {
            error = "holds a zero byte";
            return std::nullopt;
        }
        out += c;
    }
    return out;
}

// Fills a text field; false with a message when the text does not fit.
bool ParseText(std::string_view field, std::span<char> target, const char* what, std::string& error) {
    std::string reason;
    const std::optional<std::string> text = Unescape(field, reason);
    if (!text) {
        error = Format("%s %s", what, reason.c_str());
        return false;
    }
    if (text->size() > target.size() - 1) {
        error = Format("%s %s is %zu characters long, at most %zu fit", what, Quoted(*text).c_str(),
                       text->size(), target.size() - 1);
        return false;
    }
    SetFieldText(target, *text);
    return true;
}

bool ParseFlashId(std::string_view field, FlashId& id, std::string& error) {
    id.fill(0);
    size_t count = 0;
    size_t i = 0;
    while (i < field.size()) {
        if (IsBlank(field[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < field.size() && !IsBlank(field[end]))
            ++end;
        const std::string_view token = field.substr(i, end - i);
        i = end;
        if (token.size() > 2 || HexDigitValue(token[0]) < 0 ||
            (token.size() == 2 && HexDigitValue(token[1]) < 0)) {
            error = Format("flash ID byte %s is not one hexadecimal byte", Quoted(token).c_str());
            return false;
        }
        if (count == id.size()) {
            error = Format("flash ID has more than %zu bytes", id.size());
            return false;
        }
        int value = HexDigitValue(token[0]);
        if (token.size() == 2)
            value = value * 16 + HexDigitValue(token[1]);
        id[count++] = static_cast<uint8_t>(value);
    }
    if (count == 0) {
        error = "flash ID is empty";
        return false;
    }
    return true;
}

bool ParseNumber(std::string_view field, uint32_t max, const char* what, uint32_t& value,
                 std::string& error) {
    uint64_t n = 0;
    bool valid = !field.empty();
    for (char c : field) {
        if (c < '0' || c > '9' || n > max) {
            valid = false;
            break;
        }
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (!valid || n > max) {
        error = Format("%s %s is not a number from 0 to %u", what, Quoted(field).c_str(), max);
        return false;
    }
    value = static_cast<uint32_t>(n);
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t bar = line.find('|', start);
        fields.push_back(TrimBlanks(line.substr(start, bar == std::string_view::npos ? bar : bar - start)));
        if (bar == std::string_view::npos)
            return fields;
        start = bar + 1;
    }
}

bool ParseLine(std::string_view line, ST_SSD_FLASH_PARAM& record, std::string& error) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() != kFieldCount) {
        error = Format("expected %zu fields separated by '|', found %zu", kFieldCount, fields.size());
        return false;
    }
    std::memset(&record, 0, sizeof record);
    uint32_t mbPerDie = 0;
    uint32_t diesPerCe = 0;
    if (!ParseText(fields[0], record.name, "name", error) ||
        !ParseFlashId(fields[1], record.flashId, error) ||
        !ParseText(fields[2], record.makerText, "maker", error) ||
        !ParseText(fields[3], record.typeText, "type", error) ||
        !ParseNumber(fields[4], std::numeric_limits<uint32_t>::max(), "MB per die", mbPerDie, error) ||
        !ParseNumber(fields[5], std::numeric_limits<uint8_t>::max(), "dies per CE", diesPerCe, error) ||
        !ParseText(fields[6], record.rdtFirmware, "RDT firmware", error) ||
        !ParseText(fields[7], record.mpFirmware, "production firmware", error))
        return false;
    record.SetMbPerDie(mbPerDie);
    record.diesPerCe = static_cast<uint8_t>(diesPerCe);
    return true;
}

std::string Escaped(std::string_view text, bool leadingHashIsComment) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool atEnd = i == 0 || i + 1 == text.size();
        if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7F || c == '|' || (atEnd && c == ' ') ||
                 (i == 0 && c == '#' && leadingHashIsComment))
            out += Format("\\x%02X", c);
        else
            out += static_cast<char>(c);
    }
    return out;
}

std::string FlashIdText(const FlashId& id) {
    // Six bytes are what the station compares and shows; the last two only
    // when they are set.
    size_t shown = id.size();
    while (shown > 6 && id[shown - 1] == 0)
        --shown;
    std::string out;
    for (size_t i = 0; i < shown; ++i)
        out += Format(i == 0 ? "%02X" : " %02X", id[i]);
    return out;
}

} // namespace

FlashTable ParseFlashTable(std::string_view text) {
    FlashTable table;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        ST_SSD_FLASH_PARAM record;
        std::string error;
        if (ParseLine(line, record, error))
            table.records.push_back(record);
        else
            table.errors.push_back(Format("line %zu: %s", lineNumber, error.c_str()));
    }
    return table;
}

std::string FormatFlashTable(std::span<const ST_SSD_FLASH_PARAM> records) {
    std::vector<std::array<std::string, kFieldCount>> rows;
    rows.reserve(records.size());
    for (const ST_SSD_FLASH_PARAM& record : records) {
        rows.push_back({
            Escaped(FieldText(record.name), true),
            FlashIdText(record.flashId),
            Escaped(FieldText(record.makerText), false),
            Escaped(FieldText(record.typeText), false),
            Format("%u", record.MbPerDie()),
            Format("%u", static_cast<unsigned>(record.diesPerCe)),
            Escaped(FieldText(record.rdtFirmware), false),
            Escaped(FieldText(record.mpFirmware), false),
        });
    }
    std::array<size_t, kFieldCount> widths{};
    for (size_t column = 0; column < kFieldCount; ++column) {
        widths[column] = kColumnTitles[column].size();
        for (const auto& row : rows)
            widths[column] = std::max(widths[column], row[column].size());
    }
    auto formatLine = [&](auto cell) {
        std::string line;
        for (size_t column = 0; column < kFieldCount; ++column) {
            const std::string_view text = cell(column);
            line += text;
            if (column + 1 < kFieldCount) {
                line.append(widths[column] - text.size(), ' ');
                line += " | ";
            }
        }
        return line + "\n";
    };
    std::string out = formatLine([](size_t column) { return kColumnTitles[column]; });
    for (const auto& row : rows)
        out += formatLine([&row](size_t column) { return std::string_view(row[column]); });
    return out;
}

} // namespace varnet
