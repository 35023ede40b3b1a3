// Flash-ID lists as any file may look: reading must never crash, must give at
// most 64 IDs, and the counts must agree with the IDs read; nothing but the
// IDs and the counts may be left in the record.
#include "reports/flash_id_list.h"

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
    result->stationName = "old";
    result->portRunning = 1;
    result->earlyBad[1][1][1] = 5;
    ReadFlashIdListText(text, *result);

    const ST_PORT_RESULT& r = *result;
    Check(r.stationName.empty() && r.portRunning == 0 && r.earlyBad[1][1][1] == 0);
    int valid = 0;
    int channels = 0;
    for (int channel = 0; channel < 8; ++channel) {
        int inChannel = 0;
        for (int ce = 0; ce < 8; ++ce)
            inChannel += IsValidFlashId(r.flashId[static_cast<size_t>(channel * 8 + ce)]) ? 1 : 0;
        valid += inChannel;
        channels += inChannel > 0 ? 1 : 0;
    }
    Check(r.flashCount == valid && r.channelCount == channels);
    Check(r.flashCount <= kMaxFlashIds && r.channelCount <= 8);
    // An ID is read only after a colon.
    if (text.find(':') == std::string_view::npos)
        Check(r.flashCount == 0);
    return 0;
}
