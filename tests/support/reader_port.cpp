#include "reader_port.h"

#include <cstring>
#include <type_traits>

namespace varnet::test {

static_assert(std::has_unique_object_representations_v<BAD_BLOCK_INFO>);

std::string FirstDifference(const ReaderPort& fast, const ReaderPort& literal) {
    const ST_PORT_RESULT& a = *fast.result;
    const ST_PORT_RESULT& b = *literal.result;
#define SAME(field)                                                                                          \
    if (!(a.field == b.field))                                                                               \
        return #field " differs";
    SAME(resultKind)
    SAME(testStationSel)
    SAME(channelCount)
    SAME(flashCount)
    SAME(diePerFlash)
    SAME(planeCount)
    SAME(blocksPerCE)
    SAME(flashId)
    SAME(failFlag)
    SAME(totalBad)
    SAME(earlyBad)
    SAME(laterBad)
    SAME(laterBadPerDie)
    SAME(earlyBadTotal)
    SAME(laterBadTotal)
    SAME(allBadTotal)
    SAME(eraseFailTotal)
    SAME(programFailTotal)
    SAME(readFailTotal)
    SAME(maxBadPerPlane)
    SAME(maxBadPerCE)
    SAME(maxBadTotal)
    SAME(sparePerCE)
    SAME(spareTotal)
    SAME(ispFwVersion)
    SAME(stationName)
    SAME(processTime)
    SAME(reportPath)
    SAME(badBlockLoaded)
    SAME(rdtFwVersion)
    SAME(tlcLoop)
    SAME(slcLoop)
    SAME(eccThreshold)
    SAME(slcEccThreshold)
    SAME(maxLaterBad)
    SAME(maxEraseFail)
    SAME(maxProgramFail)
    SAME(maxReadFail)
    SAME(enableMaxFail)
    SAME(retentionMark)
    SAME(retentionTest)
    SAME(speedFailMask)
    SAME(maxTemperature)
    SAME(errorCode)
    SAME(errorMessage)
    SAME(firmwareRevision)
    SAME(auxReportPath)
    SAME(inRdtFirmware)
    SAME(deviceValid)
    SAME(portRunning)
#undef SAME
    if (fast.readProgress != literal.readProgress)
        return "readProgress " + std::to_string(fast.readProgress) + " vs " +
               std::to_string(literal.readProgress);
    if (fast.badBlocks.size() != literal.badBlocks.size())
        return "list sizes " + std::to_string(fast.badBlocks.size()) + " vs " +
               std::to_string(literal.badBlocks.size());
    for (size_t i = 0; i < fast.badBlocks.size(); ++i) {
        if (std::memcmp(&fast.badBlocks[i], &literal.badBlocks[i], sizeof(BAD_BLOCK_INFO)) != 0)
            return "list entry " + std::to_string(i) + " differs";
    }
    return {};
}

} // namespace varnet::test
