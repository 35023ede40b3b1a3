#include "stations/identify_data.h"

#include "platform/text_format.h"

#include <limits>

namespace varnet {
namespace {

constexpr size_t kSectorCountOffset = 200;
constexpr size_t kSectorCountBytes = 6;

} // namespace

std::string IdentifyText(const IdentifyData& data, size_t offset, size_t pairs) {
    std::string text;
    for (size_t i = 0; i < pairs && offset + 2 * i + 1 < data.size(); ++i) {
        const size_t at = offset + 2 * i;
        for (const uint8_t byte : {data[at + 1], data[at]}) {
            if (byte == 0)
                return text;
            text.push_back(static_cast<char>(byte));
        }
    }
    return text;
}

std::string IdentifySerialText(const IdentifyData& data) {
    return IdentifyText(data, 20, 10);
}

std::string IdentifyFirmwareText(const IdentifyData& data) {
    return IdentifyText(data, 46, 4);
}

std::string IdentifyModelText(const IdentifyData& data) {
    return IdentifyText(data, 54, 20);
}

uint32_t IdentifyCapacityMb(const IdentifyData& data) {
    uint64_t sectors = 0;
    for (size_t i = 0; i < kSectorCountBytes; ++i)
        sectors |= uint64_t{data[kSectorCountOffset + i]} << (8 * i);
    sectors = (sectors & ~uint64_t{0xFF}) | 0xAF;
    const uint64_t mb = (sectors + 1) * 512 / 1048576;
    return mb > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                     : static_cast<uint32_t>(mb);
}

std::string CapacityText(uint32_t capacityMb) {
    if (capacityMb < 1024)
        return Format("%dMB", static_cast<int>(capacityMb));
    return Format("%0.2fGB", static_cast<double>(capacityMb) / 1024.0);
}

} // namespace varnet
