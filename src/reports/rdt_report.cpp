#include "reports/rdt_report.h"

#include "platform/file_io.h"
#include "platform/ini_values.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/report_header.h"
#include "reports/report_text.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace varnet {
namespace {

constexpr std::string_view kRdtFw = "RDT FW :";
constexpr std::string_view kTestingTime = "Total testing time=";
constexpr std::string_view kDiePerCe = "Die per CE=";
constexpr std::string_view kSettings = "(TLC/MLC loop, SLC loop, ECC threshold, SLC ECC threshold) = (";
constexpr std::string_view kPlaneBlock = "Setting Total Later Bad Spec Per Die";
constexpr std::string_view kAllBad = "All Bad=";
constexpr std::string_view kEarlyBad = "Early Bad=";
constexpr std::string_view kLaterBad = "Later Bad=";
// The 8-column header is the tail of the 9-column one, so the 9-column one
// is looked for first: the other way round a 9-column table would be read
// from the wrong column.
constexpr std::string_view kTemperature9 = "Loop,Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)";
constexpr std::string_view kTemperature8 = "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)";
constexpr std::string_view kDdrTest = "DDR Test";
constexpr std::string_view kLimitsHead =
    "(max later bad, max later bad per CE, max later bad per plane per CE";
constexpr std::string_view kLimits3 = "(max later bad, max later bad per CE, max later bad per plane per CE)";
constexpr std::string_view kLimits7 = "(max later bad, max later bad per CE, max later bad per plane per CE, "
                                      "max erase fail, max program fail, max read fail, enable max fail)";
constexpr std::string_view kRetentionMark = "Write Rentention Mark";
constexpr std::string_view kSpeedError = "Speed Over SPEC in CE_";
constexpr std::string_view kSpeedErrorLead = "[Error]Test ";
constexpr std::string_view kFailHeader =
    "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,"
    "Step number,Stage number,Over threshold correctable bit,Time Stamp";
constexpr std::string_view kSettingsInRow = "(TLC/MLC loop, SLC loop,";
constexpr std::string_view kListEnd = "Setting Total Later Bad";

constexpr int kPlaneSlots = kMaxCe * kMaxDie * kMaxPlane;

// Space, or one of tab, line feed, vertical tab, form feed, carriage return.
[[gnu::always_inline]] inline bool IsWhite(char c) {
    return c == ' ' || static_cast<unsigned char>(c - '\t') <= '\r' - '\t';
}

[[gnu::always_inline]] inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') <= 9;
}

[[gnu::always_inline]] inline std::string_view Trimmed(const char* begin, const char* end) {
    // Fields rarely have white space around them: one test each way for them.
    if (begin != end &&
        (static_cast<unsigned char>(*begin) <= ' ' || static_cast<unsigned char>(end[-1]) <= ' ')) {
        while (begin != end && IsWhite(*begin))
            ++begin;
        while (end != begin && IsWhite(end[-1]))
            --end;
    }
    return std::string_view(begin, static_cast<size_t>(end - begin));
}

bool Contains(std::string_view text, std::string_view key) {
    return text.find(key) != kNotFound;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// A byte field from a report number: the number itself when it fits, else
// 255 (never a plausible CE, plane or flag 0).
uint8_t ByteOf(int32_t value) {
    return value >= 0 && value <= 255 ? static_cast<uint8_t>(value) : 255;
}

void AddSaturating(int32_t& total, int32_t amount) {
    total = ClampToInt32(static_cast<int64_t>(total) + amount);
}

// The fail list and the temperature table are most of a report, read line
// by line and field by field. Their lines are scanned sixteen bytes at a
// time for the line feed and the commas, so that the place of every field is
// known before any of them is read: the fields are then read independently
// of each other instead of each waiting for the end of the one before.

// Bit i set where byte i of the sixteen at p is a comma, or a line feed.
struct BlockBits {
    uint32_t commas;
    uint32_t lineFeeds;
};

[[gnu::always_inline]] inline BlockBits ScanBlock(const char* p) {
#if defined(__SSE2__)
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return {static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(',')))),
            static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'))))};
#else
    BlockBits bits{0, 0};
    for (unsigned i = 0; i < 16; ++i) {
        bits.commas |= static_cast<uint32_t>(p[i] == ',') << i;
        bits.lineFeeds |= static_cast<uint32_t>(p[i] == '\n') << i;
    }
    return bits;
#endif
}

constexpr size_t kMaxLineCommas = 12;

// A line and the first of its commas.
struct ScannedLine {
    std::string_view text; // up to the line feed, without a carriage return before it
    size_t next = 0;       // where the line after it starts
    size_t commaCount = 0; // commas in text, at most the number asked for
    std::array<const char*, kMaxLineCommas> commas;
};

// The line that starts at start, with up to maxCommas of its commas; false
// when no line feed follows (the line is missing).
bool ScanLine(std::string_view text, size_t start, size_t maxCommas, ScannedLine& line) {
    if (start >= text.size())
        return false;
    const char* const begin = text.data() + start;
    const char* const textEnd = text.data() + text.size();
    line.commaCount = 0;
    for (const char* p = begin; p < textEnd; p += 16) {
        BlockBits bits;
        if (textEnd - p >= 16) {
            bits = ScanBlock(p);
        } else {
            char tail[16] = {}; // zero bytes are neither commas nor line feeds
            std::memcpy(tail, p, static_cast<size_t>(textEnd - p));
            bits = ScanBlock(tail);
        }
        uint32_t commas = bits.commas;
        if (bits.lineFeeds != 0)
            commas &= (1u << std::countr_zero(bits.lineFeeds)) - 1;
        for (; commas != 0 && line.commaCount < maxCommas; commas &= commas - 1)
            line.commas[line.commaCount++] = p + std::countr_zero(commas);
        if (bits.lineFeeds != 0) {
            const char* const lineFeed = p + std::countr_zero(bits.lineFeeds);
            const char* end = lineFeed;
            if (end != begin && end[-1] == '\r')
                --end;
            line.text = std::string_view(begin, static_cast<size_t>(end - begin));
            line.next = static_cast<size_t>(lineFeed + 1 - text.data());
            return true;
        }
    }
    return false;
}

// The line that starts at start: the text up to its line feed, without a
// carriage return right before it. False when no line feed follows (the
// line is missing); next is where the line after it starts.
bool LineAt(std::string_view text, size_t start, std::string_view& line, size_t& next) {
    if (start >= text.size())
        return false;
    const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
    if (!found)
        return false;
    const size_t lineFeed = static_cast<size_t>(static_cast<const char*>(found) - text.data());
    line = text.substr(start, lineFeed - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    next = lineFeed + 1;
    return true;
}

// Where the line after the one holding position at starts; kNotFound when no
// line feed follows.
size_t NextLineStart(std::string_view text, size_t at) {
    const size_t lineFeed = FindFrom(text, "\n", at);
    return lineFeed == kNotFound ? kNotFound : lineFeed + 1;
}

// ReportValue of the slice that starts at from (and ends at a separator that
// is neither white space nor a digit), reading only what decides the value:
// leading white space, a sign, digits. With skipSpaces the spaces inside are
// taken out first, as the count fields of the plane lines are read. Only the
// first 11 significant digits are kept: any more saturate as they do.
int32_t LeadingValue(std::string_view text, size_t from, bool skipSpaces) {
    char kept[16];
    size_t count = 0;
    size_t i = from;
    while (i < text.size() && IsWhite(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        kept[count++] = text[i++];
    size_t significant = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' && skipSpaces)
            continue;
        if (!IsDigit(c))
            break;
        if ((c == '0' && significant == 0) || significant == 11)
            continue;
        kept[count++] = c;
        ++significant;
    }
    return ReportValue(std::string_view(kept, count));
}

constexpr std::array<int8_t, 256> kHexDigits = [] {
    std::array<int8_t, 256> digits{};
    digits.fill(-1);
    for (int c = 0; c < 10; ++c)
        digits['0' + c] = static_cast<int8_t>(c);
    for (int c = 0; c < 6; ++c)
        digits['a' + c] = digits['A' + c] = static_cast<int8_t>(10 + c);
    return digits;
}();

// The block field: every "0x" taken out (left to right, as a replace-all
// does), then read as hexadecimal the way decimals are read: leading white space
// trimmed, an optional sign, digits up to the first other character,
// saturating at the 32-bit limits.
int32_t BlockValue(std::string_view field) {
    // Nearly every block is written "0x" and a few hexadecimal digits.
    if (field.size() >= 3 && field.size() <= 9 && field[0] == '0' && field[1] == 'x') {
        uint32_t value = 0;
        size_t i = 2;
        for (; i < field.size(); ++i) {
            const int digit = kHexDigits[static_cast<unsigned char>(field[i])];
            if (digit < 0)
                break;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        if (i == field.size())
            return static_cast<int32_t>(value);
    }
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    enum { kLead, kDigits } state = kLead;
    bool negative = false;
    int64_t value = 0;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '0' && i + 1 < field.size() && field[i + 1] == 'x') {
            ++i;
            continue;
        }
        const char c = field[i];
        if (state == kLead) {
            if (IsWhite(c))
                continue;
            state = kDigits;
            if (c == '-' || c == '+') {
                negative = c == '-';
                continue;
            }
        }
        int digit;
        if (IsDigit(c))
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = std::min(value * 16 + digit, kLimit);
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
}

bool HasNa(std::string_view field) {
    for (size_t i = 1; i < field.size(); ++i) {
        if (field[i] == 'A' && field[i - 1] == 'N')
            return true;
    }
    return false;
}

// ReportValue of the trimmed fields of one report, in few instructions and
// fewer branches: the fields are short numbers of varying length, and a loop
// over their digits mispredicts its end once a field.
class FieldValues {
public:
    explicit FieldValues(std::string_view text) : textEnd_(text.data() + text.size()) {}

    // The value of a field; whole tells whether the number was all of it.
    [[gnu::always_inline]] int32_t Value(std::string_view field, bool& whole) const {
        whole = true;
        if (field.empty()) // an unread field need not point into the text
            return 0;
        const char* p = field.data();
        const char* const end = p + field.size();
        const bool negative = p != end && *p == '-';
        if (p != end && (*p == '-' || *p == '+'))
            ++p;
        uint32_t value;
        size_t count;
        if constexpr (std::endian::native == std::endian::little) {
            if (textEnd_ - p >= 8) {
                value = EightDigits(p, static_cast<size_t>(end - p), count);
            } else {
                value = SlowDigits(p, end, count);
            }
        } else {
            value = SlowDigits(p, end, count);
        }
        p += count;
        if (count == 8 && p != end && IsDigit(*p))
            return LongValue(value, p, end, negative, whole);
        whole = p == end;
        return negative ? -static_cast<int32_t>(value) : static_cast<int32_t>(value);
    }

    int32_t Value(std::string_view field) const {
        bool whole;
        return Value(field, whole);
    }

    // The decimal value of a fail-row field, 0 when it reads "NA".
    int32_t NaValue(std::string_view field) const {
        bool whole;
        const int32_t value = Value(field, whole);
        return !whole && HasNa(field) ? 0 : value;
    }

    // Most fields are a few plain digits: those are read at once, any
    // other field the general way.
    [[gnu::always_inline]] int32_t Plain(std::string_view field) const {
        int32_t value;
        return PlainDigits(field, value) ? value : Value(field);
    }

    [[gnu::always_inline]] int32_t NaPlain(std::string_view field) const {
        int32_t value;
        return PlainDigits(field, value) ? value : NaValue(field);
    }

private:
    [[gnu::always_inline]] bool PlainDigits(std::string_view field, int32_t& value) const {
        if constexpr (std::endian::native == std::endian::little) {
            if (field.size() - 1 >= 8 || textEnd_ - field.data() < 8)
                return false;
            size_t count;
            value = static_cast<int32_t>(EightDigits(field.data(), field.size(), count));
            return count == field.size();
        } else {
            return false;
        }
    }

    // Up to eight leading digits of the eight bytes at p, at most limit of
    // them: their value, and how many there were.
    [[gnu::always_inline]] static uint32_t EightDigits(const char* p, size_t limit, size_t& count) {
        constexpr uint64_t kOnes = 0x0101010101010101u;
        constexpr uint64_t kHigh = kOnes * 0x80;
        uint64_t word;
        std::memcpy(&word, p, 8);
        // Per byte, without carries between bytes: at least '0', above '9',
        // or not ASCII at all.
        const uint64_t low = word & ~kHigh;
        const uint64_t digits =
            (low + kOnes * (0x80 - '0')) & ~(low + kOnes * (0x80 - '9' - 1)) & ~word & kHigh;
        const uint64_t others = ~digits & kHigh;
        count = others == 0 ? 8 : static_cast<size_t>(std::countr_zero(others)) / 8;
        count = std::min(count, limit);
        if (count == 0)
            return 0;
        // The digits moved to the top, the bytes below them zero digits:
        // eight digits, most significant first, converted in three steps.
        uint64_t value = (word - kOnes * '0') << (8 * (8 - count));
        value = value * 10 + (value >> 8);
        value = (((value & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
                 (((value >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
                32;
        return static_cast<uint32_t>(value);
    }

    // More than eight digits (time stamps have ten), saturating at the
    // 32-bit limits as ReportValue does.
    static int32_t LongValue(uint32_t first, const char*& p, const char* end, bool negative, bool& whole) {
        constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
        int64_t value = first;
        for (; p != end && IsDigit(*p); ++p)
            value = std::min<int64_t>(value * 10 + (*p - '0'), kLimit);
        whole = p == end;
        if (negative)
            return static_cast<int32_t>(-value);
        return static_cast<int32_t>(value >= kLimit ? kLimit - 1 : value);
    }

    static uint32_t SlowDigits(const char* p, const char* end, size_t& count) {
        uint32_t value = 0;
        count = 0;
        for (; p != end && count < 8 && IsDigit(*p); ++p, ++count)
            value = value * 10 + static_cast<uint32_t>(*p - '0');
        return value;
    }

    const char* textEnd_;
};

std::string_view LabelOf(std::string_view failType) {
    if (Contains(failType, "Factory bad block"))
        return "Early Bad";
    // The three read kinds all contain "Read": without it none can match.
    if (Contains(failType, "Read")) {
        if (Contains(failType, "Read correctable bit over threshold"))
            return "Read over threshold";
        if (Contains(failType, "Read uncorrectable fail"))
            return "Read uncorrectable";
        if (Contains(failType, "Read Page All Data"))
            return "Read Data 00";
        return failType;
    }
    if (Contains(failType, "Erase"))
        return "Erase Fail";
    if (Contains(failType, "Program"))
        return "Program Fail";
    return failType;
}

// The canonical decimal form ("%d", no leading zero) of 0..limit at pos,
// standing alone: the whole run of digits there.
bool ReadIndex(std::string_view text, size_t& pos, int limit, int& value) {
    const size_t begin = pos;
    while (pos < text.size() && IsDigit(text[pos]) && pos - begin < 3)
        ++pos;
    const size_t length = pos - begin;
    if (length == 0 || length == 3 || (length == 2 && text[begin] == '0'))
        return false;
    value = text[begin] - '0';
    if (length == 2)
        value = value * 10 + (text[begin + 1] - '0');
    return value <= limit;
}

bool Expect(std::string_view text, size_t& pos, std::string_view what) {
    if (text.substr(pos, what.size()) != what)
        return false;
    pos += what.size();
    return true;
}

int PlaneSlot(int ce, int die, int plane) {
    return (ce * kMaxDie + die) * kMaxPlane + plane;
}

// Where each "CE_<ce>,Die_<die>,Plane_<plane>," marker first stands, found in
// one pass: a marker matches wherever a plain search for its formatted text
// would match it (inside other text too, not where more digits follow).
std::array<size_t, kPlaneSlots> FirstPlaneMarkers(std::string_view text) {
    std::array<size_t, kPlaneSlots> first;
    first.fill(kNotFound);
    for (size_t at = text.find("CE_"); at != kNotFound; at = text.find("CE_", at + 1)) {
        size_t pos = at + 3;
        int ce = 0;
        int die = 0;
        int plane = 0;
        if (ReadIndex(text, pos, kMaxCe - 1, ce) && Expect(text, pos, ",Die_") &&
            ReadIndex(text, pos, kMaxDie - 1, die) && Expect(text, pos, ",Plane_") &&
            ReadIndex(text, pos, kMaxPlane - 1, plane) && Expect(text, pos, ",")) {
            size_t& slot = first[static_cast<size_t>(PlaneSlot(ce, die, plane))];
            if (slot == kNotFound)
                slot = at;
        }
    }
    return first;
}

// The first occurrence of a key at or after a position, for positions asked
// in rising order: a search ends where the last one found its key, or is not
// repeated at all, so a run of searches reads each part of the text once.
class RisingFinder {
public:
    RisingFinder(std::string_view text, std::string_view key) : text_(text), key_(key) {}
    size_t Find(size_t from) {
        if (!known_ || (found_ != kNotFound && from > found_)) {
            known_ = true;
            found_ = FindFrom(text_, key_, from);
        }
        return found_;
    }

private:
    std::string_view text_;
    std::string_view key_;
    bool known_ = false;
    size_t found_ = kNotFound;
};

// One count of the plane lines: the value after each key occurrence is read
// once, however many markers lead to the same occurrence.
class PlaneCount {
public:
    PlaneCount(std::string_view text, std::string_view key, char separator)
        : text_(text), key_(key), finder_(text, key), separator_(separator),
          lastSeparator_(text.rfind(separator)) {}

    // False when the key or its separator is missing after marker.
    bool Read(size_t marker, int32_t& value) {
        const size_t at = finder_.Find(marker);
        if (at == kNotFound)
            return false;
        const size_t from = at + key_.size();
        if (lastSeparator_ == kNotFound || lastSeparator_ < from)
            return false;
        if (at != readAt_) {
            readAt_ = at;
            // Up to a comma the spaces inside are taken out; up to a line
            // feed the slice is only trimmed, and must not run past it.
            readValue_ = separator_ == ',' ? LeadingValue(text_, from, true) : LineValue(from);
        }
        value = readValue_;
        return true;
    }

private:
    int32_t LineValue(size_t from) const {
        size_t i = from;
        while (i < text_.size() && text_[i] != '\n' && IsWhite(text_[i]))
            ++i;
        return i < text_.size() && text_[i] == '\n' ? 0 : LeadingValue(text_, i, false);
    }

    std::string_view text_;
    std::string_view key_;
    RisingFinder finder_;
    char separator_;
    size_t lastSeparator_;
    size_t readAt_ = kNotFound;
    int32_t readValue_ = 0;
};

// The keys the reader takes from the report read as an INI file, found in one
// pass over its lines with the private-profile rules of ini_text.h: names
// without regard to case, blanks around names and values ignored, the first
// section of a name and in it the first line of a key name count (a line
// without "=" makes the key absent), a value in one pair of quotes loses them.
// A report is mostly not INI: outside the three sections read, only lines
// that begin with "[" are looked at, found by searching for "[".
class ReportKeys {
public:
    enum Key { kStationSel, kProgramSel, kEraseSel, kReadSel, kTotalSel, kRetentionTest, kKeyCount };

    explicit ReportKeys(std::string_view text) {
        int section = -1;
        std::array<bool, 3> sectionSeen{};
        int pending = kKeyCount;
        size_t start = 0;
        while (start < text.size() && pending > 0) {
            if (section < 0 && (start = NextBracketLine(text, start)) == kNotFound)
                break;
            size_t end = text.find('\n', start);
            const size_t next = end == kNotFound ? text.size() : end + 1;
            if (end == kNotFound)
                end = text.size();
            std::string_view raw = text.substr(start, end - start);
            if (!raw.empty() && raw.back() == '\r')
                raw.remove_suffix(1);
            start = next;
            const std::string_view trimmed = TrimBlanks(raw);
            if (trimmed.empty())
                continue;
            if (trimmed.front() == '[') {
                const size_t close = trimmed.rfind(']');
                if (close != kNotFound && close > 0) {
                    section = SectionOf(TrimBlanks(trimmed.substr(1, close - 1)));
                    if (section >= 0) {
                        if (sectionSeen[static_cast<size_t>(section)])
                            section = -1;
                        else
                            sectionSeen[static_cast<size_t>(section)] = true;
                    }
                    continue;
                }
            }
            if (section < 0 || trimmed.front() == ';')
                continue;
            const size_t equals = trimmed.find('=');
            const std::string_view name =
                TrimBlanks(equals == kNotFound ? trimmed : trimmed.substr(0, equals));
            for (int k = 0; k < kKeyCount; ++k) {
                if (kPlaces[k].section != section || seen_[static_cast<size_t>(k)] ||
                    !EqualsNoCase(name, kPlaces[k].name))
                    continue;
                seen_[static_cast<size_t>(k)] = true;
                --pending;
                if (equals != kNotFound)
                    values_[static_cast<size_t>(k)] = Unquote(TrimBlanks(raw.substr(raw.find('=') + 1)));
                break;
            }
        }
    }

    int32_t Int(Key key) const { return ParseProfileInt(values_[key], 0); }

private:
    struct KeyPlace {
        int section;
        std::string_view name;
    };
    static constexpr std::string_view kSections[3] = {"General Info", "RDT", "Options"};
    static constexpr KeyPlace kPlaces[kKeyCount] = {
        {0, "TestStationSel"},   {1, "FailProgramLimitSel"}, {1, "FailEraseLimitSel"},
        {1, "FailReadLimitSel"}, {1, "FailTotalLimitSel"},   {2, "Retention_Test"},
    };

    // The start of the first line at or after the line start from whose first
    // character other than blanks is "[".
    static size_t NextBracketLine(std::string_view text, size_t from) {
        for (size_t bracket = text.find('[', from); bracket != kNotFound;
             bracket = text.find('[', bracket + 1)) {
            size_t start = bracket;
            while (start > from && (text[start - 1] == ' ' || text[start - 1] == '\t'))
                --start;
            if (start == 0 || text[start - 1] == '\n')
                return start;
        }
        return kNotFound;
    }

    static int SectionOf(std::string_view name) {
        for (int s = 0; s < 3; ++s) {
            if (EqualsNoCase(name, kSections[s]))
                return s;
        }
        return -1;
    }

    static std::string_view Unquote(std::string_view value) {
        if (value.size() >= 2 && value.front() == value.back() &&
            (value.front() == '"' || value.front() == '\''))
            return value.substr(1, value.size() - 2);
        return value;
    }

    std::array<bool, kKeyCount> seen_{};
    std::array<std::optional<std::string_view>, kKeyCount> values_{};
};

// The label of a fail type and the total it counts in, remembered for the
// few fail types a report uses: most rows repeat one of them.
class FailKinds {
public:
    struct Kind {
        std::string_view failType;
        std::array<char, 128> label; // as the list entry keeps it
        int32_t ST_PORT_RESULT::*total = nullptr;
    };

    const Kind& Of(std::string_view failType) {
        for (size_t i = 0; i < count_; ++i) {
            if (kinds_[i].failType == failType)
                return kinds_[i];
        }
        Kind& kind = kinds_[next_];
        next_ = (next_ + 1) % kinds_.size();
        count_ = std::max(count_, next_ == 0 ? kinds_.size() : next_);
        kind.failType = failType;
        const std::string_view label = LabelOf(failType);
        SetFieldText(kind.label, label);
        // The whole label decides, also where the stored one is cut short.
        kind.total = Contains(label, "Read")      ? &ST_PORT_RESULT::readFailTotal
                     : Contains(label, "Erase")   ? &ST_PORT_RESULT::eraseFailTotal
                     : Contains(label, "Program") ? &ST_PORT_RESULT::programFailTotal
                                                  : nullptr;
        return kind;
    }

private:
    std::array<Kind, 16> kinds_;
    size_t count_ = 0;
    size_t next_ = 0;
};

class RdtReader {
public:
    RdtReader(std::string_view text, const ReportContext& context, const PortReport& port)
        : text_(text), context_(context), port_(port), r_(port.result), keys_(text), fields_(text) {}

    void Read() {
        port_.badBlocks.clear();
        ResetPortResult(r_);
        ReadHeaders();
        ReadSettings();
        port_.SetReadProgress(10);
        ReadPlaneCounts();
        SumCounts();
        ReadTemperatures();
        ReadLimits();
        ReadLimitSelections();
        r_.retentionMark = Contains(text_, kRetentionMark) ? 1 : 0;
        r_.retentionTest = ByteOf(keys_.Int(ReportKeys::kRetentionTest));
        ReadSpeedErrors();
        port_.SetReadProgress(20);
        ReadFailList();
        r_.badBlockLoaded = 1;
        r_.resultKind = kResultRdt;
        port_.SetReadProgress(100);
    }

private:
    // The value of a header line, from after its key to the line feed; only
    // the white space around it (the carriage return with it) is dropped, so
    // a report with bare line feeds keeps its last character.
    bool LineText(std::string_view key, std::string_view& value) const {
        const size_t i = text_.find(key);
        std::string_view slice;
        if (i == kNotFound || !SliceTo(text_, i + key.size(), "\n", slice))
            return false;
        value = TrimWhite(slice);
        return true;
    }

    void ReadHeaders() {
        ReadReportHeader(text_, StationSelByte(keys_.Int(ReportKeys::kStationSel)), r_);
        std::string_view value;
        if (LineText(kRdtFw, value))
            r_.rdtFwVersion = std::string(value);
        if (LineText(kTestingTime, value))
            r_.processTime = std::string(value);
        if (const size_t i = text_.find(kDiePerCe); i != kNotFound) {
            std::string_view slice;
            if (SliceTo(text_, i + kDiePerCe.size(), "\n", slice))
                r_.diePerFlash = ReportValue(slice);
        }
    }

    void ReadSettings() {
        const size_t i = text_.find(kSettings);
        std::string_view slice;
        if (i == kNotFound || !SliceTo(text_, i + kSettings.size(), "\n", slice))
            return;
        const std::string values = RemoveChar(RemoveChar(slice, ' '), '\n');
        const std::string_view view = values;
        size_t pos = 0;
        // A value without its separator is left out and the next one is
        // looked for from the same place.
        const auto next = [&](std::string_view separator, int32_t& field) {
            const size_t end = view.find(separator, pos);
            if (end == kNotFound)
                return;
            field = ReportValue(view.substr(pos, end - pos));
            pos = end + separator.size();
        };
        next(",", r_.tlcLoop);
        next(",", r_.slcLoop);
        next(",", r_.eccThreshold);
        next("):", r_.slcEccThreshold);
    }

    void ReadPlaneCounts() {
        if (!Contains(text_, kPlaneBlock))
            return;
        const std::array<size_t, kPlaneSlots> first = FirstPlaneMarkers(text_);
        // In-scope markers in text order, so the key searches from them rise.
        std::array<std::pair<size_t, int>, kPlaneSlots> found;
        size_t count = 0;
        for (int slot = 0; slot < kPlaneSlots; ++slot) {
            if (first[static_cast<size_t>(slot)] != kNotFound &&
                context_.CeInScope(slot / (kMaxDie * kMaxPlane)))
                found[count++] = {first[static_cast<size_t>(slot)], slot};
        }
        std::sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count));
        PlaneCount all(text_, kAllBad, ',');
        PlaneCount early(text_, kEarlyBad, ',');
        PlaneCount later(text_, kLaterBad, '\n');
        for (size_t n = 0; n < count; ++n) {
            const auto [marker, slot] = found[n];
            const int ce = slot / (kMaxDie * kMaxPlane);
            const int die = slot / kMaxPlane % kMaxDie;
            const int plane = slot % kMaxPlane;
            all.Read(marker, r_.totalBad[ce][die][plane]);
            early.Read(marker, r_.earlyBad[ce][die][plane]);
            later.Read(marker, r_.laterBad[ce][die][plane]);
        }
    }

    void SumCounts() {
        int64_t all = 0;
        int64_t early = 0;
        int64_t later = 0;
        for (int ce = 0; ce < kMaxCe; ++ce) {
            const bool inScope = context_.CeInScope(ce);
            for (int die = 0; die < kMaxDie; ++die) {
                int64_t laterOfDie = 0;
                for (int plane = 0; plane < kMaxPlane; ++plane) {
                    laterOfDie += r_.laterBad[ce][die][plane];
                    if (!inScope)
                        continue;
                    all += r_.totalBad[ce][die][plane];
                    early += r_.earlyBad[ce][die][plane];
                    later += r_.laterBad[ce][die][plane];
                }
                r_.laterBadPerDie[ce][die] = ClampToInt32(laterOfDie);
            }
        }
        r_.allBadTotal = ClampToInt32(all);
        r_.earlyBadTotal = ClampToInt32(early);
        r_.laterBadTotal = ClampToInt32(later);
    }

    // Whether the line at start holds key: one search of the text serves all
    // the lines of a table, instead of one per line.
    static bool LineHas(RisingFinder& finder, size_t start, std::string_view line, std::string_view key) {
        const size_t at = finder.Find(start);
        return at != kNotFound && at + key.size() <= start + line.size();
    }

    void ReadTemperatures() {
        size_t header = text_.find(kTemperature9);
        size_t expected = 9;
        if (header == kNotFound) {
            header = text_.find(kTemperature8);
            expected = 8;
        }
        if (header == kNotFound)
            return;
        uint32_t max = 0;
        bool read = false;
        ScannedLine line;
        RisingFinder ddrTest(text_, kDdrTest);
        for (size_t start = NextLineStart(text_, header);
             start != kNotFound && ScanLine(text_, start, expected + 1, line) && !line.text.empty();
             start = line.next) {
            if (LineHas(ddrTest, start, line.text, kDdrTest))
                continue;
            if (line.commaCount != expected)
                break;
            // Fields 0 to E-1 end at a comma; the last six of them are the
            // temperatures.
            for (size_t field = expected - 6; field < expected; ++field) {
                const char* const from = line.commas[field - 1] + 1;
                max = std::max(max, static_cast<uint32_t>(fields_.Plain(Trimmed(from, line.commas[field]))));
            }
            read = true;
        }
        // Written after every line read; the last one is what stays.
        if (read)
            r_.maxTemperature = Format(context_.uiLanguage == 1 ? "%d℃" : "%d°C", static_cast<int32_t>(max));
    }

    // The limits line from its first "=" to the line feed, without spaces,
    // "=" and "(".
    bool LimitValues(std::string_view marker, std::string& values) const {
        const size_t i = text_.find(marker);
        if (i == kNotFound || i == 0)
            return false;
        const size_t equals = FindFrom(text_, "=", i);
        std::string_view slice;
        if (equals == kNotFound || !SliceTo(text_, equals, "\n", slice))
            return false;
        values.clear();
        for (const char c : slice) {
            if (c != ' ' && c != '=' && c != '(')
                values += c;
        }
        return true;
    }

    void ReadLimits() {
        std::string values;
        if (LimitValues(kLimits3, values)) {
            if (const size_t comma = values.find(','); comma != kNotFound)
                r_.maxLaterBad = ReportValue(std::string_view(values).substr(0, comma));
        }
        if (!LimitValues(kLimits7, values))
            return;
        const std::string_view view = values;
        size_t pos = 0;
        // Once a value lacks its terminator, reading stops.
        const auto next = [&](char terminator, int32_t* field) {
            const size_t end = view.find(terminator, pos);
            if (end == kNotFound)
                return false;
            const int32_t value = ReportValue(view.substr(pos, end - pos));
            if (field)
                *field = value;
            pos = end + 1;
            return true;
        };
        if (view.empty() || view.front() == ',' || !next(',', &r_.maxLaterBad))
            return;
        int32_t enable = 0;
        if (next(',', nullptr) && next(',', nullptr) && next(',', &r_.maxEraseFail) &&
            next(',', &r_.maxProgramFail) && next(',', &r_.maxReadFail) && next(')', &enable))
            r_.enableMaxFail = ByteOf(enable);
    }

    void ReadLimitSelections() {
        if (r_.enableMaxFail != 0)
            return;
        // The station's selections count from 1; 0 means none.
        const auto selection = [&](ReportKeys::Key key) {
            const int32_t value = keys_.Int(key);
            return value == 0 ? 0 : ClampToInt32(static_cast<int64_t>(value) - 1);
        };
        const int32_t program = selection(ReportKeys::kProgramSel);
        const int32_t erase = selection(ReportKeys::kEraseSel);
        const int32_t read = selection(ReportKeys::kReadSel);
        const int32_t total = selection(ReportKeys::kTotalSel);
        if (program == 0 && erase == 0 && read == 0 && total == 0)
            return;
        r_.enableMaxFail = 1;
        if (program != 0)
            r_.maxProgramFail = program;
        if (erase != 0)
            r_.maxEraseFail = erase;
        if (read != 0)
            r_.maxReadFail = read;
        if (total != 0)
            r_.maxLaterBad = total;
    }

    // "[Error]Test TLC|SLC Speed Over SPEC in CE_<n>" with n standing alone:
    // the marker of CE 1 is the start of CE 12's.
    void ReadSpeedErrors() {
        // Searched from its first capital: a search led by a blank would stop
        // at every blank of the report.
        const size_t lead = kSpeedErrorLead.size() + 4; // "[Error]Test ", "TLC" or "SLC", " "
        for (size_t at = text_.find(kSpeedError); at != kNotFound; at = text_.find(kSpeedError, at + 1)) {
            if (at < lead || text_.substr(at - lead, kSpeedErrorLead.size()) != kSpeedErrorLead)
                continue;
            const std::string_view kind = text_.substr(at - 4, 4);
            if (kind != "TLC " && kind != "SLC ")
                continue;
            size_t pos = at + kSpeedError.size();
            int ce = 0;
            if (ReadIndex(text_, pos, kMaxCe - 1, ce))
                r_.speedFailMask |= 1u << ce;
        }
    }

    // Where the rows of the fail list begin, kNotFound when it has none.
    size_t FailRowsStart() const {
        size_t header = text_.find(kFailHeader);
        if (header == kNotFound)
            header = text_.find(kLimitsHead);
        if (header == kNotFound)
            return kNotFound;
        size_t start = NextLineStart(text_, header);
        std::string_view line;
        size_t next = 0;
        if (start == kNotFound || !LineAt(text_, start, line, next))
            return start;
        // A settings line between the limits and the rows, and the line after it.
        const size_t settings = line.find(kSettingsInRow);
        if (settings != kNotFound && settings != 0)
            start = NextLineStart(text_, next);
        return start;
    }

    void ReadFailList() {
        const size_t first = FailRowsStart();
        if (first == kNotFound)
            return;
        int64_t rows = 0;
        int32_t progress = 20;
        ScannedLine line;
        RisingFinder listEnd(text_, kListEnd);
        for (size_t start = first; ScanLine(text_, start, kMaxLineCommas, line) && !line.text.empty();
             start = line.next) {
            if (LineHas(listEnd, start, line.text, kListEnd))
                break;
            AddEntry(line);
            ++rows;
            if (rows < r_.allBadTotal) {
                const int32_t now = static_cast<int32_t>(20 + rows * 80 / r_.allBadTotal);
                if (now != progress)
                    port_.SetReadProgress(progress = now);
            }
        }
    }

    // Thirteen fields, each up to the next comma (the last to the end of the
    // line), trimmed. A field that would be empty, or has no comma, is not
    // read and the position stays: every comma field after it is unread as
    // well, and the last field runs from there.
    void AddEntry(const ScannedLine& line) {
        std::array<std::string_view, kMaxLineCommas + 1> fields{};
        const char* from = line.text.data();
        for (size_t f = 0; f < line.commaCount; ++f) {
            const std::string_view field = Trimmed(from, line.commas[f]);
            if (field.empty())
                break;
            fields[f] = field;
            from = line.commas[f] + 1;
        }
        fields[kMaxLineCommas] = Trimmed(from, line.text.data() + line.text.size());

        const uint8_t ce = ByteOf(fields_.Plain(fields[1]));
        if (!context_.CeInScope(ce))
            return;
        const FailKinds::Kind& kind = kinds_.Of(fields[0]);
        BAD_BLOCK_INFO& e = port_.badBlocks.emplace_back();
        e.label = kind.label;
        e.ce = ce;
        e.channel = ByteOf(fields_.Plain(fields[2]));
        e.plane = ByteOf(fields_.Plain(fields[3]));
        e.block = BlockValue(fields[4]);
        e.page = fields_.Plain(fields[5]);
        e.totalLoop = fields_.Plain(fields[6]);
        e.runLoop = fields_.Plain(fields[7]);
        e.runCycle = fields_.Plain(fields[8]);
        e.step = fields_.NaPlain(fields[9]);
        e.stage = fields_.NaPlain(fields[10]);
        e.overThresholdBits = fields_.NaPlain(fields[11]);
        e.timeStamp = fields_.NaPlain(fields[12]);
        if (kind.total)
            AddSaturating(r_.*kind.total, 1);
    }

    std::string_view text_;
    const ReportContext& context_;
    const PortReport& port_;
    ST_PORT_RESULT& r_;
    ReportKeys keys_;
    FieldValues fields_;
    FailKinds kinds_;
};

} // namespace

void ReadRdtReport(const std::filesystem::path& path, const ReportContext& context, const PortReport& port) {
    port.SetReadProgress(0);
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return;
    ReadRdtReportText(*text, context, port);
}

void ReadRdtReportText(std::string_view text, const ReportContext& context, const PortReport& port) {
    port.SetReadProgress(0);
    RdtReader(text, context, port).Read();
}

} // namespace varnet
