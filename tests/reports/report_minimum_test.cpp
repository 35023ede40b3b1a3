// Each reader tells the station whether the report held the least a report
// of its kind holds: a missing file, and an empty, binary, NUL-filled or
// cut-off one, leave nothing to judge a drive by.
#include "reports/erase_report.h"
#include "reports/rdt_report.h"
#include "reports/scan_bad_report.h"
#include "temp_dir.h"

#include "reader_port.h"

#include <gtest/gtest.h>

#include <string>

namespace varnet {
namespace {

enum class Reader { kRdt, kErase, kScan };

std::filesystem::path Fixture(Reader reader) {
    const char* folder = reader == Reader::kRdt ? "rdt" : reader == Reader::kErase ? "erase" : "scan";
    return test::SourceDir() / "tests/reports/fixtures" / folder / "full.txt";
}

ReportRead Read(Reader reader, const std::filesystem::path& path, const ReportContext& context = {}) {
    test::ReaderPort port;
    switch (reader) {
    case Reader::kRdt:
        return ReadRdtReport(path, context, port.Report());
    case Reader::kErase:
        return ReadEraseReport(path, context, port.Report());
    case Reader::kScan:
        return ReadScanBadReport(path, context, port.Report());
    }
    return ReportRead::kMissing;
}

std::string Binary() {
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 131 + 7) % 256);
    return bytes;
}

struct MinimumCase {
    const char* name;
    Reader reader;
    // The report's text, from its full fixture.
    std::string (*text)(const std::string& full);
    ReportRead expected;
};

std::string Whole(const std::string& full) {
    return full;
}
std::string Empty(const std::string&) {
    return "";
}
std::string BinaryBytes(const std::string&) {
    return Binary();
}
std::string Nuls(const std::string& full) {
    return std::string(full.size(), '\0');
}
// Cut right before the first count of its kind.
std::string BeforeCounts(const std::string& full) {
    for (const char* first : {"CE_0,Die_0,Plane_0,", "CENo_0/Die_0->", "CENo_0(Phy:0)"}) {
        if (const size_t at = full.find(first); at != std::string::npos)
            return full.substr(0, at);
    }
    return full;
}
// The burn-in counts without the heading they stand under.
std::string WithoutPlaneHeading(const std::string& full) {
    std::string text = full;
    text.erase(text.find("Setting Total Later Bad Spec Per Die"), 10);
    return text;
}

TEST(ReportMinimum, EachReaderTellsWhetherTheReportHeldTheLeastOfItsKind) {
    const MinimumCase cases[] = {
        {"burn-in log", Reader::kRdt, Whole, ReportRead::kComplete},
        {"empty burn-in log", Reader::kRdt, Empty, ReportRead::kIncomplete},
        {"binary burn-in log", Reader::kRdt, BinaryBytes, ReportRead::kIncomplete},
        {"NUL-filled burn-in log", Reader::kRdt, Nuls, ReportRead::kIncomplete},
        {"burn-in log cut before its counts", Reader::kRdt, BeforeCounts, ReportRead::kIncomplete},
        {"burn-in counts without their heading", Reader::kRdt, WithoutPlaneHeading, ReportRead::kIncomplete},
        {"erase report", Reader::kErase, Whole, ReportRead::kComplete},
        {"empty erase report", Reader::kErase, Empty, ReportRead::kIncomplete},
        {"binary erase report", Reader::kErase, BinaryBytes, ReportRead::kIncomplete},
        {"NUL-filled erase report", Reader::kErase, Nuls, ReportRead::kIncomplete},
        {"erase report cut before its counts", Reader::kErase, BeforeCounts, ReportRead::kIncomplete},
        {"scan report", Reader::kScan, Whole, ReportRead::kComplete},
        {"empty scan report", Reader::kScan, Empty, ReportRead::kIncomplete},
        {"binary scan report", Reader::kScan, BinaryBytes, ReportRead::kIncomplete},
        {"NUL-filled scan report", Reader::kScan, Nuls, ReportRead::kIncomplete},
        {"scan report cut before its first block", Reader::kScan, BeforeCounts, ReportRead::kIncomplete},
    };
    test::TempDir dir;
    for (const MinimumCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / "report.txt";
        test::WriteText(file, c.text(test::ReadText(Fixture(c.reader))));
        EXPECT_EQ(Read(c.reader, file), c.expected);
        EXPECT_EQ(Read(c.reader, dir / "missing.txt"), ReportRead::kMissing);
    }
}

// Under a CE mask only the counts of CEs in scope are read: a burn-in log
// that counts none of them has nothing to judge the drive by.
TEST(ReportMinimum, ABurnInLogNeedsACountOfACeInScope) {
    ReportContext masked;
    masked.enableCeMask = 1;
    masked.testStationSel = 5;
    masked.setCeMask = 0x1;
    EXPECT_EQ(Read(Reader::kRdt, Fixture(Reader::kRdt), masked), ReportRead::kComplete);
    masked.setCeMask = 0x80000000u;
    EXPECT_EQ(Read(Reader::kRdt, Fixture(Reader::kRdt), masked), ReportRead::kIncomplete);
}

} // namespace
} // namespace varnet
