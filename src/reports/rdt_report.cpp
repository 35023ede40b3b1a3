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
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    return FindFrom(text, key, 0) != kNotFound;
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
// by line and field by field. Their lines are scanned a window of 64 or 128
// bytes at a time for the line feed and the commas, so that the place of
// every field is known before any of them is read: the fields are then read
// independently of each other instead of each waiting for the end of the one
// before. The same scan tells which lines are plain (nothing to trim, only
// digits), so that their fields can be read without looking at them again.

// Bit i set where byte i of the sixteen at p is a comma, a line feed, a digit
// or a blank (any byte up to a space, which takes in every white space).
struct BlockBits {
    uint32_t commas;
    uint32_t lineFeeds;
    uint32_t digits;
    uint32_t blanks;
};

[[gnu::always_inline]] inline BlockBits ScanBlock(const char* p) {
#if defined(__SSE2__)
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto bits = [](__m128i set) { return static_cast<uint32_t>(_mm_movemask_epi8(set)); };
    // Signed bytes: the digits moved to the bottom of the range.
    const __m128i fromZero = _mm_add_epi8(chunk, _mm_set1_epi8(static_cast<char>(0x80 - '0')));
    return {bits(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(','))), bits(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'))),
            bits(_mm_cmplt_epi8(fromZero, _mm_set1_epi8(static_cast<char>(0x80 + 10)))),
            bits(_mm_cmpeq_epi8(_mm_min_epu8(chunk, _mm_set1_epi8(' ')), chunk))};
#else
    BlockBits bits{0, 0, 0, 0};
    for (unsigned i = 0; i < 16; ++i) {
        bits.commas |= static_cast<uint32_t>(p[i] == ',') << i;
        bits.lineFeeds |= static_cast<uint32_t>(p[i] == '\n') << i;
        bits.digits |= static_cast<uint32_t>(IsDigit(p[i])) << i;
        bits.blanks |= static_cast<uint32_t>(static_cast<unsigned char>(p[i]) <= ' ') << i;
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
    // Set only where they hold (and not always then): text is only digits
    // and commas; no blank follows the first comma.
    bool digitsOnly = false;
    bool bareAfterFirstComma = false;
};

// The line that starts at start, with up to maxCommas of its commas, read
// sixteen bytes at a time: for lines near the end of the text or longer than
// a window. False when no line feed follows (the line is missing).
bool ScanAnyLine(std::string_view text, size_t start, size_t maxCommas, ScannedLine& line) {
    const char* const begin = text.data() + start;
    const char* const textEnd = text.data() + text.size();
    line.commaCount = 0;
    line.digitsOnly = false;
    line.bareAfterFirstComma = false;
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

// The 64 bits of the 64 bytes at p, as BlockBits has them for sixteen.
struct WideBits {
    uint64_t commas = 0;
    uint64_t lineFeeds = 0;
    uint64_t digits = 0;
    uint64_t blanks = 0;
};

[[gnu::always_inline]] inline WideBits ScanWide(const char* p) {
    WideBits bits;
    for (unsigned block = 0; block < 4; ++block) {
        const BlockBits b = ScanBlock(p + 16 * block);
        bits.commas |= static_cast<uint64_t>(b.commas) << (16 * block);
        bits.lineFeeds |= static_cast<uint64_t>(b.lineFeeds) << (16 * block);
        bits.digits |= static_cast<uint64_t>(b.digits) << (16 * block);
        bits.blanks |= static_cast<uint64_t>(b.blanks) << (16 * block);
    }
    return bits;
}

// The bits of a word below bit n: none for n <= 0, all for n >= 64. Lines
// end in either word of a window: without a branch on which.
[[gnu::always_inline]] inline uint64_t BitsBelow(ptrdiff_t n) {
    const unsigned bits = static_cast<unsigned>(std::clamp<ptrdiff_t>(n, 0, 64));
    return ((uint64_t{1} << (bits / 2)) << (bits - bits / 2)) - 1;
}

// What ScanLine checks the lines of a table for, as ScannedLine tells.
enum class LineCheck { kDigitsOnly, kBareAfterFirstComma };

// ScanAnyLine for the lines of a table, which are shorter than a window of
// 64 * kWords bytes. The whole window is scanned at once, whatever the length
// of the line, and its commas are taken out in one run as long as the line
// has commas: a loop per sixteen bytes would end at a different place on
// every line, and each of those ends costs a mispredicted branch.
template <size_t kWords, LineCheck kCheck>
[[gnu::always_inline]] inline bool ScanLine(std::string_view text, size_t start, size_t maxCommas,
                                            ScannedLine& line) {
    static_assert(kWords == 1 || kWords == 2);
    constexpr size_t kWindow = 64 * kWords;
    if (start >= text.size())
        return false;
    if (text.size() - start < kWindow)
        return ScanAnyLine(text, start, maxCommas, line);
    const char* const begin = text.data() + start;
    std::array<WideBits, kWords> bits;
    for (size_t w = 0; w < kWords; ++w)
        bits[w] = ScanWide(begin + 64 * w);
    // The word of the first line feed, chosen without a branch.
    const bool inFirst = bits[0].lineFeeds != 0;
    const uint64_t lineFeeds = inFirst ? bits[0].lineFeeds : bits[kWords - 1].lineFeeds;
    if (lineFeeds == 0)
        return ScanAnyLine(text, start, maxCommas, line);
    const ptrdiff_t lineFeed = (inFirst ? 0 : 64) + std::countr_zero(lineFeeds);
    const ptrdiff_t length = lineFeed != 0 && begin[lineFeed - 1] == '\r' ? lineFeed - 1 : lineFeed;
    for (size_t w = 0; w < kWords; ++w)
        bits[w].commas &= BitsBelow(length - static_cast<ptrdiff_t>(64 * w));

    // With two words the second takes over where the first runs out.
    uint64_t commas = bits[0].commas;
    uint64_t later = kWords == 2 ? bits[kWords - 1].commas : 0;
    const char* base = begin;
    size_t n = 0;
    for (; n < maxCommas; ++n) {
        if constexpr (kWords == 2) {
            const bool second = commas == 0;
            commas = second ? later : commas;
            later = second ? 0 : later;
            base = second ? begin + 64 : base;
        }
        if (commas == 0)
            break;
        line.commas[n] = base + std::countr_zero(commas);
        commas &= commas - 1;
    }
    line.commaCount = n;

    uint64_t exceptions = 0;
    for (size_t w = 0; w < kWords; ++w) {
        const ptrdiff_t offset = static_cast<ptrdiff_t>(64 * w);
        const uint64_t inText = BitsBelow(length - offset);
        if constexpr (kCheck == LineCheck::kDigitsOnly) {
            exceptions |= ~(bits[w].digits | bits[w].commas) & inText;
        } else {
            const ptrdiff_t firstComma = n != 0 ? line.commas[0] - begin : length;
            exceptions |= bits[w].blanks & inText & ~BitsBelow(firstComma + 1 - offset);
        }
    }
    line.digitsOnly = kCheck == LineCheck::kDigitsOnly && exceptions == 0;
    line.bareAfterFirstComma = kCheck == LineCheck::kBareAfterFirstComma && exceptions == 0;
    line.text = std::string_view(begin, static_cast<size_t>(length));
    line.next = start + static_cast<size_t>(lineFeed) + 1;
    return true;
}

// The bytes by which the reader finds its keys in the text. A report's bulk,
// the temperature table and the fail list, holds none of them, so that
// their places are few: the keys are looked for among those places, found
// in one pass over the text, instead of in one pass over the text per key.
// A text that is full of them (a garbled or hostile report) is searched
// directly instead: the places would take several times the memory of the
// text, and passing them key after key would take longer than the searches.
constexpr std::string_view kLandmarkBytes = "[(_TW";

// At most one landmark place per this many bytes of text is kept: the index
// then takes at most an eighth of the text's memory (a quarter while it
// grows).
constexpr size_t kBytesPerPlace = 32;

// A key and the place in it of a landmark byte.
struct LandmarkKey {
    consteval LandmarkKey(std::string_view key, char landmark) : text(key), anchor(key.find(landmark)) {
        if (anchor == std::string_view::npos || kLandmarkBytes.find(landmark) == std::string_view::npos)
            throw "a landmark key must hold a landmark byte";
    }
    std::string_view text;
    size_t anchor;
};

class Landmarks {
public:
    explicit Landmarks(std::string_view text) : text_(text) {
        if (text.size() > std::numeric_limits<uint32_t>::max()) {
            indexed_ = false;
            return;
        }
        const size_t limit = text.size() / kBytesPerPlace + 64;
        size_t at = 0;
        for (; text.size() - at >= 64 && indexed_; at += 64)
            Collect(Bits(text.data() + at), at, limit);
        if (at < text.size() && indexed_) {
            char tail[64] = {}; // zero bytes are no landmarks
            std::memcpy(tail, text.data() + at, text.size() - at);
            Collect(Bits(tail), at, limit);
        }
        if (!indexed_)
            std::vector<uint32_t>().swap(places_);
    }

    // FindFrom(text, key.text, from).
    size_t Find(const LandmarkKey& key, size_t from = 0) const {
        if (from > text_.size())
            return kNotFound;
        if (!indexed_)
            return FindFrom(text_, key.text, from);
        const auto first = std::lower_bound(places_.begin(), places_.end(), from + key.anchor);
        return FindAt(key, static_cast<size_t>(first - places_.begin())).second;
    }

    // The occurrences of a key, asked for at or after positions that never
    // go down: each place (or each byte, when the text is searched) is
    // passed once, whatever the number of questions.
    class Cursor {
    public:
        Cursor(const Landmarks& landmarks, const LandmarkKey& key) : landmarks_(landmarks), key_(key) {}

        size_t Find(size_t from) {
            if (!landmarks_.indexed_) {
                // The last search saw no occurrence in [searchedFrom_, found_).
                if (!searched_ || from < searchedFrom_ || (found_ != kNotFound && from > found_)) {
                    searched_ = true;
                    searchedFrom_ = from;
                    found_ = FindFrom(landmarks_.text_, key_.text, from);
                }
                return found_;
            }
            const std::vector<uint32_t>& places = landmarks_.places_;
            while (next_ < places.size() && places[next_] < from + key_.anchor)
                ++next_;
            const auto [index, at] = landmarks_.FindAt(key_, next_);
            next_ = index;
            return at;
        }

    private:
        const Landmarks& landmarks_;
        LandmarkKey key_;
        size_t next_ = 0;
        bool searched_ = false;
        size_t searchedFrom_ = 0;
        size_t found_ = kNotFound;
    };

private:
    // The first occurrence of key whose landmark stands at places_[index] or
    // later: that index, and the occurrence.
    std::pair<size_t, size_t> FindAt(const LandmarkKey& key, size_t index) const {
        const char landmark = key.text[key.anchor];
        for (; index < places_.size(); ++index) {
            const size_t place = places_[index];
            if (text_[place] == landmark && place >= key.anchor &&
                text_.substr(place - key.anchor, key.text.size()) == key.text)
                return {index, place - key.anchor};
        }
        return {index, kNotFound};
    }

    // Bit i set where byte i of the 64 at p is a landmark byte.
    static uint64_t Bits(const char* p) {
        uint64_t bits = 0;
#if defined(__SSE2__)
        for (unsigned block = 0; block < 4; ++block) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * block));
            __m128i found = _mm_setzero_si128();
            for (const char c : kLandmarkBytes)
                found = _mm_or_si128(found, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(c)));
            bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(found))) << (16 * block);
        }
#else
        for (unsigned i = 0; i < 64; ++i)
            bits |= static_cast<uint64_t>(kLandmarkBytes.find(p[i]) != kNotFound) << i;
#endif
        return bits;
    }

    void Collect(uint64_t bits, size_t at, size_t limit) {
        if (places_.size() + static_cast<size_t>(std::popcount(bits)) > limit) {
            indexed_ = false;
            return;
        }
        for (; bits != 0; bits &= bits - 1)
            places_.push_back(static_cast<uint32_t>(at + static_cast<size_t>(std::countr_zero(bits))));
    }

    std::string_view text_;
    bool indexed_ = true;
    std::vector<uint32_t> places_; // of the landmark bytes, rising
};

constexpr LandmarkKey kPlaneBlockKey{kPlaneBlock, 'T'};
constexpr LandmarkKey kTemperature9Key{kTemperature9, '('};
constexpr LandmarkKey kTemperature8Key{kTemperature8, '('};
constexpr LandmarkKey kDdrTestKey{kDdrTest, 'T'};
constexpr LandmarkKey kLimitsHeadKey{kLimitsHead, '('};
constexpr LandmarkKey kLimits3Key{kLimits3, '('};
constexpr LandmarkKey kLimits7Key{kLimits7, '('};
constexpr LandmarkKey kRetentionMarkKey{kRetentionMark, 'W'};
constexpr LandmarkKey kSpeedErrorKey{kSpeedError, '_'};
constexpr LandmarkKey kFailHeaderKey{kFailHeader, 'T'};
constexpr LandmarkKey kListEndKey{kListEnd, 'T'};
constexpr LandmarkKey kPlaneMarkerKey{"CE_", '_'};
constexpr LandmarkKey kBracketKey{"[", '['};

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

// The block field: every "0x" taken out (left to right, as a replace-all
// does), then read as hexadecimal the way decimals are read: leading white space
// trimmed, an optional sign, digits up to the first other character,
// saturating at the 32-bit limits.
int32_t BlockValue(std::string_view field) {
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

    // The value of a field known to hold only digits.
    [[gnu::always_inline]] int32_t Digits(const char* from, const char* to) const {
        if constexpr (std::endian::native == std::endian::little) {
            const size_t size = static_cast<size_t>(to - from);
            if (size - 1 < 8 && textEnd_ - from >= 8) {
                uint64_t word;
                std::memcpy(&word, from, 8);
                return static_cast<int32_t>(DigitsValue(DigitBytes(word, size)));
            }
        }
        return Plain(std::string_view(from, static_cast<size_t>(to - from)));
    }

    // Most fields are a few plain digits (time stamps up to ten): those
    // are read at once, any other field the general way.
    template <size_t kMaxDigits = 8> [[gnu::always_inline]] int32_t Plain(std::string_view field) const {
        int32_t value;
        return PlainDigits<kMaxDigits, false>(field, value) ? value : Value(field);
    }

    // Whether a field is digits or "NA" is a matter of the row's fail type,
    // which changes from row to row: both are read without a branch between
    // them.
    template <size_t kMaxDigits = 8> [[gnu::always_inline]] int32_t NaPlain(std::string_view field) const {
        int32_t value;
        return PlainDigits<kMaxDigits, true>(field, value) ? value : NaValue(field);
    }

    // The block field, nearly always written "0x" and a few hexadecimal
    // digits: read as such at once, any other block the general way.
    [[gnu::always_inline]] int32_t Block(std::string_view field) const {
        if constexpr (std::endian::native == std::endian::little) {
            // At most seven digits, so that the value stays below 2^31.
            const size_t count = field.size() - 2;
            if (count - 1 < 7 && textEnd_ - field.data() >= 10 && field[0] == '0' && field[1] == 'x') {
                uint64_t word;
                std::memcpy(&word, field.data() + 2, 8);
                const uint64_t hex =
                    BytesInRange(word, '0', '9') | BytesInRange(word | kOnes * 0x20, 'a', 'f');
                if ((~hex & kHigh & FirstBytes(count)) == 0)
                    return static_cast<int32_t>(HexDigitsValue(word, count));
            }
        }
        return BlockValue(field);
    }

private:
    static constexpr uint64_t kOnes = 0x0101010101010101u;
    static constexpr uint64_t kHigh = kOnes * 0x80;

    // The high bit of every byte of word from lo to hi, computed without
    // carries between the bytes.
    [[gnu::always_inline]] static uint64_t BytesInRange(uint64_t word, char lo, char hi) {
        const uint64_t low = word & ~kHigh;
        return (low + kOnes * (0x80 - static_cast<uint64_t>(lo))) &
               ~(low + kOnes * (0x80 - static_cast<uint64_t>(hi) - 1)) & ~word & kHigh;
    }

    // The bits of the first count (0 to 8) bytes of a word, without a
    // branch on the length of the field.
    [[gnu::always_inline]] static uint64_t FirstBytes(size_t count) {
        return ((uint64_t{1} << (4 * count)) << (4 * count)) - 1;
    }

    // How many of the bytes of word, from the first, are digits.
    [[gnu::always_inline]] static size_t LeadingDigits(uint64_t word) {
        const uint64_t others = ~BytesInRange(word, '0', '9') & kHigh;
        return others == 0 ? 8 : static_cast<size_t>(std::countr_zero(others)) / 8;
    }

    // The first count (1 to 8) bytes of word, moved to the top with zero
    // bytes below them, less '0' each: the digits of a number, most
    // significant first, if they are digits.
    [[gnu::always_inline]] static uint64_t DigitBytes(uint64_t word, size_t count) {
        // Borrows run towards the bytes beyond count, which are shifted out.
        return (word - kOnes * '0') << (8 * (8 - count));
    }

    // Whether every byte of DigitBytes is a digit's: a byte below '0' has
    // wrapped round to the high bit, one above '9' reaches it with 0x76 more
    // (which carries into the next byte only from a byte that is no digit).
    [[gnu::always_inline]] static bool AreDigits(uint64_t digits) {
        return ((digits | (digits + kOnes * 0x76)) & kHigh) == 0;
    }

    // The value of eight digits, converted in three steps.
    [[gnu::always_inline]] static uint32_t DigitsValue(uint64_t digits) {
        digits = digits * 10 + (digits >> 8);
        return static_cast<uint32_t>((((digits & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
                                      (((digits >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
                                     32);
    }

    // The first count (1 to 8) bytes of word as hexadecimal digits.
    [[gnu::always_inline]] static uint32_t HexDigitsValue(uint64_t word, size_t count) {
        // A digit is its low four bits, a letter those and nine.
        uint64_t value = ((word & kOnes * 0x0F) + 9 * ((word >> 6) & kOnes)) << (8 * (8 - count));
        value = value * 16 + (value >> 8);
        return static_cast<uint32_t>((value & 0xFF) << 24 | ((value >> 16) & 0xFF) << 16 |
                                     ((value >> 32) & 0xFF) << 8 | ((value >> 48) & 0xFF));
    }

    // A field of 1 to kMaxDigits (8 or 16) digits, or with orNa exactly
    // "NA" (which is 0), read from the bytes at its start; beyond eight
    // digits the last eight are in a second word.
    template <size_t kMaxDigits, bool orNa>
    [[gnu::always_inline]] bool PlainDigits(std::string_view field, int32_t& value) const {
        static_assert(kMaxDigits == 8 || kMaxDigits == 16);
        if constexpr (std::endian::native == std::endian::little) {
            const size_t size = field.size();
            if (size - 1 >= kMaxDigits || textEnd_ - field.data() < static_cast<ptrdiff_t>(kMaxDigits))
                return false;
            uint64_t first;
            std::memcpy(&first, field.data(), 8);
            bool digits;
            uint64_t number;
            if (kMaxDigits == 8 || size <= 8) {
                const uint64_t bytes = DigitBytes(first, size);
                digits = AreDigits(bytes);
                number = DigitsValue(bytes);
            } else {
                uint64_t second;
                std::memcpy(&second, field.data() + size - 8, 8);
                const uint64_t high = DigitBytes(first, size - 8);
                const uint64_t low = DigitBytes(second, 8);
                digits = AreDigits(high) & AreDigits(low);
                // ReportValue saturates at the 32-bit limit.
                number = std::min<uint64_t>(uint64_t{DigitsValue(high)} * 100000000 + DigitsValue(low),
                                            std::numeric_limits<int32_t>::max());
            }
            if constexpr (orNa) {
                const bool na = (size == 2) & ((first & 0xFFFF) == ('N' | 'A' << 8));
                number = na ? 0 : number;
                digits = digits || na;
            }
            value = static_cast<int32_t>(number);
            return digits;
        } else {
            return false;
        }
    }

    // Up to eight leading digits of the eight bytes at p, at most limit of
    // them: their value, and how many there were.
    [[gnu::always_inline]] static uint32_t EightDigits(const char* p, size_t limit, size_t& count) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        count = std::min(LeadingDigits(word), limit);
        return count == 0 ? 0 : DigitsValue(DigitBytes(word, count));
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
std::array<size_t, kPlaneSlots> FirstPlaneMarkers(std::string_view text, const Landmarks& landmarks) {
    std::array<size_t, kPlaneSlots> first;
    first.fill(kNotFound);
    Landmarks::Cursor markers(landmarks, kPlaneMarkerKey);
    for (size_t at = markers.Find(0); at != kNotFound; at = markers.Find(at + 1)) {
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
    RisingFinder(const Landmarks& landmarks, const LandmarkKey& key)
        : key_(key.text), cursor_(std::in_place, landmarks, key) {}

    size_t Find(size_t from) {
        if (!known_ || (found_ != kNotFound && from > found_)) {
            known_ = true;
            found_ = cursor_ ? cursor_->Find(from) : FindFrom(text_, key_, from);
        }
        return found_;
    }

private:
    std::string_view text_;
    std::string_view key_;
    std::optional<Landmarks::Cursor> cursor_;
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

    ReportKeys(std::string_view text, const Landmarks& landmarks) {
        Landmarks::Cursor brackets(landmarks, kBracketKey);
        int section = -1;
        std::array<bool, 3> sectionSeen{};
        int pending = kKeyCount;
        size_t start = 0;
        while (start < text.size() && pending > 0) {
            if (section < 0 && (start = NextBracketLine(text, brackets, start)) == kNotFound)
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
    static size_t NextBracketLine(std::string_view text, Landmarks::Cursor& brackets, size_t from) {
        for (size_t bracket = brackets.Find(from); bracket != kNotFound;
             bracket = brackets.Find(bracket + 1)) {
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

    explicit FailKinds(std::string_view text) : textEnd_(text.data() + text.size()) { slots_.fill(0); }

    const Kind& Of(std::string_view failType) {
        // Rows take their fail types in no order: a search through the kinds
        // would end at a different place on every row. The slot of a fail
        // type points straight at its kind, if it is known.
        uint8_t& slot = slots_[SlotOf(failType)];
        if (slot < count_ && Same(kinds_[slot].failType, failType))
            return kinds_[slot];
        for (size_t i = 0; i < count_; ++i) {
            if (kinds_[i].failType == failType) {
                slot = static_cast<uint8_t>(i);
                return kinds_[i];
            }
        }
        slot = static_cast<uint8_t>(next_);
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
    static size_t SlotOf(std::string_view failType) {
        const size_t size = failType.size();
        if (size == 0)
            return 0;
        const auto at = [&](size_t i) {
            return static_cast<size_t>(static_cast<unsigned char>(failType[i]));
        };
        return (size * 37 + at(0) * 7 + at(size / 2) * 3 + at(size - 1)) % kSlots;
    }

    // failType == other, for fail types of the text: up to 64 bytes are
    // compared at once, whatever their length.
    bool Same(std::string_view failType, std::string_view other) const {
        const size_t size = failType.size();
        if (size != other.size())
            return false;
        if (size == 0) // an unread field need not point into the text
            return true;
#if defined(__SSE2__)
        if (size <= 64 && textEnd_ - failType.data() >= 64 && textEnd_ - other.data() >= 64) {
            uint64_t equal = 0;
            for (unsigned block = 0; block < 4; ++block) {
                const auto load = [&](const char* p) {
                    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * block));
                };
                const __m128i same = _mm_cmpeq_epi8(load(failType.data()), load(other.data()));
                equal |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(same)))
                         << (16 * block);
            }
            return (~equal & BitsBelow(static_cast<ptrdiff_t>(size))) == 0;
        }
#endif
        return failType == other;
    }

    static constexpr size_t kSlots = 64;
    const char* textEnd_;
    std::array<Kind, 16> kinds_;
    std::array<uint8_t, kSlots> slots_;
    size_t count_ = 0;
    size_t next_ = 0;
};

class RdtReader {
public:
    RdtReader(std::string_view text, const ReportContext& context, const PortReport& port)
        : text_(text), context_(context), port_(port), r_(port.result), landmarks_(text),
          keys_(text, landmarks_), fields_(text), kinds_(text) {}

    // Complete when a count line of a CE in scope was read.
    ReportRead Read() {
        port_.badBlocks.clear();
        ResetPortResult(r_);
        ReadHeaders();
        ReadSettings();
        port_.SetReadProgress(10);
        const bool counted = ReadPlaneCounts();
        SumCounts();
        ReadTemperatures();
        ReadLimits();
        ReadLimitSelections();
        r_.retentionMark = landmarks_.Find(kRetentionMarkKey) != kNotFound ? 1 : 0;
        r_.retentionTest = ByteOf(keys_.Int(ReportKeys::kRetentionTest));
        ReadSpeedErrors();
        port_.SetReadProgress(20);
        ReadFailList();
        r_.badBlockLoaded = 1;
        r_.resultKind = kResultRdt;
        port_.SetReadProgress(100);
        return counted ? ReportRead::kComplete : ReportRead::kIncomplete;
    }

private:
    // The value of a header line, from after its key to the line feed; only
    // the white space around it (the carriage return with it) is dropped, so
    // a report with bare line feeds keeps its last character.
    bool LineText(std::string_view key, std::string_view& value) const {
        const size_t i = FindFrom(text_, key, 0);
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
        if (const size_t i = FindFrom(text_, kDiePerCe, 0); i != kNotFound) {
            std::string_view slice;
            if (SliceTo(text_, i + kDiePerCe.size(), "\n", slice))
                r_.diePerFlash = ReportValue(slice);
        }
    }

    void ReadSettings() {
        const size_t i = FindFrom(text_, kSettings, 0);
        std::string_view slice;
        if (i == kNotFound || !SliceTo(text_, i + kSettings.size(), "\n", slice))
            return;
        // Read as if every space were taken out (the slice ends before its
        // line feed), without that copy of what may be a whole report.
        constexpr std::string_view kSpace = " ";
        size_t pos = 0;
        // A value without its separator is left out and the next one is
        // looked for from the same place.
        const auto next = [&](std::string_view separator, int32_t& field) {
            size_t after = 0;
            const size_t end = FindWithout(slice, pos, separator, kSpace, after);
            if (end == kNotFound)
                return;
            field = ReportValueWithout(slice.substr(pos, end - pos), kSpace);
            pos = after;
        };
        next(",", r_.tlcLoop);
        next(",", r_.slcLoop);
        next(",", r_.eccThreshold);
        next("):", r_.slcEccThreshold);
    }

    // Whether a marker of a CE in scope had a count to read.
    bool ReadPlaneCounts() {
        if (landmarks_.Find(kPlaneBlockKey) == kNotFound)
            return false;
        const std::array<size_t, kPlaneSlots> first = FirstPlaneMarkers(text_, landmarks_);
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
        bool counted = false;
        for (size_t n = 0; n < count; ++n) {
            const auto [marker, slot] = found[n];
            const int ce = slot / (kMaxDie * kMaxPlane);
            const int die = slot / kMaxPlane % kMaxDie;
            const int plane = slot % kMaxPlane;
            counted |= all.Read(marker, r_.totalBad[ce][die][plane]);
            counted |= early.Read(marker, r_.earlyBad[ce][die][plane]);
            counted |= later.Read(marker, r_.laterBad[ce][die][plane]);
        }
        return counted;
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
        size_t header = landmarks_.Find(kTemperature9Key);
        size_t expected = 9;
        if (header == kNotFound) {
            header = landmarks_.Find(kTemperature8Key);
            expected = 8;
        }
        if (header == kNotFound)
            return;
        uint32_t max = 0;
        bool read = false;
        ScannedLine line;
        RisingFinder ddrTest(landmarks_, kDdrTestKey);
        for (size_t start = NextLineStart(text_, header);
             start != kNotFound && ScanLine<1, LineCheck::kDigitsOnly>(text_, start, expected + 1, line) &&
             !line.text.empty();
             start = line.next) {
            if (LineHas(ddrTest, start, line.text, kDdrTest))
                continue;
            if (line.commaCount != expected)
                break;
            // Fields 0 to E-1 end at a comma; the last six of them are the
            // temperatures.
            for (size_t field = expected - 6; field < expected; ++field) {
                const char* const from = line.commas[field - 1] + 1;
                const char* const to = line.commas[field];
                const int32_t value =
                    line.digitsOnly ? fields_.Digits(from, to) : fields_.Plain(Trimmed(from, to));
                max = std::max(max, static_cast<uint32_t>(value));
            }
            read = true;
        }
        // Written after every line read; the last one is what stays.
        if (read)
            r_.maxTemperature = Format(context_.uiLanguage == 1 ? "%d℃" : "%d°C", static_cast<int32_t>(max));
    }

    // The limits line from its first "=" to the line feed, read as if every
    // space, "=" and "(" were taken out.
    static constexpr std::string_view kLimitsRemoved = " =(";

    bool LimitValues(const LandmarkKey& marker, std::string_view& values) const {
        const size_t i = landmarks_.Find(marker);
        if (i == kNotFound || i == 0)
            return false;
        const size_t equals = FindFrom(text_, "=", i);
        return equals != kNotFound && SliceTo(text_, equals, "\n", values);
    }

    void ReadLimits() {
        std::string_view values;
        if (LimitValues(kLimits3Key, values)) {
            if (const size_t comma = values.find(','); comma != kNotFound)
                r_.maxLaterBad = ReportValueWithout(values.substr(0, comma), kLimitsRemoved);
        }
        if (!LimitValues(kLimits7Key, values))
            return;
        const size_t first = values.find_first_not_of(kLimitsRemoved);
        if (first == kNotFound || values[first] == ',')
            return;
        size_t pos = 0;
        // Once a value lacks its terminator, reading stops. No terminator is
        // a byte that is taken out.
        const auto next = [&](char terminator, int32_t* field) {
            const size_t end = values.find(terminator, pos);
            if (end == kNotFound)
                return false;
            const int32_t value = ReportValueWithout(values.substr(pos, end - pos), kLimitsRemoved);
            if (field)
                *field = value;
            pos = end + 1;
            return true;
        };
        if (!next(',', &r_.maxLaterBad))
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
        // Found without its lead, which is then looked for in front of it.
        const size_t lead = kSpeedErrorLead.size() + 4; // "[Error]Test ", "TLC" or "SLC", " "
        Landmarks::Cursor errors(landmarks_, kSpeedErrorKey);
        for (size_t at = errors.Find(0); at != kNotFound; at = errors.Find(at + 1)) {
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
        size_t header = landmarks_.Find(kFailHeaderKey);
        if (header == kNotFound)
            header = landmarks_.Find(kLimitsHeadKey);
        if (header == kNotFound)
            return kNotFound;
        size_t start = NextLineStart(text_, header);
        std::string_view line;
        size_t next = 0;
        if (start == kNotFound || !LineAt(text_, start, line, next))
            return start;
        // A settings line between the limits and the rows, and the line after it.
        const size_t settings = FindFrom(line, kSettingsInRow, 0);
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
        RisingFinder listEnd(landmarks_, kListEndKey);
        BadBlockList& list = port_.badBlocks;
        for (size_t start = first;
             ScanLine<2, LineCheck::kBareAfterFirstComma>(text_, start, kMaxLineCommas, line) &&
             !line.text.empty();
             start = line.next) {
            if (LineHas(listEnd, start, line.text, kListEnd))
                break;
            // A list read into for the first time would grow step by step,
            // and a list of 200,000 entries fills 34 MB: before it grows, the
            // rows left are counted so that it grows once.
            if (list.size() == list.capacity())
                list.reserve(list.size() + RowsLeft(start, listEnd.Find(start)));
            AddEntry(line);
            ++rows;
            if (rows < r_.allBadTotal) {
                const int32_t now = static_cast<int32_t>(20 + rows * 80 / r_.allBadTotal);
                if (now != progress)
                    port_.SetReadProgress(progress = now);
            }
        }
    }

    // How many rows the fail list can have from start on, at most: the lines
    // up to the first empty one, or the one where the list ends.
    size_t RowsLeft(size_t start, size_t listEnd) const {
        const size_t end = std::min(listEnd, text_.size());
        size_t rows = 0;
        for (size_t at = start; at < end; ++rows) {
            const void* found = std::memchr(text_.data() + at, '\n', end - at);
            if (!found)
                break;
            const size_t lineFeed = static_cast<size_t>(static_cast<const char*>(found) - text_.data());
            if (lineFeed == at || (lineFeed == at + 1 && text_[at] == '\r'))
                break;
            at = lineFeed + 1;
        }
        return rows;
    }

    // Thirteen fields, each up to the next comma (the last to the end of the
    // line), trimmed. A field that would be empty, or has no comma, is not
    // read and the position stays: every comma field after it is unread as
    // well, and the last field runs from there.
    void AddEntry(const ScannedLine& line) {
        // Not value-initialised: clearing thirteen views costs a row more
        // than reading most of its fields.
        struct Fields {
            std::string_view operator[](size_t f) const { return {data[f], sizes[f]}; }
            std::array<const char*, kMaxLineCommas + 1> data;
            std::array<size_t, kMaxLineCommas + 1> sizes;
        } fields;
        const char* from = line.text.data();
        const char* const end = line.text.data() + line.text.size();
        size_t f = 0;
        if (line.bareAfterFirstComma && line.commaCount != 0 && from != line.commas[0] &&
            static_cast<unsigned char>(*from) > ' ' && static_cast<unsigned char>(line.commas[0][-1]) > ' ') {
            // Nothing to trim: a field is empty only between two commas.
            for (; f < line.commaCount && from != line.commas[f]; ++f) {
                fields.data[f] = from;
                fields.sizes[f] = static_cast<size_t>(line.commas[f] - from);
                from = line.commas[f] + 1;
            }
            fields.data[kMaxLineCommas] = from;
            fields.sizes[kMaxLineCommas] = static_cast<size_t>(end - from);
        } else {
            for (; f < line.commaCount; ++f) {
                const std::string_view field = Trimmed(from, line.commas[f]);
                if (field.empty())
                    break;
                fields.data[f] = field.data();
                fields.sizes[f] = field.size();
                from = line.commas[f] + 1;
            }
            const std::string_view last = Trimmed(from, end);
            fields.data[kMaxLineCommas] = last.data();
            fields.sizes[kMaxLineCommas] = last.size();
        }
        for (; f < kMaxLineCommas; ++f) {
            fields.data[f] = nullptr;
            fields.sizes[f] = 0;
        }

        const uint8_t ce = ByteOf(fields_.Plain(fields[1]));
        if (!context_.CeInScope(ce))
            return;
        const FailKinds::Kind& kind = kinds_.Of(fields[0]);
        port_.badBlocks.push_back(BAD_BLOCK_INFO{
            .label = kind.label,
            .ce = ce,
            .channel = ByteOf(fields_.Plain(fields[2])),
            .die = 0,
            .plane = ByteOf(fields_.Plain(fields[3])),
            .block = fields_.Block(fields[4]),
            .page = fields_.Plain(fields[5]),
            .totalLoop = fields_.Plain(fields[6]),
            .runLoop = fields_.Plain(fields[7]),
            .runCycle = fields_.Plain(fields[8]),
            .step = fields_.NaPlain(fields[9]),
            .stage = fields_.NaPlain(fields[10]),
            .overThresholdBits = fields_.NaPlain(fields[11]),
            .timeStamp = fields_.NaPlain<16>(fields[12]),
        });
        if (kind.total)
            AddSaturating(r_.*kind.total, 1);
    }

    std::string_view text_;
    const ReportContext& context_;
    const PortReport& port_;
    ST_PORT_RESULT& r_;
    Landmarks landmarks_; // before keys_, which is made from it
    ReportKeys keys_;
    FieldValues fields_;
    FailKinds kinds_;
};

} // namespace

ReportRead ReadRdtReport(const std::filesystem::path& path, const ReportContext& context,
                         const PortReport& port) {
    port.SetReadProgress(0);
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return ReportRead::kMissing;
    return ReadRdtReportText(*text, context, port);
}

ReportRead ReadRdtReportText(std::string_view text, const ReportContext& context, const PortReport& port) {
    port.SetReadProgress(0);
    return RdtReader(text, context, port).Read();
}

} // namespace varnet
