#include "reports/scan_bad_report.h"

#include "platform/file_io.h"
#include "platform/text.h"
#include "reports/erase_report.h"
#include "reports/report_text.h"

#include <algorithm>
#include <optional>
#include <string>

namespace varnet {
namespace {

constexpr std::string_view kScanTitle = "Scan Bad Block";
constexpr std::string_view kFlashNumber = "FlashNumber=";
constexpr std::string_view kBlocksPerCe = "Total Block Per CE:";
constexpr std::string_view kMaxBadPerPlane = "MaxBad_perPlane/Die=";
constexpr std::string_view kMarkerHead = "CENo_";
constexpr std::string_view kMarkerPhy = "(Phy:";
constexpr std::string_view kMarkerDie = ")/Die_";
constexpr std::string_view kBlockCount = "All Bad Block Count=";
constexpr std::string_view kListEnd = "==========";

// Every position of every "CENo_<ce>(Phy:<ce>)/Die_<die>" marker by CE and
// die, found in one pass. The die is the marker's last character, so the
// marker of die 1 also stands at the start of "Die_12": matched exactly where
// a plain search for the formatted marker would match it.
class ScanMarkerIndex {
public:
    explicit ScanMarkerIndex(std::string_view text) {
        for (size_t at = FindFrom(text, kMarkerHead, 0); at != kNotFound;
             at = FindFrom(text, kMarkerHead, at + 1))
            Classify(text, at);
    }

    size_t First(int ce, int die, size_t from) const {
        const std::vector<size_t>& list = positions_[ce][die];
        const auto it = std::lower_bound(list.begin(), list.end(), from);
        return it == list.end() ? kNotFound : *it;
    }

private:
    // The canonical decimal form of 0..31 ("%d": no leading zero) at pos.
    static bool ReadCe(std::string_view text, size_t& pos, int& value) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        value = text[pos++] - '0';
        if (value == 0)
            return true;
        if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
            value = value * 10 + (text[pos++] - '0');
        return value < kMaxCe;
    }

    void Classify(std::string_view text, size_t at) {
        size_t pos = at + kMarkerHead.size();
        int ce = 0;
        int physical = 0;
        if (!ReadCe(text, pos, ce) || text.substr(pos, kMarkerPhy.size()) != kMarkerPhy)
            return;
        pos += kMarkerPhy.size();
        if (!ReadCe(text, pos, physical) || physical != ce ||
            text.substr(pos, kMarkerDie.size()) != kMarkerDie)
            return;
        pos += kMarkerDie.size();
        if (pos < text.size() && text[pos] >= '0' && text[pos] < '0' + kMaxDie)
            positions_[ce][text[pos] - '0'].push_back(at);
    }

    std::array<std::array<std::vector<size_t>, kMaxDie>, kMaxCe> positions_;
};

// A header key counts only after the first character of the report.
void ReadHeader(std::string_view text, std::string_view key, std::string_view separator, int32_t& field) {
    const size_t i = FindFrom(text, key, 0);
    if (i == kNotFound || i == 0)
        return;
    std::string_view slice;
    if (SliceTo(text, i + key.size(), separator, slice) && !slice.empty())
        field = ReportValue(slice);
}

void AddCount(std::string_view line, std::string_view key, std::string_view separator, int64_t& sum) {
    const size_t at = FindFrom(line, key, 0);
    if (at == kNotFound)
        return;
    std::string_view slice;
    if (SliceTo(line, at + key.size(), separator, slice) && !slice.empty())
        sum += ReportValue(slice);
}

// Byte 0 and byte 1 both name a maker (neither 0x00 nor 0xFF) and differ.
// The flash-ID list counts chips by byte 0 alone; spares ask for more.
bool HasSpareBlocks(const std::array<uint8_t, 8>& id) {
    const auto names = [](uint8_t b) { return b != 0x00 && b != 0xFF; };
    return names(id[0]) && names(id[1]) && id[0] != id[1];
}

// A block line "<label>_<block> (<remark>)": false when it has no "_" or no
// "(" after it. Blanks inside the number ("12 34") are dropped; the number
// ends at the first "(", so it holds none.
bool ParseBlockLine(std::string_view line, std::string_view& label, int32_t& block) {
    const size_t lead = line.find_first_not_of(" \t\r\n\v\f");
    if (lead == kNotFound)
        return false;
    line.remove_prefix(lead);
    const size_t underscore = line.find('_');
    if (underscore == kNotFound)
        return false;
    const size_t paren = line.find('(', underscore);
    if (paren == kNotFound)
        return false;
    label = line.substr(0, underscore);
    block = ReportValueWithout(line.substr(underscore + 1, paren - underscore - 1), " ");
    return true;
}

// The remainder of block / planes in 0..planes-1, also for a negative block:
// the plane indexes the result pages' arrays.
uint8_t PlaneOfBlock(int32_t block, int planes) {
    if (planes == 0)
        return 0;
    const int remainder = block % planes;
    return static_cast<uint8_t>(remainder < 0 ? remainder + planes : remainder);
}

class ScanReader {
public:
    ScanReader(std::string_view text, const PortReport& port)
        : text_(text), port_(port), r_(port.result), markers_(text), planeLines_(text),
          earlyBad_(text, "EarlyBad"), earlyBadCount_(text, "Early Bad Count"), laterBad_(text, "LaterBad"),
          laterBadCount_(text, "Later Bad Count"), planeMarkers_{ForwardFinder(text, "<Plane0>"),
                                                                 ForwardFinder(text, "<Plane1>"),
                                                                 ForwardFinder(text, "<Plane2>"),
                                                                 ForwardFinder(text, "<Plane3>")},
          blockCount_(text, kBlockCount), lineFeeds_(text, "\n") {}

    void Run() {
        for (int ce = 0; ce < kMaxCe; ++ce) {
            for (int die = 0; die < kMaxDie; ++die) {
                const size_t at = markers_.First(ce, die, cursor_);
                if (at == kNotFound)
                    continue;
                cursor_ = at;
                // Only the first CE listed tells how many dies a CE has: a
                // CE mask may leave out the low CEs.
                if (firstCe_ < 0)
                    firstCe_ = ce;
                if (ce == firstCe_)
                    ++dieCount_;
                ReadCounts(earlyBad_, earlyBadCount_, r_.earlyBad[ce][die]);
                ReadCounts(laterBad_, laterBadCount_, r_.laterBad[ce][die]);
                ReadFailCounts();
                ReadBlockList(ce, die);
            }
        }
    }

    bool FoundBlock() const { return firstCe_ >= 0; }
    int DieCount() const { return dieCount_; }
    int PlanesSeen() const { return planesSeen_; }
    int64_t EraseFails() const { return eraseFails_; }
    int64_t ProgramFails() const { return programFails_; }
    int64_t ReadFails() const { return readFails_; }

private:
    void ReadCounts(ForwardFinder& key, ForwardFinder& otherKey, std::array<int32_t, 4>& planes) {
        size_t at = key.Find(cursor_);
        if (at == kNotFound)
            at = otherKey.Find(cursor_);
        if (at == kNotFound)
            return;
        cursor_ = at;
        planeLines_.Read(at, planes);
    }

    void ReadFailCounts() {
        for (int p = 0; p < kMaxPlane; ++p) {
            const size_t at = planeMarkers_[p].Find(cursor_);
            if (at == kNotFound)
                continue;
            planesSeen_ = std::max(planesSeen_, p + 1);
            // A marker on the unfinished last line has no line to read and
            // leaves the cursor where it is.
            const size_t lineFeed = lineFeeds_.Find(at);
            if (lineFeed == kNotFound)
                continue;
            const std::string_view line = text_.substr(at, lineFeed - at + 1);
            cursor_ = lineFeed + 1;
            AddCount(line, "Erase=", ";", eraseFails_);
            AddCount(line, "Program=", ";", programFails_);
            AddCount(line, "Read=", ">", readFails_);
        }
    }

    void ReadBlockList(int ce, int die) {
        const size_t at = blockCount_.Find(cursor_);
        if (at == kNotFound)
            return;
        const size_t countEnd = lineFeeds_.Find(at);
        if (countEnd == kNotFound)
            return;
        cursor_ = countEnd + 1;
        for (;;) {
            const size_t lineFeed = lineFeeds_.Find(cursor_);
            if (lineFeed == kNotFound)
                return;
            const std::string_view line = text_.substr(cursor_, lineFeed - cursor_ + 1);
            if (FindFrom(line, kMarkerHead, 0) != kNotFound || FindFrom(line, kListEnd, 0) != kNotFound)
                return;
            cursor_ = lineFeed + 1;
            std::string_view label;
            int32_t block = 0;
            if (!ParseBlockLine(line, label, block))
                continue;
            BAD_BLOCK_INFO& entry = port_.badBlocks.emplace_back(BAD_BLOCK_INFO{});
            SetFieldText(entry.label, label);
            entry.ce = static_cast<uint8_t>(ce);
            entry.channel = static_cast<uint8_t>(ce / 8);
            entry.die = static_cast<uint8_t>(die);
            entry.plane = PlaneOfBlock(block, planesSeen_);
            entry.block = block;
        }
    }

    std::string_view text_;
    const PortReport& port_;
    ST_PORT_RESULT& r_;
    ScanMarkerIndex markers_;
    PlaneLineReader planeLines_;
    ForwardFinder earlyBad_;
    ForwardFinder earlyBadCount_;
    ForwardFinder laterBad_;
    ForwardFinder laterBadCount_;
    std::array<ForwardFinder, kMaxPlane> planeMarkers_;
    ForwardFinder blockCount_;
    ForwardFinder lineFeeds_;
    size_t cursor_ = 0;
    int firstCe_ = -1;
    int dieCount_ = 0;
    int planesSeen_ = 0;
    int64_t eraseFails_ = 0;
    int64_t programFails_ = 0;
    int64_t readFails_ = 0;
};

void ComputeSpares(ST_PORT_RESULT& r) {
    int64_t total = 0;
    for (int ce = 0; ce < kMaxCe; ++ce) {
        if (!HasSpareBlocks(r.flashId[ce]))
            continue;
        int64_t spare = 0;
        for (int die = 0; die < std::min(r.diePerFlash, kMaxDie); ++die) {
            for (int plane = 0; plane < std::min(r.planeCount, kMaxPlane); ++plane)
                spare += static_cast<int64_t>(r.maxBadPerPlane) - r.totalBad[ce][die][plane];
        }
        r.sparePerCE[ce] = ClampToInt32(spare);
        total += r.sparePerCE[ce];
    }
    r.spareTotal = ClampToInt32(total);
}

} // namespace

ReportRead ReadScanBadReport(const std::filesystem::path& path, const ReportContext& context,
                             const PortReport& port) {
    port.SetReadProgress(0);
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return ReportRead::kMissing;
    return ReadScanBadReportText(*text, context, port);
}

ReportRead ReadScanBadReportText(std::string_view text, const ReportContext& /*context*/,
                                 const PortReport& port) {
    port.SetReadProgress(0);
    ST_PORT_RESULT& r = port.result;
    ResetPortResult(r);
    port.badBlocks.clear();
    if (FindFrom(text, kScanTitle, 0) == kNotFound)
        return ReportRead::kIncomplete;
    r.stationName = "ReMP";
    r.failFlag = 0;
    ReadHeader(text, kFlashNumber, ",", r.flashCount);
    ReadHeader(text, kBlocksPerCe, "\n", r.blocksPerCE);
    ReadHeader(text, kMaxBadPerPlane, ",", r.maxBadPerPlane);

    ScanReader reader(text, port);
    reader.Run();
    port.SetReadProgress(50);
    r.diePerFlash = reader.DieCount();
    r.planeCount = reader.PlanesSeen();
    r.eraseFailTotal = ClampToInt32(reader.EraseFails());
    r.programFailTotal = ClampToInt32(reader.ProgramFails());
    r.readFailTotal = ClampToInt32(reader.ReadFails());

    SumBadBlockCounts(r);
    r.maxBadPerCE = ClampToInt32(static_cast<int64_t>(r.maxBadPerPlane) * r.planeCount * r.diePerFlash);
    r.maxBadTotal = ClampToInt32(static_cast<int64_t>(r.maxBadPerCE) * r.flashCount);
    ComputeSpares(r);

    r.badBlockLoaded = 1;
    r.resultKind = kResultScanBad;
    port.SetReadProgress(100);
    return reader.FoundBlock() ? ReportRead::kComplete : ReportRead::kIncomplete;
}

} // namespace varnet
