#include "erase_scan_literal.h"

#include "platform/ini_document.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "reports/report_text.h"

#include <algorithm>
#include <limits>
#include <string>

namespace varnet::test {
namespace {

int32_t Clamp(int64_t v) {
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(v, std::numeric_limits<int32_t>::min()),
                                                  std::numeric_limits<int32_t>::max()));
}

// The text from `from` through the next line feed inclusive; false when no
// line feed follows.
bool LineFrom(std::string_view text, size_t from, std::string_view& line) {
    const size_t lf = FindFrom(text, "\n", from);
    if (lf == kNotFound)
        return false;
    line = text.substr(from, lf - from + 1);
    return true;
}

void Sums(ST_PORT_RESULT& r) {
    int64_t early = 0, later = 0, all = 0;
    for (int ce = 0; ce < 32; ++ce) {
        for (int die = 0; die < 8; ++die) {
            int64_t perDie = 0;
            for (int p = 0; p < 4; ++p) {
                r.totalBad[ce][die][p] = Clamp(int64_t{r.earlyBad[ce][die][p]} + r.laterBad[ce][die][p]);
                early += r.earlyBad[ce][die][p];
                later += r.laterBad[ce][die][p];
                all += r.totalBad[ce][die][p];
                perDie += r.laterBad[ce][die][p];
            }
            r.laterBadPerDie[ce][die] = Clamp(perDie);
        }
    }
    r.earlyBadTotal = Clamp(early);
    r.laterBadTotal = Clamp(later);
    r.allBadTotal = Clamp(all);
}

} // namespace

void LiteralReadEraseReportText(std::string_view text, const PortReport& port) {
    ST_PORT_RESULT& r = port.result;
    port.badBlocks.clear();
    ResetPortResult(r);

    r.failFlag = 0;
    if (text.find("[ Fail ]  Error Message :") != kNotFound)
        r.failFlag = 1;

    size_t i = text.find("ISP FW: ");
    if (i != kNotFound) {
        const size_t comma = FindFrom(text, ",", i);
        if (comma != kNotFound && comma > i + 8)
            r.ispFwVersion = std::string(TrimWhite(text.substr(i + 8, comma - (i + 8))));
    }

    const int32_t sel = IniDocument::FromBytes({}, text).GetInt("General Info", "TestStationSel", 0);
    r.testStationSel = static_cast<uint8_t>(sel);

    static const char* const kNames[] = {"EraseAll", "RDT", "RDTResult", "MP",
                                         "ReMP",     "ICT", "UpdateFW",  "ScanBad"};
    if (text.find("Station:") != kNotFound)
        r.stationName = Format("%02d_%s", r.testStationSel % 8 + 1, kNames[r.testStationSel % 8]);

    i = text.find("Process Total take(sec):");
    if (i != kNotFound) {
        const size_t lf = FindFrom(text, "\n", i);
        if (lf != kNotFound && lf > i + 24)
            r.processTime = std::string(TrimWhite(text.substr(i + 24, lf - (i + 24))));
    }

    i = text.find("DiePerFlash=");
    if (i != kNotFound) {
        const size_t comma = FindFrom(text, ",", i);
        if (comma != kNotFound && comma > i + 12)
            r.diePerFlash = ReportValue(text.substr(i + 12, comma - (i + 12)));
    }

    size_t c = 0;
    const size_t d = text.find("Do EraseAll,");
    if (d != kNotFound) {
        const size_t m = FindFrom(text, "CENo_0/Die_0-> Early Bad Count:", d);
        if (m != kNotFound)
            c = m;
    }

    for (int kind = 0; kind < 2; ++kind) {
        for (int ce = 0; ce < 32; ++ce) {
            for (int die = 0; die < 8; ++die) {
                const std::string marker = kind == 0 ? Format("CENo_%d/Die_%d-> Early Bad Count:", ce, die)
                                                     : Format("CENo_%d/Die_%d-> Later Bad Count:", ce, die);
                const size_t m = FindFrom(text, marker, c);
                if (m == kNotFound)
                    continue;
                c = m + marker.size();
                std::string_view line;
                if (!LineFrom(text, c, line))
                    continue;
                ReadPlaneValues(line, kind == 0 ? r.earlyBad[ce][die] : r.laterBad[ce][die]);
            }
        }
    }

    Sums(r);
    r.badBlockLoaded = 1;
    r.resultKind = 1;
}

void LiteralReadScanBadReportText(std::string_view text, const PortReport& port) {
    port.SetReadProgress(0);
    ST_PORT_RESULT& r = port.result;
    ResetPortResult(r);
    port.badBlocks.clear();
    if (text.find("Scan Bad Block") == kNotFound)
        return;
    r.stationName = "ReMP";
    r.failFlag = 0;

    size_t i = text.find("FlashNumber=");
    std::string_view slice;
    if (i != kNotFound && i >= 1 && SliceTo(text, i + 12, ",", slice) && !slice.empty())
        r.flashCount = ReportValue(slice);
    i = text.find("Total Block Per CE:");
    if (i != kNotFound && i >= 1 && SliceTo(text, i + 19, "\n", slice) && !slice.empty())
        r.blocksPerCE = ReportValue(slice);
    i = text.find("MaxBad_perPlane/Die=");
    if (i != kNotFound && i >= 1 && SliceTo(text, i + 20, ",", slice) && !slice.empty())
        r.maxBadPerPlane = ReportValue(slice);

    size_t c = 0;
    int firstCe = -1;
    int dieCount = 0;
    int planesSeen = 0;
    int64_t eraseSum = 0, programSum = 0, readSum = 0;
    for (int ce = 0; ce < 32; ++ce) {
        for (int die = 0; die < 8; ++die) {
            const size_t m = FindFrom(text, Format("CENo_%d(Phy:%d)/Die_%d", ce, ce, die), c);
            if (m == kNotFound)
                continue;
            c = m;
            if (firstCe < 0)
                firstCe = ce;
            if (ce == firstCe)
                ++dieCount;

            size_t k = FindFrom(text, "EarlyBad", c);
            if (k == kNotFound)
                k = FindFrom(text, "Early Bad Count", c);
            std::string_view line;
            if (k != kNotFound) {
                c = k;
                if (LineFrom(text, k, line))
                    ReadPlaneValues(line, r.earlyBad[ce][die]);
            }
            k = FindFrom(text, "LaterBad", c);
            if (k == kNotFound)
                k = FindFrom(text, "Later Bad Count", c);
            if (k != kNotFound) {
                c = k;
                if (LineFrom(text, k, line))
                    ReadPlaneValues(line, r.laterBad[ce][die]);
            }

            for (int p = 0; p < 4; ++p) {
                k = FindFrom(text, Format("<Plane%d>", p), c);
                if (k == kNotFound)
                    continue;
                planesSeen = std::max(planesSeen, p + 1);
                if (!LineFrom(text, k, line))
                    continue;
                c = k + line.size();
                size_t e = line.find("Erase=");
                if (e != kNotFound && SliceTo(line, e + 6, ";", slice) && !slice.empty())
                    eraseSum += ReportValue(slice);
                e = line.find("Program=");
                if (e != kNotFound && SliceTo(line, e + 8, ";", slice) && !slice.empty())
                    programSum += ReportValue(slice);
                e = line.find("Read=");
                if (e != kNotFound && SliceTo(line, e + 5, ">", slice) && !slice.empty())
                    readSum += ReportValue(slice);
            }

            k = FindFrom(text, "All Bad Block Count=", c);
            if (k == kNotFound)
                continue;
            const size_t lf = FindFrom(text, "\n", k);
            if (lf == kNotFound)
                continue;
            c = lf + 1;
            while (LineFrom(text, c, line)) {
                if (line.find("CENo_") != kNotFound || line.find("==========") != kNotFound)
                    break;
                c += line.size();
                size_t lead = 0;
                while (lead < line.size() && (line[lead] == ' ' || line[lead] == '\t' || line[lead] == '\r' ||
                                              line[lead] == '\n' || line[lead] == '\v' || line[lead] == '\f'))
                    ++lead;
                const std::string_view body = line.substr(lead);
                const size_t underscore = body.find('_');
                if (underscore == kNotFound)
                    continue;
                const size_t paren = body.find('(', underscore + 1);
                if (paren == kNotFound)
                    continue;
                std::string number(body.substr(underscore + 1, paren - underscore - 1));
                number = RemoveChar(RemoveChar(number, '('), ' ');
                BAD_BLOCK_INFO info{};
                SetFieldText(info.label, body.substr(0, underscore));
                info.ce = static_cast<uint8_t>(ce);
                info.channel = static_cast<uint8_t>(ce / 8);
                info.die = static_cast<uint8_t>(die);
                info.block = ReportValue(number);
                if (planesSeen > 0) {
                    int plane = info.block % planesSeen;
                    if (plane < 0)
                        plane += planesSeen;
                    info.plane = static_cast<uint8_t>(plane);
                }
                port.badBlocks.push_back(info);
            }
        }
    }

    port.SetReadProgress(50);
    r.diePerFlash = dieCount;
    r.planeCount = planesSeen;
    r.eraseFailTotal = Clamp(eraseSum);
    r.programFailTotal = Clamp(programSum);
    r.readFailTotal = Clamp(readSum);
    Sums(r);
    r.maxBadPerCE = Clamp(int64_t{r.maxBadPerPlane} * r.planeCount * r.diePerFlash);
    r.maxBadTotal = Clamp(int64_t{r.maxBadPerCE} * r.flashCount);

    int64_t spareTotal = 0;
    for (int ce = 0; ce < 32; ++ce) {
        const auto& id = r.flashId[ce];
        if (id[0] == 0x00 || id[0] == 0xFF || id[1] == 0x00 || id[1] == 0xFF || id[0] == id[1])
            continue;
        int64_t spare = 0;
        for (int die = 0; die < r.diePerFlash; ++die) {
            for (int p = 0; p < r.planeCount; ++p)
                spare += int64_t{r.maxBadPerPlane} - r.totalBad[ce][die][p];
        }
        r.sparePerCE[ce] = Clamp(spare);
        spareTotal += r.sparePerCE[ce];
    }
    r.spareTotal = Clamp(spareTotal);
    r.badBlockLoaded = 1;
    r.resultKind = 2;
    port.SetReadProgress(100);
}

} // namespace varnet::test
