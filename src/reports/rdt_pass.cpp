#include "reports/rdt_pass.h"

#include <cstdint>

namespace varnet {
namespace {

// The limit the rules fall back on when the report names none.
constexpr uint32_t kBuiltInLimit = 10;

uint32_t U(int32_t value) {
    return static_cast<uint32_t>(value);
}

bool AnyFailOver(const ST_PORT_RESULT& r, uint32_t limit) {
    return U(r.eraseFailTotal) > limit || U(r.programFailTotal) > limit || U(r.readFailTotal) > limit;
}

// Unlike the reader's scope, the RDT result station is no exception here:
// with a mask only the masked CEs are judged.
bool AnyDieOver(const ST_PORT_RESULT& r, const ReportContext& context, uint32_t limit) {
    for (int ce = 0; ce < kMaxCe; ++ce) {
        if (context.enableCeMask != 0 && ((context.setCeMask >> ce) & 1u) == 0)
            continue;
        for (int die = 0; die < kMaxDie; ++die) {
            if (U(r.laterBadPerDie[ce][die]) > limit)
                return true;
        }
    }
    return false;
}

} // namespace

bool IsRdtPass(const ST_PORT_RESULT& r, const ReportContext& context) {
    const bool masked = context.enableCeMask != 0;
    if (r.retentionTest == 2)
        return true;
    if (r.enableMaxFail != 0) {
        if (U(r.laterBadTotal) > U(r.maxLaterBad))
            return false;
        if (masked)
            return true;
        return !(U(r.eraseFailTotal) > U(r.maxEraseFail) || U(r.programFailTotal) > U(r.maxProgramFail) ||
                 U(r.readFailTotal) > U(r.maxReadFail));
    }
    if (r.retentionMark != 0)
        return !AnyDieOver(r, context, kBuiltInLimit);
    // A scan result has no limits of its own: any grown bad block or failure fails it.
    const uint32_t limit = r.resultKind == kResultScanBad ? 0 : kBuiltInLimit;
    if (U(r.laterBadTotal) > limit)
        return false;
    return masked || !AnyFailOver(r, limit);
}

} // namespace varnet
