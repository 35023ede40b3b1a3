// Bad-block scan reports as any file may look: reading must never crash, the
// read progress must end at 0 (not a scan report) or 100, and every entry of
// the bad-block list must index the record's arrays: CE < 32, die < 8,
// plane < 4 and within the planes seen, a terminated label.
#include "reports/erase_report.h"
#include "reports/scan_bad_report.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace varnet;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = std::make_unique<ST_PORT_RESULT>();
    for (int ce = 0; ce < kMaxCe; ce += 3)
        result->flashId[ce] = {0x98, 0x3C, 0x98, 0xB3};
    BadBlockList list(1);
    int32_t progress = -1;
    ReadScanBadReportText(text, ReportContext{}, PortReport{*result, list, &progress});

    const ST_PORT_RESULT& r = *result;
    Check(progress == 0 || progress == 100);
    if (progress == 0) {
        Check(list.empty() && r.badBlockLoaded == 0 && r.resultKind == kResultNone);
        return 0;
    }
    Check(r.resultKind == kResultScanBad && r.badBlockLoaded == 1 && r.stationName == "ReMP");
    Check(r.diePerFlash >= 0 && r.diePerFlash <= kMaxDie);
    Check(r.planeCount >= 0 && r.planeCount <= kMaxPlane);
    for (const BAD_BLOCK_INFO& b : list) {
        Check(b.ce < kMaxCe && b.die < kMaxDie && b.plane < kMaxPlane);
        Check(b.plane < (r.planeCount > 0 ? r.planeCount : 1));
        Check(b.channel == b.ce / 8);
        Check(b.label.back() == '\0');
        Check(b.page == 0 && b.totalLoop == 0 && b.timeStamp == 0);
    }
    int64_t spare = 0;
    for (int ce = 0; ce < kMaxCe; ++ce) {
        if (ce % 3 != 0)
            Check(r.sparePerCE[ce] == 0);
        spare += r.sparePerCE[ce];
    }
    Check(r.spareTotal == ClampToInt32(spare));
    return 0;
}
