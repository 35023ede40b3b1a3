#include "reports/result_rules.h"

#include <cmath>

namespace varnet {
namespace {

// The limit the firmware applies when the report names none.
constexpr uint32_t kBuiltInLaterBadLimit = 10;

uint32_t Unsigned(int32_t value) {
    return static_cast<uint32_t>(value);
}

uint32_t LaterBadOfDie(const ST_PORT_RESULT& record, int ce, int die) {
    return Unsigned(record.laterBadPerDie[static_cast<size_t>(ce)][static_cast<size_t>(die)]);
}

} // namespace

bool IsListedCe(const std::array<uint8_t, 8>& flashId) {
    const uint8_t b0 = flashId[0];
    const uint8_t b1 = flashId[1];
    return b0 != 0x00 && b1 != 0x00 && b0 != 0xFF && b1 != 0xFF && b0 != b1;
}

std::vector<int> ListedCes(const ST_PORT_RESULT& record) {
    std::vector<int> listed;
    for (int channel = 0; channel < kShownChannels; ++channel)
        for (int ce = 0; ce < kCePerChannel; ++ce) {
            const int flat = channel * kCePerChannel + ce;
            if (IsListedCe(record.flashId[static_cast<size_t>(flat)]))
                listed.push_back(flat);
        }
    return listed;
}

bool RdtDieOverLimit(const ST_PORT_RESULT& record, int ce, int die) {
    const uint32_t v = LaterBadOfDie(record, ce, die);
    // A scan counts every grown bad block against the drive, whatever the
    // burn-in limits say.
    if (record.resultKind == kResultScanBad && v != 0)
        return true;
    // A retention run judges nothing by bad blocks.
    if (record.retentionTest == 2)
        return false;
    if (record.enableMaxFail != 0)
        return v > Unsigned(record.maxLaterBad);
    if (record.retentionMark != 0 || record.inRdtFirmware != 0)
        return v > kBuiltInLaterBadLimit;
    return false;
}

bool BbCeMarked(const ST_PORT_RESULT& record, int ce) {
    uint32_t seen = 0;
    for (int die = 0; die < kMaxDie; ++die) {
        const uint32_t v = LaterBadOfDie(record, ce, die);
        seen += v;
        if (record.resultKind == kResultScanBad && v != 0)
            return true;
        if (record.enableMaxFail != 0) {
            if (v > Unsigned(record.maxLaterBad))
                return true;
        } else if (record.retentionMark != 0) {
            if (seen > kBuiltInLaterBadLimit)
                return true;
        } else if (record.inRdtFirmware != 0) {
            if (v > 1)
                return true;
        }
    }
    return false;
}

int AnimationValue(int gridProgress, int readProgress, int progress) {
    return static_cast<int>(std::floor(gridProgress * 0.2)) +
           static_cast<int>(std::floor(readProgress * 0.2)) + static_cast<int>(std::floor(progress * 0.6));
}

} // namespace varnet
