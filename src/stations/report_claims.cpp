#include "stations/report_claims.h"

#include "platform/text.h"
#include "platform/text_format.h"

namespace varnet {

void ReportClaims::Reset() {
    std::lock_guard lock(mutex_);
    owners_.clear();
}

bool ReportClaims::TryClaim(int port, const std::filesystem::path& path) {
    const auto [owner, added] = owners_.try_emplace(ToLowerAscii(path.lexically_normal().string()), port);
    return added || owner->second == port;
}

std::filesystem::path ReportClaims::Claim(int port, const std::filesystem::path& folder,
                                          std::string_view name) {
    const std::filesystem::path shared = folder / std::string(name);
    const std::filesystem::path own = folder / Format("P%02d", port + 1) / std::string(name);
    std::lock_guard lock(mutex_);
    if (TryClaim(port, shared))
        return shared;
    // Only this port names files in its own folder.
    (void)TryClaim(port, own);
    return own;
}

} // namespace varnet
