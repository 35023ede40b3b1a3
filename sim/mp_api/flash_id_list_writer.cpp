#include "report_common.h"
#include "report_writers.h"

#include "platform/text_format.h"

#include <algorithm>

namespace varnet::sim {

std::string FlashIdListText(const DriveState& state) {
    const FlashGeometry& flash = state.flash;
    const int positions = std::min(64, (flash.ce + 7) / 8 * 8);
    ReportLines out;
    out.Add("Flash ID List");
    for (int n = 0; n < positions; ++n) {
        FlashId id;
        id.fill(0xFF);
        if (n < flash.ce)
            id = flash.id;
        out.Add(Format("CH%d_CE%d:%02X %02X %02X %02X %02X %02X %02X %02X", n / 8, n % 8, id[0], id[1], id[2],
                       id[3], id[4], id[5], id[6], id[7]));
    }
    return out.Take();
}

} // namespace varnet::sim
