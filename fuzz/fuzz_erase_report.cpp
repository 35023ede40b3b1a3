// Erase-count reports as any file may look: reading must never crash, must
// keep what the flash-ID readout left, and its sums must agree with the
// counts it read, clamped to 32 bits.
#include "reports/erase_report.h"

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
    result->flashCount = 8;
    result->flashId[0] = {0x98, 0x3C};
    result->planeCount = 4;
    BadBlockList list(1);
    ReadEraseReportText(text, ReportContext{}, PortReport{*result, list, nullptr});

    const ST_PORT_RESULT& r = *result;
    Check(list.empty());
    Check(r.resultKind == kResultErase && r.badBlockLoaded == 1);
    Check(r.planeCount == 0 && r.flashCount == 8 && r.flashId[0][0] == 0x98);
    Check(r.stationName.empty() || r.stationName.size() >= 5);
    int64_t early = 0;
    int64_t later = 0;
    for (int ce = 0; ce < kMaxCe; ++ce) {
        for (int die = 0; die < kMaxDie; ++die) {
            int64_t laterOfDie = 0;
            for (int p = 0; p < kMaxPlane; ++p) {
                const int64_t e = r.earlyBad[ce][die][p];
                const int64_t l = r.laterBad[ce][die][p];
                Check(r.totalBad[ce][die][p] == ClampToInt32(e + l));
                early += e;
                later += l;
                laterOfDie += l;
            }
            Check(r.laterBadPerDie[ce][die] == ClampToInt32(laterOfDie));
        }
    }
    Check(r.earlyBadTotal == ClampToInt32(early));
    Check(r.laterBadTotal == ClampToInt32(later));
    return 0;
}
