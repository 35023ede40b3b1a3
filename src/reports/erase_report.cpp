#include "reports/erase_report.h"

#include "platform/file_io.h"
#include "platform/ini_text.h"
#include "platform/ini_values.h"
#include "platform/text_format.h"
#include "reports/report_header.h"
#include "reports/report_text.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace varnet {
namespace {

constexpr std::string_view kProcessTime = "Process Total take(sec):";
constexpr std::string_view kDiePerFlash = "DiePerFlash=";
constexpr std::string_view kEraseAll = "Do EraseAll,";
constexpr std::string_view kMarkerHead = "CENo_";
constexpr std::string_view kMarkerDie = "/Die_";
constexpr std::string_view kEarlyTail = "-> Early Bad Count:";
constexpr std::string_view kLaterTail = "-> Later Bad Count:";

enum MarkerKind { kEarly = 0, kLater = 1 };

// ReportValue of a slice, reading only its leading blanks, sign and digits:
// the trailing blanks it would trim cannot change the value, and many values
// of one line may end at the same separator after a long run of blanks.
int32_t LeadingValue(std::string_view slice) {
    const auto white = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    size_t end = 0;
    while (end < slice.size() && white(slice[end]))
        ++end;
    if (end < slice.size() && (slice[end] == '-' || slice[end] == '+'))
        ++end;
    while (end < slice.size() && slice[end] >= '0' && slice[end] <= '9')
        ++end;
    return ReportValue(slice.substr(0, end));
}

size_t DigitCount(int value) {
    return value >= 10 ? 2 : 1;
}

// Every position of every "CENo_<ce>/Die_<die>-> Early|Later Bad Count:"
// marker, by kind, CE and die, found in one pass. A marker is matched
// wherever it stands, inside other text too, exactly where a plain search
// for its formatted text would match it; asking for the first one at or
// after the cursor then gives what that search gives.
class EraseMarkerIndex {
public:
    explicit EraseMarkerIndex(std::string_view text) {
        for (size_t at = FindFrom(text, kMarkerHead, 0); at != kNotFound;
             at = FindFrom(text, kMarkerHead, at + 1))
            Classify(text, at);
    }

    size_t First(MarkerKind kind, int ce, int die, size_t from) const {
        const std::vector<size_t>& list = positions_[kind][ce][die];
        const auto it = std::lower_bound(list.begin(), list.end(), from);
        return it == list.end() ? kNotFound : *it;
    }

private:
    // The canonical decimal form of 0..limit ("%d": no leading zero) at pos.
    static bool ReadNumber(std::string_view text, size_t& pos, int limit, int& value) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        value = text[pos++] - '0';
        if (value == 0)
            return true;
        if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
            value = value * 10 + (text[pos++] - '0');
        return value <= limit;
    }

    void Classify(std::string_view text, size_t at) {
        size_t pos = at + kMarkerHead.size();
        int ce = 0;
        int die = 0;
        if (!ReadNumber(text, pos, kMaxCe - 1, ce) || text.substr(pos, kMarkerDie.size()) != kMarkerDie)
            return;
        pos += kMarkerDie.size();
        if (!ReadNumber(text, pos, kMaxDie - 1, die))
            return;
        const std::string_view tail = text.substr(pos, kEarlyTail.size());
        if (tail == kEarlyTail)
            positions_[kEarly][ce][die].push_back(at);
        else if (tail == kLaterTail)
            positions_[kLater][ce][die].push_back(at);
    }

    std::array<std::array<std::array<std::vector<size_t>, kMaxDie>, kMaxCe>, 2> positions_;
};

static_assert(kEarlyTail.size() == kLaterTail.size());

size_t MarkerLength(int ce, int die) {
    return kMarkerHead.size() + DigitCount(ce) + kMarkerDie.size() + DigitCount(die) + kEarlyTail.size();
}

void ReadHeaders(std::string_view text, ST_PORT_RESULT& r) {
    ReadReportHeader(
        text, StationSelByte(ParseProfileInt(IniText::FindIn(text, "General Info", "TestStationSel"), 0)), r);

    // The value ends at the line feed; the carriage return before it (and
    // nothing else) is dropped by the trim, so a report with bare line feeds
    // keeps its last digit.
    if (const size_t i = FindFrom(text, kProcessTime, 0); i != kNotFound) {
        std::string_view slice;
        if (SliceTo(text, i + kProcessTime.size(), "\n", slice) && !slice.empty())
            r.processTime = std::string(TrimWhite(slice));
    }

    if (const size_t i = FindFrom(text, kDiePerFlash, 0); i != kNotFound) {
        std::string_view slice;
        if (SliceTo(text, i + kDiePerFlash.size(), ",", slice) && !slice.empty())
            r.diePerFlash = ReportValue(slice);
    }
}

} // namespace

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void SumBadBlockCounts(ST_PORT_RESULT& r) {
    int64_t early = 0;
    int64_t later = 0;
    int64_t all = 0;
    for (int ce = 0; ce < kMaxCe; ++ce) {
        for (int die = 0; die < kMaxDie; ++die) {
            int64_t laterOfDie = 0;
            for (int plane = 0; plane < kMaxPlane; ++plane) {
                const int64_t e = r.earlyBad[ce][die][plane];
                const int64_t l = r.laterBad[ce][die][plane];
                r.totalBad[ce][die][plane] = ClampToInt32(e + l);
                early += e;
                later += l;
                all += r.totalBad[ce][die][plane];
                laterOfDie += l;
            }
            r.laterBadPerDie[ce][die] = ClampToInt32(laterOfDie);
        }
    }
    r.earlyBadTotal = ClampToInt32(early);
    r.laterBadTotal = ClampToInt32(later);
    r.allBadTotal = ClampToInt32(all);
}

size_t ForwardFinder::Find(size_t from) {
    // The last search saw no occurrence in [from_, found_); a later start in
    // that range has the same answer.
    if (known_ && from >= from_ && (found_ == kNotFound || from <= found_))
        return found_;
    known_ = true;
    from_ = from;
    found_ = FindFrom(text_, key_, from);
    return found_;
}

PlaneLineReader::PlaneLineReader(std::string_view text)
    : text_(text),
      lineFeeds_(text, "\n"), keys_{ForwardFinder(text, "Plane0="), ForwardFinder(text, "Plane1="),
                                    ForwardFinder(text, "Plane2="), ForwardFinder(text, "Plane3=")},
      commas_{ForwardFinder(text, ","), ForwardFinder(text, ","), ForwardFinder(text, ","),
              ForwardFinder(text, ",")} {
    valueAt_.fill(kNotFound);
}

bool PlaneLineReader::Read(size_t start, std::array<int32_t, 4>& planes) {
    const size_t lineFeed = lineFeeds_.Find(start);
    if (lineFeed == kNotFound)
        return false;
    constexpr size_t kKeyLength = 7; // "Plane<p>="
    for (size_t p = 0; p < 4; ++p) {
        // The first key of the line counts, and not at line position 0.
        const size_t at = keys_[p].Find(start);
        if (at == kNotFound || at >= lineFeed || at == start)
            continue;
        if (valueAt_[p] != at) {
            const size_t comma = commas_[p].Find(at);
            const size_t end = comma != kNotFound && comma < lineFeed ? comma : lineFeed;
            valueAt_[p] = at;
            value_[p] = LeadingValue(text_.substr(at + kKeyLength, end - at - kKeyLength));
        }
        planes[p] = value_[p];
    }
    return true;
}

ReportRead ReadEraseReport(const std::filesystem::path& path, const ReportContext& context,
                           const PortReport& port) {
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return ReportRead::kMissing;
    return ReadEraseReportText(*text, context, port);
}

ReportRead ReadEraseReportText(std::string_view text, const ReportContext& /*context*/,
                               const PortReport& port) {
    ST_PORT_RESULT& r = port.result;
    port.badBlocks.clear();
    ResetPortResult(r);
    ReadHeaders(text, r);

    const EraseMarkerIndex markers(text);
    // A pretest section may list counts before the erase; the counts of the
    // erase itself follow "Do EraseAll,".
    size_t cursor = 0;
    if (const size_t d = FindFrom(text, kEraseAll, 0); d != kNotFound) {
        if (const size_t first = markers.First(kEarly, 0, 0, d); first != kNotFound)
            cursor = first;
    }

    PlaneLineReader lines(text);
    bool counted = false;
    for (const MarkerKind kind : {kEarly, kLater}) {
        PlaneCounts& counts = kind == kEarly ? r.earlyBad : r.laterBad;
        for (int ce = 0; ce < kMaxCe; ++ce) {
            for (int die = 0; die < kMaxDie; ++die) {
                const size_t at = markers.First(kind, ce, die, cursor);
                if (at == kNotFound)
                    continue;
                cursor = at + MarkerLength(ce, die);
                counted |= lines.Read(cursor, counts[ce][die]);
            }
        }
    }

    SumBadBlockCounts(r);
    r.badBlockLoaded = 1;
    r.resultKind = kResultErase;
    return counted ? ReportRead::kComplete : ReportRead::kIncomplete;
}

} // namespace varnet
